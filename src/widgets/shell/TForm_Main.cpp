#include "TForm_Main.h"

#include "DesktopNotifier.h"
#include "ShellWindow.h"

#include "core/alarms/AlarmScheduler.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/BuildConfig.h"
#include "core/common/DateText.h"
#include "core/common/DesktopOpen.h"
#include "core/common/IniFile.h"
#include "core/telephony/DialNumber.h"
#include "core/telephony/TTAPILine.h"
#include "widgets/about/TForm_Inform.h"
#include "widgets/appointments/TForm_Terminy.h"
#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/calc/TForm_Kalk.h"
#include "widgets/contacts/TForm_Notatniczek.h"
#include "widgets/sync/SyncController.h"
#include "widgets/sync/TForm_Synchronizacja.h"
#include "widgets/telephony/TformDialing.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

// Referencing the resource initializer keeps the pictures linked in from the static library.
static void initShellResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

QIcon trayImage(int index)
{
    return QIcon(QStringLiteral(":/icons/tray%1.png").arg(index));
}

QIcon menuImage(int index)
{
    return QIcon(QStringLiteral(":/icons/menu%1.png").arg(index));
}

} // namespace

TForm_Main::TForm_Main(Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    initShellResources();
    setObjectName(QStringLiteral("Form_Main"));
    Form_Main = this;
    lineDeviceCount = [this] {
        return TAPILine1 ? int(TAPILine1->deviceCount()) : 0;
    };
    FormCreate();
}

TForm_Main::~TForm_Main()
{
    // The line goes first, while its handlers here still work: it drops the call and closes the line.
    delete TAPILine1;
    TAPILine1 = nullptr;
    // Windows still open when the program ends go without their close steps.
    Form_Main = nullptr;
    // Deleting a window also deletes the pop-ups it owns (a combo box's list is a top-level
    // widget too), so the windows are picked out first and followed by guarded pointers.
    QList<QPointer<ShellWindow>> shellWindows;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *shellWindow = qobject_cast<ShellWindow *>(w)) {
            shellWindows.append(shellWindow);
        }
    }
    for (const QPointer<ShellWindow> &w : std::as_const(shellWindows)) {
        delete w.data();
    }
}

QString TForm_Main::settingsPath() const
{
    return m_services.dataPath(QStringLiteral("Morwinek.ini"));
}

void TForm_Main::FormCreate()
{
    m_webPage = QString::fromUtf8(BuildConfig::webPage);
    m_authorEmail = QString::fromUtf8(BuildConfig::authorEmail);
    INIOdczytaj(settingsPath());
    createLine();
    createTray();
    setTrayIcon(IconIdle);
    // Alarms first: they come while the start-up reminder waits for the user too.
    startAlarms();
    startupReminder();
    Autostart::apply(m_services.autostart, Autostart::QueryAndClean, m_services.executablePath);
    m_sync = new SyncController(m_services, m_settings, this);
    m_sync->setObjectName(QStringLiteral("Synchronizacja"));
    // An automatic sync that failed says so at the tray, where a user who never opens the sync
    // window looks: a message once per outage (not at every attempt) and one when it is over; the
    // tooltip keeps saying it until a sync succeeds.
    connect(m_sync, &SyncController::automaticFailed, this, [this](const QString &error, bool newOutage) {
        const QString text = QStringLiteral("Synchronizacja nie powiodła się: ") + error;
        RxTrayIcon1->setToolTip(QStringLiteral("Morwinek\n") + text);
        if (newOutage) {
            showSyncMessage(text, QSystemTrayIcon::Warning);
        }
    });
    connect(m_sync, &SyncController::recovered, this, [this] {
        showSyncMessage(QStringLiteral("Synchronizacja znów działa."), QSystemTrayIcon::Information);
    });
    connect(m_sync, &SyncController::finished, this, [this](const SyncOutcome &outcome) {
        if (outcome.ok) {
            RxTrayIcon1->setToolTip(QStringLiteral("Morwinek"));
        }
    });
    connect(m_sync, &SyncController::pausedChanged, this, [this](bool paused) {
        RxTrayIcon1->setToolTip(paused ? QStringLiteral("Morwinek\n") + SyncController::pausedText()
                                       : QStringLiteral("Morwinek"));
    });
    connect(RxTrayIcon1, &QSystemTrayIcon::messageClicked, this, &TForm_Main::trayMessageClicked);
    m_sync->scheduleStartup();
}

