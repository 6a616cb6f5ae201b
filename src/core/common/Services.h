#pragma once

#include "Autostart.h"
#include "Clock.h"
#include "DailyBackup.h"
#include "Prompter.h"
#include "ShellOpener.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class AppointmentEdits;
class LineApi;
class Notifier;
class WakeTimer;
class PasswordStore;
class SyncEngine;

// What the windows need from outside themselves, filled in by main() or by a test.
struct Services
{
    Prompter &prompter;
    ShellOpener &shell;
    const Clock &clock;
    AutostartStore &autostart;
    // The data folder, which holds every data file: the executable's or the one chosen at start.
    QString dataDir;
    // The full path of the executable, as the start-at-login entry names it.
    QString executablePath;
    // The user's name for the about window's greeting.
    std::function<QString()> defaultUserName = [] {
        return QStringLiteral("Morwinek");
    };
    // The telephony interface; null when the program has none, which counts as no line device.
    LineApi *lineApi = nullptr;
    // The day's copies of the data files before they are written; none when null.
    DailyBackup *backup = nullptr;
    // The sync's record of appointments edited and removed in the window; none when null.
    const AppointmentEdits *appointmentEdits = nullptr;
    // Contact identifiers held elsewhere for the data folder (by the sync's state): never given to
    // a new contact. None when empty.
    std::function<QSet<int>(const QString &dataDir)> identifierReserve = {};
    // Identifier -> UID of the contacts of the data folder, as the sync gives them on the server, for
    // the cards of a vCard export. None when empty.
    std::function<QHash<QString, QString>(const QString &dataDir, const QStringList &ids)> exportUids = {};
    // Makes the engine that syncs this data folder with a CardDAV/CalDAV server; no sync when null.
    std::function<std::unique_ptr<SyncEngine>()> makeSyncEngine = {};
    // The desktop's keyring for the sync password; none when null (the password lives in memory).
    PasswordStore *passwords = nullptr;
    // The desktop's notification service for alarms; null or silent: the tray's message, else a window.
    Notifier *notifier = nullptr;
    // A timer to wall-clock moments that sees sleeps and clock changes; null: a plain timer.
    WakeTimer *wakeTimer = nullptr;

    QString dataPath(const QString &fileName) const { return QDir(dataDir).filePath(fileName); }
    QDate today() const { return clock.today(); }
    // The program's one display for a failed action: the text in an error box, and the program goes on.
    void showError(QWidget *parent, const QString &text) const
    {
        prompter.messageBox(parent, text, QStringLiteral("Błąd!"), MB_OK | MB_ICONSTOP);
    }
};
