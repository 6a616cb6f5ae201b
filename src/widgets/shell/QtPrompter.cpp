#include "QtPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Caption, text (any line ends) and the icon the flags name.
void setUp(QMessageBox &box, const QString &text, const QString &caption, unsigned flags)
{
    box.setWindowTitle(caption);
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    box.setText(shown);
    switch (flags & 0xF0) {
    case MB_ICONSTOP:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
    }
}

} // namespace

void QtPrompter::beep(Beep)
{
    QApplication::beep();
}

Prompter::Answer QtPrompter::messageBox(QWidget *parent, const QString &text, const QString &caption, unsigned flags)
{
    QMessageBox box(parent);
    setUp(box, text, caption, flags);
    QList<QPair<QMessageBox::StandardButton, Answer>> buttons;
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        buttons = {{QMessageBox::Ok, Ok}, {QMessageBox::Cancel, Cancel}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}, {QMessageBox::Cancel, Cancel}};
        break;
    case MB_YESNO:
        buttons = {{QMessageBox::Yes, Yes}, {QMessageBox::No, No}};
        break;
    default:
        buttons = {{QMessageBox::Ok, Ok}};
    }
    const auto polish = [](QMessageBox::StandardButton b) {
        switch (b) {
        case QMessageBox::Cancel:
            return QStringLiteral("Anuluj");
        case QMessageBox::Yes:
            return QStringLiteral("&Tak");
        case QMessageBox::No:
            return QStringLiteral("&Nie");
        default:
            return QStringLiteral("OK");
        }
    };
    for (const auto &b : buttons) {
        box.addButton(b.first)->setText(polish(b.first));
    }
    const int defaultIndex = std::min<int>((flags >> 8) & 0xF, buttons.size() - 1);
    box.setDefaultButton(buttons.at(defaultIndex).first);
    if (buttons.size() == 1) {
        box.setEscapeButton(buttons.first().first);
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto &b : buttons) {
        if (b.first == clicked) {
            return b.second;
        }
    }
    return buttons.size() == 1 ? Ok : (flags & 0xF) == MB_YESNO ? No : Cancel;
}

int QtPrompter::choose(
    QWidget *parent, const QString &text, const QString &caption, const QStringList &buttons, unsigned flags)
{
    QMessageBox box(parent);
    setUp(box, text, caption, flags);
    QList<QPushButton *> added;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        // Roles keep the buttons in the order given on every desktop style.
        QPushButton *button = box.addButton(buttons[i], QMessageBox::ActionRole);
        button->setObjectName(QStringLiteral("Button_%1").arg(i));
        added.append(button);
    }
    if (added.isEmpty()) {
        return -1;
    }
    box.setDefaultButton(added.at(std::min<qsizetype>((flags >> 8) & 0xF, added.size() - 1)));
    box.setEscapeButton(added.last());
    box.exec();
    const qsizetype chosen = added.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return static_cast<int>(chosen < 0 ? added.size() - 1 : chosen);
}
