#include "Accessibility.h"

#include <QAbstractButton>
#include <QLabel>

namespace Accessibility {

namespace {

bool hasWords(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isLetterOrNumber();
    });
}

} // namespace

void nameControls(QWidget *window)
{
    const auto buttons = window->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        if (!hasWords(button->text()) && button->accessibleName().isEmpty() && !button->toolTip().isEmpty()) {
            button->setAccessibleName(button->toolTip());
        }
    }
}

void caption(QLabel *label, QWidget *field)
{
    label->setBuddy(field);
}

void caption(QAbstractButton *button, QWidget *field)
{
    if (field->accessibleName().isEmpty()) {
        field->setAccessibleName(QString(button->text()).remove(u'&'));
    }
}

} // namespace Accessibility
