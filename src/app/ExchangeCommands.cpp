#include "ExchangeCommands.h"

#include "FolderLockRefusal.h"

#include "core/common/DailyBackup.h"
#include "core/common/DataFolder.h"
#include "core/contacts/ContactFile.h"
#include "core/exchange/ContactExchange.h"
#include "core/exchange/ContactImport.h"
#include "core/sync/SyncState.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <new>

namespace {

using namespace Qt::StringLiterals;

enum ExitCode
{
    Success = 0,
    Failure = 1,
    Refused = 3
};

class Runner
{
public:
    explicit Runner(const QString &dataDir)
        : m_dataDir(dataDir)
        , m_backup(m_clock, [this](const QString &message) {
            m_err << message << Qt::endl;
        })
    {}

    int run(const CommandLine::Exchange &command)
    {
        if (!QDir(m_dataDir).exists()) {
            m_err << u"Folder danych %1 nie istnieje."_s.arg(QDir::toNativeSeparators(m_dataDir)) << Qt::endl;
            return Failure;
        }
        return command.kind == CommandLine::Exchange::Import ? importFile(command.file) : exportFile(command);
    }

private:
    int exportFile(const CommandLine::Exchange &command)
    {
        ContactFile book(m_dataDir);
        QString error;
        if (!book.load(&error)) {
            return fail(error);
        }
        ContactExchange::Format format = ContactExchange::Format::Calendar;
        if (command.kind == CommandLine::Exchange::ExportVCard) {
            format = ContactExchange::Format::VCard;
        } else if (command.kind == CommandLine::Exchange::ExportCsv) {
            format = ContactExchange::Format::Csv;
        }
        if (!ContactExchange::exportTo(
                format, book, command.file, m_clock.now(), &error, {}, nullptr, &SyncState::exportUids)) {
            return fail(error);
        }
        if (format == ContactExchange::Format::Calendar) {
            m_out << u"Zapisano kalendarz terminów i dat kontaktów (kontakty: %1) w pliku %2."_s.arg(book.count())
                         .arg(QDir::toNativeSeparators(command.file))
                  << Qt::endl;
        } else {
            m_out << u"Wyeksportowano kontakty (%1) do pliku %2."_s.arg(book.count())
                         .arg(QDir::toNativeSeparators(command.file))
                  << Qt::endl;
        }
        return Success;
    }

    int importFile(const QString &file)
    {
        // Held until the import is written; a running organiser holds the folder shared.
        DataFolderLock lock(m_dataDir);
        if (!lockFolderAlone(lock, m_dataDir, FolderUse::Import, m_err)) {
            return Refused;
        }
        ContactFile book(m_dataDir);
        book.setBackup(&m_backup);
        book.setIdentifierReserve(&SyncState::knownIdentifiers);
        QString error;
        if (!book.load(&error)) {
            return fail(error);
        }
        ContactImport::Result result;
        QStringList columnNotes;
        try {
            // Read straight into the import: a file that cannot fit is refused as soon as that shows.
            ContactImport import;
            import.begin(book.list());
            if (!ContactExchange::readInto(file, &import, &error, {}, nullptr, &columnNotes)) {
                return fail(error);
            }
            if (!import.applyToFile(book, true, &result, &error)) {
                return fail(error);
            }
        } catch (const std::bad_alloc &) {
            return fail(u"Za mało pamięci do importu pliku %1."_s.arg(QDir::toNativeSeparators(file)));
        }
        m_out << u"Wczytano: %1, dodano: %2, pominięto jako duplikaty: %3."_s.arg(result.read)
                     .arg(result.added)
                     .arg(result.skipped)
              << Qt::endl;
        for (const QString &note : std::as_const(columnNotes)) {
            m_out << note << Qt::endl;
        }
        if (result.groups > 0) {
            m_out << u"Pominięto karty grup (to listy kontaktów, nie kontakty): %1."_s.arg(result.groups) << Qt::endl;
        }
        if (result.folded > 0) {
            m_out << u"Znaki, których nie można zapisać, zastąpiono w kontaktach: %1."_s.arg(result.folded) << Qt::endl;
        }
        if (result.photosRefused > 0) {
            m_out << u"Pominięto zdjęcia, których nie można odczytać lub są zbyt duże: %1."_s.arg(result.photosRefused)
                  << Qt::endl;
        }
        for (const QString &problem : result.sideFileErrors) {
            m_err << problem << Qt::endl;
        }
        return result.sideFileErrors.isEmpty() ? Success : Failure;
    }

    int fail(const QString &error)
    {
        m_err << error << Qt::endl;
        return Failure;
    }

    QString m_dataDir;
    SystemClock m_clock;
    QTextStream m_out{stdout};
    QTextStream m_err{stderr};
    DailyBackup m_backup;
};

} // namespace

namespace ExchangeCommands {

int run(int argc, char *argv[], const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    // The folder the organiser itself would use.
    Runner runner(DataFolder::choose(commandLine.dataDir, QCoreApplication::applicationDirPath()));
    for (const CommandLine::Exchange &command : commandLine.exchange) {
        if (const int code = runner.run(command); code != Success) {
            return code;
        }
    }
    return Success;
}

} // namespace ExchangeCommands
