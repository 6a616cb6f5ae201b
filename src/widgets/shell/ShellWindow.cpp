#include "ShellWindow.h"

#include "Accessibility.h"
#include "TForm_Main.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>

namespace {
int liveWindows = 0;
// The loop of the window shown by execModal(), while one runs.
QPointer<QEventLoop> modalLoop;
} // namespace

ShellWindow::ShellWindow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    ++liveWindows;
}

ShellWindow::~ShellWindow()
{
    --liveWindows;
    if (Form_Main) {
        Form_Main->UstawIkonke();
    }
}

int ShellWindow::openCount()
{
    return liveWindows;
}

Qt::WindowFlags ShellWindow::frameWithoutButtons()
{
    return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

void ShellWindow::execModal()
{
    QEventLoop loop;
    modalLoop = &loop;
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    setWindowModality(Qt::ApplicationModal);
    show();
    loop.exec(QEventLoop::DialogExec);
}

void ShellWindow::abortModal()
{
    // Dialogs running their own loop on top (a message box, the date picker) return as if
    // cancelled, so the loops under them can end too.
    const auto windows = QApplication::topLevelWidgets();
    QList<QPointer<QDialog>> dialogs;
    for (QWidget *w : windows) {
        if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible() && dialog->isModal()) {
            dialogs.append(dialog);
        }
    }
    for (const QPointer<QDialog> &dialog : std::as_const(dialogs)) {
        if (dialog) {
            dialog->reject();
        }
    }
    if (modalLoop) {
        modalLoop->quit();
    }
}

void ShellWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Accessibility::nameControls(this);
    if (Form_Main) {
        Form_Main->setTrayIcon(TForm_Main::IconOpen);
    }
}
