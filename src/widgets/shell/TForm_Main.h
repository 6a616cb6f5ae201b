#pragma once

#include "core/common/Services.h"
#include "core/common/Settings.h"

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>

#include <array>
#include <functional>

class AlarmScheduler;
class DesktopNotifier;
class QAction;
class QMenu;
class QSystemTrayIcon;
class SyncController;
class TTAPILine;

// The hub of the program, never shown: the settings in memory, the tray icon and its menu,
// and the opening of every secondary window (at most one of each kind).
class TForm_Main : public QWidget
{
    Q_OBJECT
public:
    enum TrayIcon
    {
        IconIdle = 0,
        IconOpen = 1,
        IconDue = 2
    };

    // Runs the start-up sequence: reads the settings from the data folder, sets up the tray,
    // reminds of due appointments and cleans up the start-at-login entry.
    explicit TForm_Main(Services &services, QWidget *parent = nullptr);
    ~TForm_Main() override;

    Services &services() { return m_services; }
    Settings &settings() { return m_settings; }
    // The project's addresses from the build configuration; empty where none was configured.
    const QString &webPage() const { return m_webPage; }
    const QString &authorEmail() const { return m_authorEmail; }
    void setProjectAddresses(const QString &webPage, const QString &authorEmail)
    {
        m_webPage = webPage;
        m_authorEmail = authorEmail;
    }
    QString settingsPath() const;
    // The local user's manual: "index.html" beside the executable or in the installed help folder;
    // empty when there is none (the web page is the help then).
    QString helpPage() const;

    bool INIOdczytaj(const QString &path);
    // Writes every setting; false with the system's error text when the file cannot be replaced.
    [[nodiscard]] bool INIZapisz(const QString &path, QString *error = nullptr);
    // INIZapisz on the program's settings file, showing a failure to the user.
    void saveSettings(QWidget *parent = nullptr);

    // A later start of the program: the contacts window in front, opened if need be, without the
    // beep of a second menu choice; an open modal window keeps the front.
    void showContactsForLaterStart();

    // The icon rule: back to idle once no secondary window is left.
    void UstawIkonke();
    void setTrayIcon(int index);
    int trayIconIndex() const { return m_iconIndex; }
    // True once "Zakończ" (or a window's quit key) has asked the program to end.
    bool endRequested() const { return m_endRequested; }

    // The tray, and the menu's actions by their names.
    QSystemTrayIcon *RxTrayIcon1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Pomoc1 = nullptr;
    QAction *N4 = nullptr;
    std::array<QAction *, 9> MI{}; // MI[1] .. MI[8]
    QAction *N2 = nullptr;
    QAction *Synchronizacja = nullptr;
    QAction *Informacje = nullptr;
    QAction *Biorytmy = nullptr;
    QAction *Kalkulacje = nullptr;
    QAction *Terminy = nullptr;
    QAction *Kontakty = nullptr;
    QAction *N1 = nullptr;
    QAction *Zakoncz1 = nullptr;

    // The telephone line; null when the telephony interface could not be started.
    TTAPILine *TAPILine1 = nullptr;
    // How many telephony line devices there are: those of TAPILine1, none without it.
    std::function<int()> lineDeviceCount;
    // Dials the number through TAPILine1; refusals beep (and say why when a modem is missing).
    void Dzwon(const QString &number);

    // The sync with a CardDAV/CalDAV server: its engine, the automatic timer and the last result.
    SyncController *sync() const { return m_sync; }
    // Alarms of appointments and the day's dates while the program runs.
    AlarmScheduler *alarms() const { return m_alarms; }

    // Opens a secondary window of one kind: beeps when one is open already, otherwise creates it,
    // runs setup and shows it; brings it to the front in both cases.
    enum RaiseApplication
    {
        RaiseNever,
        RaiseFirst,
        RaiseAfterOpening
    };
    template <class W>
    W *
    openWindow(QPointer<W> &reference, const std::function<void(W &)> &setup = {}, RaiseApplication raise = RaiseNever);

public slots:
    void KontaktyClick();
    void TerminyClick();
    void BiorytmyClick();
    void KalkulacjeClick();
    void SynchronizacjaClick();
    void InformacjeClick();
    void Pomoc1Click();
    void Zakoncz1Click();
    void PopupMenu1Popup();
    void Buduj_Menu();
    void MI8Click();
    void TAPILine1DropCall();

signals:
    void trayIconChanged(int index);

private:
    void FormCreate();
    void createTray();
    void startupReminder();
    void raiseApplication();
    void createLine();
    void startAlarms();
    void trayMessageClicked();
    // A message of the sync at the tray icon, where the desktop shows them.
    void showSyncMessage(const QString &text, QSystemTrayIcon::MessageIcon icon);

    Services &m_services;
    Settings m_settings;
    QString m_webPage;
    QString m_authorEmail;
    int m_iconIndex = IconIdle;
    bool m_endRequested = false;
    SyncController *m_sync = nullptr;
    DesktopNotifier *m_notifier = nullptr;
    AlarmScheduler *m_alarms = nullptr;
};

// The one main window; the other windows reach it through this.
inline QPointer<TForm_Main> Form_Main;

template <class W>
W *TForm_Main::openWindow(QPointer<W> &reference, const std::function<void(W &)> &setup, RaiseApplication raise)
{
    if (raise == RaiseFirst) {
        raiseApplication();
    }
    if (reference) {
        m_services.prompter.beep(Prompter::Exclamation);
    } else {
        reference = new W(m_services);
        if (setup) {
            setup(*reference);
        }
        reference->show();
        if (raise == RaiseAfterOpening) {
            raiseApplication();
        }
    }
    if (reference) {
        reference->raise();
        reference->activateWindow();
    }
    return reference;
}
