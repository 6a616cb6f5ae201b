#include "TForm_Szybkie.h"

#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

TForm_Szybkie::TForm_Szybkie(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
{
    setObjectName(u"Form_Szybkie"_s);
    setWindowTitle(u"Morwinek - Szybkie wybieranie"_s);
    setWindowFlags(ShellWindow::frameWithoutButtons());
    setFont(Fonts::pixelFont(u"MS Sans Serif"_s, 11));
    setFixedSize(282, 270);

    GroupBox1 = new QGroupBox(u"Ustawienia"_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setGeometry(8, 4, 266, 224);

    const auto label = [this](const QString &text, int x, int y) {
        auto *l = new QLabel(text, GroupBox1);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    label(u"Nazwa"_s, 20, 18);
    label(u"Telefon"_s, 142, 18);
    QWidget *previous = nullptr;
    const auto box = [this, &previous](const QString &name, int x, int y) {
        auto *edit = new QLineEdit(GroupBox1);
        edit->setObjectName(name);
        edit->setGeometry(x, y, 121, 21);
        edit->setMaxLength(entryWidth);
        edit->installEventFilter(this);
        if (previous) {
            setTabOrder(previous, edit);
        }
        previous = edit;
        return edit;
    };
    for (int n = 1; n <= 8; ++n) {
        const int y = 34 + (n - 1) * 23;
        label(QString::number(n) + u'.', 6, y + 4);
        EN[n] = box(u"EN"_s + QString::number(n), 20, y);
        ET[n] = box(u"ET"_s + QString::number(n), 142, y);
        // The column captions stand over the first row only; a screen reader hears the row too.
        EN[n]->setAccessibleName(u"Nazwa %1"_s.arg(n));
        ET[n]->setAccessibleName(u"Telefon %1"_s.arg(n));
    }

    Button_OK = new QPushButton(u"&OK"_s, this);
    Button_OK->setObjectName(u"Button_OK"_s);
    Button_OK->setGeometry(58, 236, 80, 25);
    Button_Zamknij = new QPushButton(u"&Anuluj"_s, this);
    Button_Zamknij->setObjectName(u"Button_Zamknij"_s);
    Button_Zamknij->setGeometry(146, 236, 80, 25);
    for (QPushButton *button : {Button_OK, Button_Zamknij}) {
        button->setAutoDefault(false);
        button->installEventFilter(this);
    }
    setTabOrder(previous, Button_OK);
    setTabOrder(Button_OK, Button_Zamknij);
    connect(Button_OK, &QPushButton::clicked, this, &TForm_Szybkie::Button_OKClick);
    connect(Button_Zamknij, &QPushButton::clicked, this, &TForm_Szybkie::Button_ZamknijClick);

    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

void TForm_Szybkie::showEvent(QShowEvent *event)
{
    ShellWindow::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm_Szybkie::FormShow()
{
    if (!Form_Main) {
        return;
    }
    const Settings &settings = Form_Main->settings();
    // A box limits what is typed into it, never what the program puts there: a name added from a
    // contact or a value edited in the settings file is shown, and kept by "OK", whole.
    const auto show = [](QLineEdit *box, const QString &text) {
        box->setMaxLength(std::max<int>(entryWidth, int(text.size())));
        box->setText(text);
        box->setCursorPosition(0); // a name longer than the box shows its beginning
    };
    for (int n = 1; n <= 8; ++n) {
        show(EN[n], settings.quickNames[n]);
        show(ET[n], settings.quickNumbers[n]);
    }
    EN[1]->setFocus(Qt::OtherFocusReason);
}

void TForm_Szybkie::Button_OKClick()
{
    if (Form_Main) {
        Settings &settings = Form_Main->settings();
        for (int n = 1; n <= 8; ++n) {
            settings.quickNames[n] = EN[n]->text();
            settings.quickNumbers[n] = ET[n]->text();
        }
    }
    close();
}

void TForm_Szybkie::Button_ZamknijClick()
{
    close();
}

void TForm_Szybkie::closeEvent(QCloseEvent *event)
{
    ShellWindow::closeEvent(event);
    FormClose();
}

void TForm_Szybkie::FormClose()
{
    // The window frees itself once closed; the menu is rebuilt after the icon rule has seen it go.
    Form_Szybkie = nullptr;
    if (Form_Main) {
        connect(this, &QObject::destroyed, Form_Main.data(), [] {
            if (Form_Main) {
                Form_Main->Buduj_Menu();
            }
        });
    }
}

bool TForm_Szybkie::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((mods == Qt::NoModifier || mods == Qt::ShiftModifier) && key->key() >= Qt::Key_F1
            && key->key() <= Qt::Key_F8) {
            event->accept(); // the editor's own keys win over any shortcut
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        return EN1KeyDown(static_cast<QKeyEvent *>(event));
    }
    return ShellWindow::eventFilter(watched, event);
}

bool TForm_Szybkie::EN1KeyDown(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
        focusNextChild();
        return true;
    }
    if (mods == Qt::NoModifier && key == Qt::Key_Escape) {
        close();
        return true;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F8 && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        const int row = key - Qt::Key_F1 + 1;
        (mods == Qt::NoModifier ? EN[row] : ET[row])->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return false;
}
