#include "Accessibility.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

namespace Accessibility {

namespace {

bool hasWords(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isLetterOrNumber();
    });
}

bool isField(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w)
           || qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QPlainTextEdit *>(w)
           || qobject_cast<const QTextEdit *>(w);
}

// How far the field lies from where a caption's field would be; negative when it is not there.
int pairingDistance(const QRect &caption, const QRect &field, bool aboveOnly)
{
    // Caption above: the field starts just under it, at about the same left edge.
    const int below = field.top() - caption.bottom();
    if (below >= -2 && below <= 8 && std::abs(field.left() - caption.left()) <= 6) {
        return below + 2 + std::abs(field.left() - caption.left());
    }
    // Caption before: the field starts just right of it, on the same line.
    const int right = field.left() - caption.right();
    if (!aboveOnly && right >= 0 && right <= 40 && std::abs(field.center().y() - caption.center().y()) <= 8) {
        return right;
    }
    return -1;
}

// The field that the caption stands for, if any.
QWidget *captionedField(const QWidget *caption, bool aboveOnly)
{
    QWidget *best = nullptr;
    int bestDistance = 0;
    const auto siblings = caption->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *field : siblings) {
        const int d = isField(field) ? pairingDistance(caption->geometry(), field->geometry(), aboveOnly) : -1;
        if (d >= 0 && (!best || d < bestDistance)) {
            best = field;
            bestDistance = d;
        }
    }
    return best;
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

    const auto labels = window->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (!label->buddy() && hasWords(label->text()) && label->parentWidget()) {
            if (QWidget *field = captionedField(label, false)) {
                label->setBuddy(field);
            }
        }
    }
    // A speed button over a field that shows its caption ("Telefon domowy") names the field.
    const auto captionButtons = window->findChildren<QToolButton *>();
    for (QToolButton *button : captionButtons) {
        if (hasWords(button->text()) && button->parentWidget()) {
            QWidget *field = captionedField(button, true);
            const bool labelled = std::any_of(labels.cbegin(), labels.cend(), [field](const QLabel *l) {
                return l->buddy() == field;
            });
            if (field && !labelled && field->accessibleName().isEmpty()) {
                field->setAccessibleName(QString(button->text()).remove(u'&'));
            }
        }
    }
}

} // namespace Accessibility
