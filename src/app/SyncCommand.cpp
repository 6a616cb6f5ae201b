#include "SyncCommand.h"

#include "FolderLockRefusal.h"

#include "core/common/DailyBackup.h"
#include "core/common/DataFolder.h"
#include "core/common/IniFile.h"
#include "core/common/Settings.h"
#include "core/sync/DavSyncEngine.h"
#include "core/sync/DeletedItems.h"
#include "core/sync/LastSync.h"
#include "core/sync/PasswordStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

using namespace Qt::StringLiterals;

enum ExitCode
{
    Success = 0,
    Failure = 1,
    Usage = 2,
    Refused = 3
};

// A line from the terminal without echo; false when standard input is no terminal.
bool askPassword(const QString &prompt, QString *password)
{
    if (!::isatty(STDIN_FILENO)) {
        return false;
    }
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios old{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
        line.append(static_cast<char>(c));
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    }
    std::fputs("\n", stderr);
    *password = QString::fromLocal8Bit(line);
    return true;
}

} // namespace

namespace SyncCommand {

int run(int argc, char *argv[], const CommandLine &commandLine, PasswordStore *passwords)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString dataDir = DataFolder::choose(commandLine.dataDir, QCoreApplication::applicationDirPath());
    if (!QDir(dataDir).exists()) {
        err << u"Folder danych %1 nie istnieje."_s.arg(QDir::toNativeSeparators(dataDir)) << Qt::endl;
        return Failure;
    }
    // Held to the end: a running organiser keeps the contacts in memory and would overwrite the sync.
    DataFolderLock lock(dataDir);
    if (!lockFolderAlone(lock, dataDir, FolderUse::Sync, err)) {
        return Refused;
    }
    if (commandLine.restoreDeleted) {
        SystemClock clock;
        DailyBackup backup(clock, [&err](const QString &message) {
            err << message << Qt::endl;
        });
        DeletedItems::Kept restored;
        QString error;
        if (!DeletedItems::restore(dataDir, &backup, &restored, &error)) {
            err << error << Qt::endl;
            return Failure;
        }
        out << u"Przywrócono kontakty: %1, terminy: %2."_s.arg(restored.contacts).arg(restored.appointments)
            << Qt::endl;
        return Success;
    }
    IniFile ini(QDir(dataDir).filePath(u"Morwinek.ini"_s));
    QString error;
    if (!ini.load(&error)) {
        err << ini.path() << u": "_s << error << Qt::endl;
        return Failure;
    }
    Settings settings;
    settings.read(ini);
    if (settings.syncAddress.isEmpty()) {
        err << u"Brak serwera synchronizacji: wpisz Adres (i Uzytkownik) w sekcji [Synchronizacja] pliku %1 "
               u"albo połącz się w oknie \"Morwinek - Synchronizacja\"."_s.arg(QDir::toNativeSeparators(ini.path()))
            << Qt::endl;
        return Usage;
    }

    SyncAccount account;
    account.address = settings.syncAddress;
    account.user = settings.syncUser;
    account.allowPlainHttp = settings.syncAllowPlainHttp;
    const SyncAccount::Deletions deletions = commandLine.sendBack     ? SyncAccount::Deletions::SendBack
                                             : commandLine.deleteHere ? SyncAccount::Deletions::DeleteHere
                                                                      : SyncAccount::Deletions::Ask;
    account.contactDeletions = account.appointmentDeletions = deletions;
    account.allowCopy = commandLine.allowCopy;
    account.addressBookUrl = settings.syncAddressBookUrl;
    account.calendarUrl = settings.syncCalendarUrl;
    std::optional<QString> stored;
    if (passwords && passwords->available() && !account.user.isEmpty()) {
        stored = passwords->read(account.address, account.user);
    }
    if (account.user.isEmpty()) {
        // A server without authentication: no password to look for.
    } else if (stored) {
        account.password = *stored;
    } else if (qEnvironmentVariableIsSet("MORWINEK_SYNC_PASSWORD")) {
        account.password = qEnvironmentVariable("MORWINEK_SYNC_PASSWORD");
    } else if (!askPassword(u"Hasło użytkownika %1 na %2: "_s.arg(account.user, account.address), &account.password)) {
        err << u"Brak hasła do serwera synchronizacji: nie ma go w pęku kluczy ani w zmiennej "
               u"MORWINEK_SYNC_PASSWORD, a wejście nie jest terminalem, więc nie można o nie zapytać."_s
            << Qt::endl;
        return Failure;
    }

    SystemClock clock;
    DailyBackup backup(clock, [&err](const QString &message) {
        err << message << Qt::endl;
    });
    DavSyncEngine engine(dataDir);
    engine.setBackup(&backup);
    engine.setFolderAlone([] {
        return true; // the folder is held alone to the end
    });
    engine.setRange(settings.range);
    if (const int seconds = qEnvironmentVariableIntValue("MORWINEK_SYNC_TIMEOUT"); seconds > 0) {
        engine.setTimeout(seconds * 1000);
    }
    QEventLoop loop;

