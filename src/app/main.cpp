#include "AgendaCommand.h"
#include "ExchangeCommands.h"
#include "SyncCommand.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/common/CommandLine.h"
#include "core/common/DataFolder.h"
#include "core/common/IniFile.h"
#include "core/common/Settings.h"
#include "core/sync/DavSyncEngine.h"
#include "core/sync/SyncState.h"
#include "platform/linux/DBusNotifier.h"
#include "platform/linux/DataFolderLock.h"
#include "platform/linux/InstanceChannel.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/KeychainPasswordStore.h"
#include "platform/linux/SerialLineApi.h"
#include "platform/linux/TimerFdWakeTimer.h"
#include "platform/linux/UserName.h"
#include "platform/linux/XdgAutostartStore.h"
#include "platform/linux/XdgShellOpener.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/ImportWaitWindow.h"
#include "widgets/shell/MorwinekApplication.h"
#include "widgets/shell/PolishTranslations.h"
#include "widgets/shell/QtPrompter.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/shell/TrayFallbackWindow.h"

#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTextStream>
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
        } else if (QWidget *modal = QApplication::activeModalWidget()) {
            modal->close(); // the wait for an import: the start is given up
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

// The organiser runs for days: each job takes today's date and the range of the settings anew.
class OrganiserSyncEngine final : public DavSyncEngine
{
public:
    explicit OrganiserSyncEngine(const Services &services)
        : DavSyncEngine(services.dataDir)
        , m_services(services)
    {}
    void synchronize(const SyncAccount &account) override
    {
        setClock(&m_services.clock);
        if (Form_Main) {
            setRange(Form_Main->settings().range);
        }
        DavSyncEngine::synchronize(account);
    }

private:
    const Services &m_services;
};

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.action != CommandLine::Run) {
        return commandLine.report(); // --help, --version or a mistake: no lock, no window, no file
    }
    // The agenda only reads: no lock, no window, beside a running organiser.
    if (commandLine.agendaDays > 0) {
        return AgendaCommand::run(argc, argv, commandLine);
    }
    // The sync password's keyring, for the command and for the organiser.
    KeychainPasswordStore keyring;
    if (commandLine.sync || commandLine.restoreDeleted) {
        return SyncCommand::run(argc, argv, commandLine, &keyring);
    }
    // Export and import run without a window and beside a running organiser.
    if (!commandLine.exchange.isEmpty()) {
        return ExchangeCommands::run(argc, argv, commandLine);
    }

    // A second copy ends here, before it creates a window or touches a file: it asks the running
    // one to show its contacts window, as a start from the desktop menu means.
    InstanceLock instance;
    if (!instance.tryLock()) {
        QCoreApplication client(argc, argv);
        (void)InstanceChannel(instance.path()).askToShow(5000);
        return 0;
    }

    MorwinekApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morwinek"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.morwinek"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tray1.png")));
    QApplication::setQuitOnLastWindowClosed(false);
    PolishTranslations::install(app);
    Fonts::install();
    quitOnSignals(app);
    InstanceChannel channel(instance.path());
    QObject::connect(&channel, &InstanceChannel::showRequested, &app, [] {
        if (Form_Main) {
            Form_Main->showContactsForLaterStart();
        } else if (QWidget *modal = QApplication::activeModalWidget()) {
            modal->raise();
            modal->activateWindow();
        }
    });
    (void)channel.listen();

    QtPrompter prompter;
    const QString dataDir = DataFolder::choose(commandLine.dataDir, QApplication::applicationDirPath());
    if (QString error; !DataFolder::ensure(dataDir, &error)) {
        prompter.messageBox(nullptr, error, QStringLiteral("Błąd!"), MB_OK | MB_ICONSTOP);
        return 1;
    }
    XdgShellOpener shell;
    SystemClock clock;
    XdgAutostartStore autostart({}, commandLine.startArguments());
    Services services{prompter,
                      shell,
                      clock,
                      autostart,
                      QApplication::applicationDirPath(),
                      QApplication::applicationFilePath(),
                      UserName::defaultUserName};
    services.dataDir = dataDir;
    // The modems on serial ports, as the settings name them or as found at start.
    IniFile ini(services.dataPath(QStringLiteral("Morwinek.ini")));
    Settings modemSettings;
    if (ini.load()) {
        modemSettings.readModem(ini);
    }
    SerialLineApi lineApi(SerialLineApi::configFromSettings(modemSettings));
    services.lineApi = &lineApi;
    app.errorDisplay = [&services](const QString &text) {
        services.showError(nullptr, text);
    };
    DailyBackup backup(clock, [&services](const QString &text) {
        services.showError(nullptr, text);
    });
    services.backup = &backup;
    // Edits of synced appointments are recorded, so the sync changes the same events.
    const AppointmentEdits appointmentEdits(services.dataDir, [&services] {
        return QFileInfo::exists(services.dataPath(QString::fromLatin1(SyncState::fileName)));
    });
    services.appointmentEdits = &appointmentEdits;
    services.identifierReserve = &SyncState::knownIdentifiers;
    services.exportUids = &SyncState::exportUids;
    services.passwords = &keyring;
    // Alarms: the desktop's notification service, and a timer that sees sleeps and clock changes.
    DBusNotifier notifier;
    services.notifier = &notifier;
    TimerFdWakeTimer wakeTimer;
    if (wakeTimer.isValid()) {
        services.wakeTimer = &wakeTimer;
    }
    // Tells a command-line import that the organiser holds this folder's contacts in memory.
    // While an import writes the folder, the start waits for it in sight, or is given up.
    DataFolderLock folderLock(services.dataDir);
    services.makeSyncEngine = [&services, &backup, &folderLock]() -> std::unique_ptr<SyncEngine> {
        auto engine = std::make_unique<OrganiserSyncEngine>(services);
        engine->setBackup(&backup);
        engine->setFolderAlone([&folderLock] {
            return folderLock.aloneNow();
        });
        return engine;
    };
    if (!folderLock.tryLockShared()) {
        QTextStream(stderr) << ImportWaitWindow::message(services.dataDir) << Qt::endl;
        ImportWaitWindow waiting(services.dataDir, [&folderLock] {
            return folderLock.tryLockShared();
        });
        if (!waiting.wait()) {
            return 0;
        }
    }

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