void TForm_Main::startAlarms()
{
    m_notifier = new DesktopNotifier(m_services.notifier, this);
    m_alarms = new AlarmScheduler(
        m_services.clock,
        m_services.dataDir,
        [this] {
            return m_settings.range;
        },
        *m_notifier,
        m_services.wakeTimer,
        this);
    connect(m_alarms, &AlarmScheduler::openRequested, this, &TForm_Main::TerminyClick);
    // Whoever writes the appointments (the window, a sync, the command line), the plan follows.
    auto *watcher = new QFileSystemWatcher({m_services.dataDir}, this);
    auto *settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(200);
    connect(watcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, m_alarms, [this] {
        m_alarms->check();
    });
    m_alarms->start();
}

void TForm_Main::trayMessageClicked()
{
    // The tray's messages are the sync's; alarms never go there.
    SynchronizacjaClick();
}

bool TForm_Main::INIOdczytaj(const QString &path)
{
    IniFile ini(path);
    const bool readable = ini.load();
    m_settings.read(ini); // an unreadable file reads as an empty one: every default
    return readable;
}

bool TForm_Main::INIZapisz(const QString &path, QString *error)
{
    IniFile ini(path);
    // Keys and sections of other programs survive, so the current file is the starting point.
    if (!ini.load(error)) {
        return false;
    }
    m_settings.write(ini);
    return ini.save(error);
}

void TForm_Main::saveSettings(QWidget *parent)
{
    QString error;
    if (!INIZapisz(settingsPath(), &error)) {
        m_services.showError(parent, error);
    }
}

void TForm_Main::createTray()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char *name, const QString &caption, int image, void (TForm_Main::*slot)()) {
        QAction *action = PopupMenu1->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (image >= 0) {
            action->setIcon(menuImage(image));
        }
        if (slot) {
            connect(action, &QAction::triggered, this, slot);
        }
        return action;
    };
    const auto separator = [this](const char *name) {
        QAction *action = PopupMenu1->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };

    Pomoc1 = item("Pomoc1", QStringLiteral("Pomoc internetowa"), 8, &TForm_Main::Pomoc1Click);
    N4 = separator("N4");
    N4->setVisible(false);
    for (int n = 1; n <= 8; ++n) {
        MI[n] = item(QStringLiteral("MI%1").arg(n).toLatin1().constData(), QString(), 6, &TForm_Main::MI8Click);
        MI[n]->setVisible(false);
        MI[n]->setEnabled(false);
    }
    N2 = separator("N2");
    Synchronizacja =
        item("Synchronizacja", QStringLiteral("Morwinek - Synchronizacja"), 10, &TForm_Main::SynchronizacjaClick);
    Informacje = item("Informacje", QStringLiteral("Morwinek - Informacje"), 2, &TForm_Main::InformacjeClick);
    Biorytmy = item("Biorytmy", QStringLiteral("Morwinek - Biorytmy"), 1, &TForm_Main::BiorytmyClick);
    Kalkulacje = item("Kalkulacje", QStringLiteral("Morwinek - Kalkulacje"), 9, &TForm_Main::KalkulacjeClick);
    Terminy = item("Terminy", QStringLiteral("Morwinek - Terminy"), 4, &TForm_Main::TerminyClick);
    Kontakty = item("Kontakty", QStringLiteral("Morwinek - Kontakty"), 0, &TForm_Main::KontaktyClick);
    N1 = separator("N1");
    Zakoncz1 = item("Zakoncz1", QStringLiteral("Zakończ"), -1, &TForm_Main::Zakoncz1Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm_Main::PopupMenu1Popup);

    RxTrayIcon1 = new QSystemTrayIcon(this);
    RxTrayIcon1->setObjectName(QStringLiteral("RxTrayIcon1"));
    RxTrayIcon1->setToolTip(QStringLiteral("Morwinek"));
    RxTrayIcon1->setContextMenu(PopupMenu1);
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) {
            KontaktyClick();
        }
    });
}

