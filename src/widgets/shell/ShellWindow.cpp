#include "ShellWindow.h"

#include "Accessibility.h"
#include "TForm_Main.h"

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
