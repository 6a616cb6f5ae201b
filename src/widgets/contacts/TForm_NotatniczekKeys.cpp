// The contacts window's keyboard: the window's own keys and the postal-code fields' leaving.

#include "ContactEditors.h"
#include "TForm_Notatniczek.h"

#include "widgets/shell/TForm_Main.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

using namespace Qt::Literals::StringLiterals;

bool TForm_Notatniczek::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == Edit_DomKod || watched == Edit_PracaKod)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            Edit_KodExit(static_cast<QLineEdit *>(watched));
        }
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride && watched == ComboBox_Nazwa->view()
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Esc reaches the key handler, which closes the list itself
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && isWindowKey(static_cast<QKeyEvent *>(event))) {
        event->accept(); // the window's keys win over mnemonics such as "&Notatki"
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        return FormKeyDown(watched, static_cast<QKeyEvent *>(event));
    }
    return ShellWindow::eventFilter(watched, event);
}

bool TForm_Notatniczek::isWindowKey(const QKeyEvent *event) const
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::NoModifier && key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        return true;
    }
    if (mods == (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) && key == Qt::Key_Q) {
        return true;
    }
    return (mods == Qt::ControlModifier || mods == Qt::AltModifier)
           && (key == Qt::Key_F || key == Qt::Key_M || key == Qt::Key_N || key == Qt::Key_P || key == Qt::Key_S);
}

bool TForm_Notatniczek::FormKeyDown(QObject *watched, QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool inList = watched == ComboBox_Nazwa->view();

    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (inList || ComboBox_Nazwa->isDroppedDown()) {
            ComboBox_Nazwa->hidePopup();
            Dane_Czytaj(m_position);
        } else {
            close();
        }
        return true;
    }
    if (inList) {
        return false; // the dropped-down list moves and picks as usual
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        if (watched == Memo_Notatki) {
            return false;
        }
        // A selected entry is shown, the current one too: reading it again drops unsaved edits,
        // as picking it does. Browsing and rebuilding the list clear the selection.
        const int selected = ComboBox_Nazwa->currentIndex();
        if (selected >= 0 && selected < m_book.count()) {
            m_position = selected;
            Dane_Czytaj(selected);
        } else {
            focusNextChild();
        }
        return true;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && mods == Qt::NoModifier) {
        if (watched == Memo_Notatki) {
            return false;
        }
        if (!ComboBox_Nazwa->isDroppedDown() && isPositionValid()) {
            setSelection(m_position);
        }
        return false;
    }
    if (!isWindowKey(event)) {
        return false;
    }
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_F5:
            Button_PierwszyClick();
            return true;
        case Qt::Key_F6:
            Button_PoprzedniClick();
            return true;
        case Qt::Key_F7:
            Button_NastepnyClick();
            return true;
        case Qt::Key_F8:
            Button_OstatniClick();
            return true;
        case Qt::Key_F9:
        case Qt::Key_F10:
        case Qt::Key_F11:
        case Qt::Key_F12:
            PageControl1->setCurrentIndex(key - Qt::Key_F9);
            return true;
        case Qt::Key_F1:
            SB_TelDomClick();
            return true;
        case Qt::Key_F2:
            SB_TelSluClick();
            return true;
        case Qt::Key_F3:
            SB_TelKomClick();
            return true;
        default:
            return true;
        }
    }
    if (key == Qt::Key_Q) {
        if (Form_Main) {
            Form_Main->Zakoncz1Click(); // at once, without the close steps
        }
        return true;
    }
    switch (key) {
    case Qt::Key_M:
        Button_EmailClick();
        break;
    case Qt::Key_N:
        Button_DodajClick();
        break;
    case Qt::Key_S:
        Button_ZapiszClick();
        break;
    case Qt::Key_F:
        Button_SzukajClick();
        break;
    case Qt::Key_P:
        druk1Click();
        break;
    default:
        break;
    }
    return true;
}