void TForm_Main::setTrayIcon(int index)
{
    m_iconIndex = index;
    if (RxTrayIcon1) {
        RxTrayIcon1->setIcon(trayImage(index));
        if (!RxTrayIcon1->isVisible() && QSystemTrayIcon::isSystemTrayAvailable()) {
            RxTrayIcon1->show();
        }
    }
    emit trayIconChanged(index);
}

void TForm_Main::UstawIkonke()
{
    if (ShellWindow::openCount() == 0) {
        setTrayIcon(IconIdle);
    }
}

void TForm_Main::startupReminder()
{
    // The dates near today first, without the window and its list of every contact's name: the
    // window is made only when it is shown or has an error to tell.
    AppointmentList dates;
    const bool readable = dates.build(
        m_services.dataDir, m_services.today(), m_settings.range, nullptr, AppointmentList::Persons::Skipped);
    if (readable && (dates.entries().isEmpty() || m_settings.autoReminder != 1)) {
        if (!dates.entries().isEmpty()) {
            m_services.prompter.beep(Prompter::Exclamation);
            setTrayIcon(IconDue);
        }
        return;
    }
    // Creating the window builds its list; it is shown only when it has something to say.
    Form_Terminy = new TForm_Terminy(m_services);
    bool due = false;
    if (Form_Terminy->entryCount() > 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        if (m_settings.autoReminder == 1) {
            Form_Terminy->execModal(); // frees the window when the user closes it
        } else {
            due = true;
        }
    }
    // Freeing the window applies the icon rule, so the reminder's red icon is set after it.
    delete Form_Terminy.data();
    Form_Terminy = nullptr;
    if (due) {
        setTrayIcon(IconDue);
    }
}

void TForm_Main::raiseApplication()
{
    // The program's open windows come forward together; the caller then raises its own on top.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (qobject_cast<ShellWindow *>(w) && w->isVisible()) {
            w->raise();
        }
    }
}

