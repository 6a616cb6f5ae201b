#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Message-box flags as the classic Windows message box takes them: buttons | icon | default button.
enum : unsigned
{
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONSTOP = 0x10,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON1 = 0x0,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
};

// Every beep and message box of the program goes through this, so tests can answer and record them.
class Prompter
{
public:
    enum Beep
    {
        Default = 0,
        Exclamation = 0x30
    };
    enum Answer
    {
        Ok = 1,
        Cancel = 2,
        Yes = 6,
        No = 7
    };

    virtual ~Prompter() = default;
    virtual void beep(Beep type = Exclamation) = 0;
    virtual Answer messageBox(QWidget *parent, const QString &text, const QString &caption, unsigned flags) = 0;
    // A question whose answers are named on their buttons (left to right); flags give the icon and the
    // default button (MB_DEFBUTTON1...). The last button also answers Escape and a box closed unanswered.
    // The index of the button chosen.
    virtual int choose(
        QWidget *parent, const QString &text, const QString &caption, const QStringList &buttons, unsigned flags) = 0;
};
