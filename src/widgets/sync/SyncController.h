#pragma once

#include "core/common/Services.h"
#include "core/sync/SyncEngine.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

struct Settings;
class QTimer;
class QWidget;

// The main window's sync: one engine, shared by the sync window and the timer, one job at a time.
// A job starts only while no contacts or appointments window holds unsaved changes. While it runs
// those windows stay open to browsing, searching, dialling and closing, but take no edits (the job
// writes the files from what it read), and they read their files again when it ends, so nothing
// typed is lost and nothing stale is written back over what the job brought.
class SyncController : public QObject
{
    Q_OBJECT
public:
    enum Trigger
    {
        ByHand,
        Automatic
    };
    // Why a job cannot start now.
    enum class Block
    {
        None,
        NoEngine,
        NotConnected,
        NoPassword,
        Busy,
        ContactsUnsaved,
        AppointmentsUnsaved,
        Dialog,
        Paused
    };

    SyncController(Services &services, Settings &settings, QObject *parent = nullptr);
    ~SyncController() override;

    // Made on first use; null when the program has no engine.
    SyncEngine *engine();
    bool busy() const;
    Block block() const;
    // The reason as a sentence for the user; empty for Block::None.
    static QString text(Block block);

    // Starts one job over the stored account; the reason when it did not start. An automatic job
    // that has to wait for the user is tried again a minute later.
    Block start(Trigger trigger);
    // Ends the running job at its next safe point, as a kill would but losing nothing: what it
    // confirmed is kept and the next job completes the rest. False when no job runs.
    bool cancel();
    // The stored account with the given password.
    SyncAccount account(const QString &password) const;

    // The password of the stored address and user: this run's, else the keyring's, else (when
    // mayAsk) asked of the user, at most once per run.
    std::optional<QString> password(bool mayAsk);
    // This run's password of the stored address and user, kept in memory only; resumes automatic
    // syncs paused for want of it.
    void setPassword(const QString &password);

    // Automatic syncs stop when the user declines to give the password they need, until the user
    // asks for a sync again: then the password is asked anew and a job runs.
    bool paused() const { return m_paused; }
    Block resume();
    // What the tray and the sync window say while automatic syncs are paused.
    static QString pausedText();
    // What a contacts or appointments window says when asked to change its file while a job runs.
    static QString editsHeldText();
    // The caption a window shows while a sync runs and it takes no edits.
    static QString heldTitle(const QString &title);

    // Starts the timer anew with the settings' interval; stopped at 0 minutes.
    void reschedule();
    // The automatic job after start-up, once the main loop runs.
    void scheduleStartup();
    bool retryPending() const;
    int intervalMinutes() const;

    // This run's last job, else the one recorded in "Morwinek.ini" (by an earlier run or "--sync").
    const std::optional<SyncOutcome> &lastOutcome() const { return m_last; }

    // Asks the user for the password; nullopt when declined. A dialog, unless a test puts another.
    std::function<std::optional<QString>(const QString &prompt)> askPassword;

signals:
    void started();
    void finished(const SyncOutcome &outcome);
    // An automatic job ended with an error, which nobody may be watching the window for; newOutage
    // is true for the first failure since the last job that succeeded.
    void automaticFailed(const QString &error, bool newOutage);
    // A job succeeded after automatic ones had failed.
    void recovered();
    void pausedChanged(bool paused);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Block startJob(Trigger trigger, bool mayAsk);
    void setPaused(bool paused);
    void engineFinished(const SyncOutcome &outcome);
    // A job by hand that stopped before deleting many items here, or before copying the book into
    // a collection that holds items, asks the user, and runs again as the user answered.
    bool askHeld(const SyncOutcome &outcome);
    // The question for held deletions: delete here, keep here and send back, or change nothing.
    SyncAccount::Deletions askDeletions(const SyncOutcome::Held &held);
    // Tells the open contacts and appointments windows whether a job runs.
    void holdEdits(bool running);
    QString accountKey() const;

    Services &m_services;
    Settings &m_settings;
    std::unique_ptr<SyncEngine> m_engine;
    bool m_running = false;
    Trigger m_trigger = ByHand;
    QTimer *m_timer = nullptr;
    QTimer *m_retry = nullptr;
    bool m_cancelled = false; // the user ended the running job
    std::optional<SyncOutcome> m_last;
    // This run's password and the address and user it belongs to.
    std::optional<QString> m_password;
    QString m_passwordKey;
    bool m_keyringRead = false;
    bool m_asked = false;
    int m_askings = 0; // the user was asked for the password this many times
    bool m_paused = false;
    bool m_outage = false; // automatic jobs failed, and none has succeeded since
    // The user's answer to what stopped the last job, for that collection only: the next job does it.
    SyncAccount::Deletions m_contactDeletions = SyncAccount::Deletions::Ask;
    SyncAccount::Deletions m_appointmentDeletions = SyncAccount::Deletions::Ask;
    bool m_allowCopy = false;
};