    if (account.addressBookUrl.isEmpty() || account.calendarUrl.isEmpty()) {
        QString discoverError;
        QList<DavCollection> found;
        QObject::connect(&engine,
                         &SyncEngine::discovered,
                         &loop,
                         [&](const QList<DavCollection> &collections, const QString &problem) {
                             discoverError = problem;
                             found = collections;
                             loop.quit();
                         });
        account.createMissing = true; // nobody to ask here: what the user's home lacks is made
        engine.discover(account);
        loop.exec();
        account.createMissing = false;
        if (!discoverError.isEmpty()) {
            err << discoverError << Qt::endl;
            return Failure;
        }
        // With one of a kind it is taken; among several the user chooses, never the program.
        bool choose = false;
        for (const auto &[kind, url, key, what] :
             {std::tuple{
                  DavCollection::AddressBook, &account.addressBookUrl, u"Ksiazka_adresowa"_s, u"książek adresowych"_s},
              std::tuple{DavCollection::Calendar, &account.calendarUrl, u"Kalendarz"_s, u"kalendarzy"_s}}) {
            QList<DavCollection> ofKind;
            for (const DavCollection &c : std::as_const(found)) {
                if (c.kind == kind) {
                    ofKind.append(c);
                }
            }
            if (!url->isEmpty() || ofKind.isEmpty()) {
                continue;
            }
            if (ofKind.size() == 1) {
                *url = ofKind.first().url;
                continue;
            }
            choose = true;
            err << u"Na serwerze jest kilka %1. Wpisz adres jednej z nich w pliku %2, w sekcji "
                   u"[Synchronizacja], jako %3=, na przykład:"_s.arg(what, ini.path(), key)
                << Qt::endl;
            for (const DavCollection &c : std::as_const(ofKind)) {
                err << u"  %1=%2%3"_s.arg(
                    key, c.url, c.displayName.isEmpty() ? QString() : u"   („%1”)"_s.arg(c.displayName))
                    << Qt::endl;
            }
        }
        ini.writeString(u"Synchronizacja"_s, u"Ksiazka_adresowa"_s, account.addressBookUrl);
        ini.writeString(u"Synchronizacja"_s, u"Kalendarz"_s, account.calendarUrl);
        if (!ini.save(&error)) {
            err << ini.path() << u": "_s << error << Qt::endl;
            return Failure;
        }
        if (choose) {
            return Usage;
        }
    }

    SyncOutcome outcome;
    QObject::connect(&engine, &SyncEngine::finished, &loop, [&](const SyncOutcome &result) {
        outcome = result;
        loop.quit();
    });
    engine.synchronize(account);
    loop.exec();
    // The window shows this result too; a settings file that cannot be written does not undo the sync.
    LastSync::write(ini, outcome);
    if (!ini.save(&error)) {
        err << ini.path() << u": "_s << error << Qt::endl;
    }
    if (outcome.ok) { // a sync that failed has no result to tell, only its error
        out << LastSync::summaryLine(u"Kontakty"_s, outcome.contacts, false) << Qt::endl;
        out << LastSync::summaryLine(u"Terminy"_s, outcome.appointments, true) << Qt::endl;
    }
    for (const QString &warning : outcome.warnings) {
        err << warning << Qt::endl;
    }
    if (outcome.contacts.conflicts + outcome.appointments.conflicts > 0) {
        out << u"Kopie z serwera zmienionych po obu stronach pól zapisano w folderze %1; obie wersje pokazuje "
               u"i pozwala wybrać jedną przycisk „Konflikty...” w oknie „Morwinek - Synchronizacja”."_s.arg(
                   QDir::toNativeSeparators(QDir(dataDir).filePath(QLatin1String(DavSyncEngine::conflictFolder))))
            << Qt::endl;
    }
    if (!outcome.ok) {
        err << outcome.error << Qt::endl;
        if (outcome.held.what == SyncOutcome::Held::Deletions) {
            err << u"Wybierz, co zrobić, i uruchom ponownie:\n"
                   u"  morwinek --sync --delete-here   usuwa je tutaj (zostaną zachowane przez 30 dni; przywróci je "
                   u"morwinek --restore-deleted),\n"
                   u"  morwinek --sync --send-back     zachowuje je tutaj i wysyła z powrotem na serwer."_s
                << Qt::endl;
        } else if (outcome.held.what == SyncOutcome::Held::Copy) {
            err << u"Jeśli tak ma być, uruchom: morwinek --sync --allow-copy."_s << Qt::endl;
        }
        return Failure;
    }
    return Success;
}

} // namespace SyncCommand