void TForm_Main::showContactsForLaterStart()
{
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
        return;
    }
    if (!Form_Notatniczek) {
        KontaktyClick();
        return;
    }
    Form_Notatniczek->setWindowState((Form_Notatniczek->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raiseApplication();
    Form_Notatniczek->raise();
    Form_Notatniczek->activateWindow();
}

void TForm_Main::KontaktyClick()
{
    openWindow(Form_Notatniczek, {}, RaiseAfterOpening);
}

void TForm_Main::TerminyClick()
{
    openWindow(Form_Terminy);
}

void TForm_Main::BiorytmyClick()
{
    TForm_Biorytmy::openFor(m_settings.birthday);
}

void TForm_Main::KalkulacjeClick()
{
    openWindow<TForm_Kalk>(Form_Kalk);
}

void TForm_Main::SynchronizacjaClick()
{
    const bool paused = m_sync && m_sync->paused() && !Form_Synchronizacja;
    openWindow(Form_Synchronizacja);
    // Automatic syncs waiting for a password: the user came for them, so it is asked now.
    if (paused && Form_Synchronizacja) {
        (void)m_sync->resume();
    }
}

void TForm_Main::showSyncMessage(const QString &text, QSystemTrayIcon::MessageIcon icon)
{
    if (RxTrayIcon1->isVisible() && QSystemTrayIcon::supportsMessages()) {
        RxTrayIcon1->showMessage(QStringLiteral("Morwinek - Synchronizacja"), text, icon);
    }
}

void TForm_Main::InformacjeClick()
{
    openWindow(Form_Inform, {}, RaiseFirst);
}

QString TForm_Main::helpPage() const
{
    // Beside the executable (the build folder, a carried copy), then where an install puts it.
    const QDir exeDir = QFileInfo(m_services.executablePath).absoluteDir();
    for (const QString &candidate : {exeDir.filePath(QStringLiteral("index.html")),
                                     exeDir.filePath(QStringLiteral("../share/morwinek/pomoc/index.html"))}) {
        if (QFileInfo::exists(candidate)) {
            return QDir::cleanPath(candidate);
        }
    }
    return {};
}

void TForm_Main::Pomoc1Click()
{
    const QString local = helpPage();
    if (local.isEmpty() && m_webPage.isEmpty()) {
        m_services.prompter.messageBox(this,
                                       QStringLiteral("Nie znaleziono pomocy: obok programu nie ma pliku index.html."),
                                       QStringLiteral("Informacja!"),
                                       MB_OK | MB_ICONINFORMATION);
        return;
    }
    const QUrl page = local.isEmpty() ? QUrl(m_webPage + QStringLiteral("pomoc.html")) : QUrl::fromLocalFile(local);
    // When nothing on this desktop opens web pages, say where the help is, so it can be read anyway.
    DesktopOpen::openOrTell(m_services,
                            this,
                            page,
                            QStringLiteral("Nie udało się otworzyć pomocy w przeglądarce.\n"
                                           "Pomoc można przeczytać, otwierając w przeglądarce:\n")
                                + (local.isEmpty() ? page.toString() : local));
}

void TForm_Main::Zakoncz1Click()
{
    // The end can be asked for before the main loop runs (from the start-up reminder), when
    // quit() alone would be lost: the flag tells the program entry not to start the loop at all.
    m_endRequested = true;
    ShellWindow::abortModal();
    QApplication::quit();
}

void TForm_Main::PopupMenu1Popup()
{
    Buduj_Menu();
}

void TForm_Main::Buduj_Menu()
{
    if (lineDeviceCount() == 0) {
        N4->setVisible(false);
        return;
    }
    bool anyShown = false;
    for (int n = 1; n <= 8; ++n) {
        QAction *mi = MI[n];
        const QString &name = m_settings.quickNames[n];
        const QString &number = m_settings.quickNumbers[n];
        if (name.isEmpty()) {
            mi->setVisible(false);
            continue;
        }
        mi->setText(name);
        mi->setVisible(true);
        anyShown = true;
        if (!number.isEmpty()) {
            mi->setToolTip(number);
            mi->setStatusTip(number);
            mi->setEnabled(true);
        } else {
            mi->setEnabled(false);
        }
    }
    N4->setVisible(anyShown);
}

void TForm_Main::createLine()
{
    try {
        TAPILine1 = new TTAPILine(m_services.lineApi, m_services.prompter, m_services.clock, [] {
            return std::make_unique<TformDialing>();
        });
    } catch (const TelephonyError &error) {
        // Without the telephony interface the organiser still works, as on a computer without a modem.
        m_services.showError(nullptr, error.text());
        return;
    }
    TAPILine1->setParent(this);
    TAPILine1->setObjectName(QStringLiteral("TAPILine1"));
    TAPILine1->WaitForCall = true;
    TAPILine1->DeviceDirectAccess = false;
    TAPILine1->Timeout = 5;
    const auto dropCall = [this](QObject *) {
        TAPILine1DropCall();
    };
    TAPILine1->OnBusy = dropCall;
    TAPILine1->OnDropCall = dropCall;
    TAPILine1->OnUnexpectedClose = dropCall;
}

void TForm_Main::TAPILine1DropCall()
{
    if (TAPILine1) {
        TAPILine1->CloseLine();
    }
}

void TForm_Main::MI8Click()
{
    if (auto *item = qobject_cast<QAction *>(sender())) {
        Dzwon(item->statusTip());
    }
}

void TForm_Main::Dzwon(const QString &number)
{
    const DialingView *window = TTAPILine::dialingWindow();
    if ((window && window->isDialingShown()) || lineDeviceCount() == 0 || !TAPILine1) {
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(nullptr,
                                       QStringLiteral("W tym komputerze nie zainstalowano modemu!"),
                                       QStringLiteral("Błąd!"),
                                       MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Blanks and control characters around the number do not count.
    if (FixedText::trimmed(number).isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    const QString dialled = DialNumber::withTrunkPause(number);
    try {
        TAPILine1->WaitForCall = false;
        TAPILine1->DeviceDirectAccess = false;
        TAPILine1->setDevIdToInitialize(0);
        TAPILine1->PhoneNumber = dialled;
        TAPILine1->OpenLine();
        TAPILine1->MakeCall();
    } catch (const TelephonyError &error) {
        m_services.showError(nullptr, error.text());
    }
}
