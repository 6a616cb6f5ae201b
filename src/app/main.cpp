#include "platform/linux/InstanceLock.h"
#include "platform/linux/UserName.h"
#include "platform/linux/XdgAutostartStore.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/MorwinekApplication.h"
#include "widgets/shell/QtPrompter.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/shell/TrayFallbackWindow.h"

#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT (a session ending, a service manager) end the program as "Zakończ" does,
// also while a modal window is open.
void quitOnSignals(QApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        return;
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
        // quit() alone is lost before the main loop runs (the start-up reminder) and leaves a
        // modal window open; the main window's end request covers both.
        if (Form_Main) {
            Form_Main->Zakoncz1Click();
        } else {
            QApplication::quit();
        }
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    // A second copy ends here, before it creates a window or touches a file.
    InstanceLock instance;
    if (!instance.tryLock()) {
        return 0;
    }

    MorwinekApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morwinek"));
    QApplication::setQuitOnLastWindowClosed(false);
    Fonts::install();
    quitOnSignals(app);

    QtPrompter prompter;
    DesktopShellOpener shell;
    SystemClock clock;
    XdgAutostartStore autostart;
    Services services{prompter,
                      shell,
                      clock,
                      autostart,
                      QApplication::applicationDirPath(),
                      QApplication::applicationFilePath(),
                      UserName::defaultUserName};
    app.errorDisplay = [&services](const QString &text) {
        services.showError(nullptr, text);
    };

    auto *mainWindow = new TForm_Main(services);
    TrayFallbackWindow *fallback = nullptr;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        fallback = new TrayFallbackWindow(mainWindow->PopupMenu1);
        QObject::connect(mainWindow, &TForm_Main::trayIconChanged, fallback, [fallback](int index) {
            fallback->setWindowIcon(QIcon(QStringLiteral(":/icons/tray%1.png").arg(index)));
        });
        fallback->setWindowIcon(QIcon(QStringLiteral(":/icons/tray%1.png").arg(mainWindow->trayIconIndex())));
        fallback->show();
    }
    QObject::connect(&app, &QGuiApplication::commitDataRequest, mainWindow, [mainWindow] {
        mainWindow->saveSettings();
    });

    const int result = mainWindow->endRequested() ? 0 : QApplication::exec();

    mainWindow->saveSettings();
    delete fallback;
    delete mainWindow;
    return result;
}
