#include "ExchangeCommands.h"

#include "core/common/DailyBackup.h"
#include "core/contacts/ContactFile.h"
#include "core/contacts/exchange/ContactExchange.h"
#include "core/contacts/exchange/ContactImport.h"
#include "platform/linux/DataFolderLock.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <cstring>

namespace {

using namespace Qt::StringLiterals;

enum ExitCode
{
    Success = 0,
    Failure = 1,
    Usage = 2,
    Refused = 3
};

struct Command
{
    QString option;
    QString file;
};

const QStringList commandOptions = {u"--export-vcard"_s, u"--export-csv"_s, u"--export-ics"_s, u"--import"_s};
const QString dataDirOption = u"--data-dir"_s;

// "--option VALUE" or "--option=VALUE".
bool parse(const QStringList &arguments, QList<Command> *commands, QString *dataDir, QString *problem)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString value;
        bool hasValue = false;
        if (const qsizetype eq = option.indexOf(u'='); option.startsWith(u"--") && eq > 0) {
            value = option.mid(eq + 1);
            option.truncate(eq);
            hasValue = true;
        }
        if (!commandOptions.contains(option) && option != dataDirOption) {
            *problem = u"Nieznana opcja: %1"_s.arg(arguments[i]);
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= arguments.size()) {
                *problem = u"Opcja %1 wymaga nazwy pliku lub folderu."_s.arg(option);
                return false;
            }
            value = arguments[++i];
        }
        if (value.isEmpty()) {
            *problem = u"Opcja %1 wymaga nazwy pliku lub folderu."_s.arg(option);
            return false;
        }
        if (option == dataDirOption) {
            *dataDir = value;
        } else {
            commands->append({option, value});
        }
    }
    return true;
}

class Runner
{
public:
    explicit Runner(const QString &dataDir)
        : m_dataDir(dataDir)
        , m_backup(m_clock, [this](const QString &message) {
            m_err << message << Qt::endl;
        })
    {}

    int run(const Command &command)
    {
        if (!QDir(m_dataDir).exists()) {
            m_err << u"Folder danych %1 nie istnieje."_s.arg(QDir::toNativeSeparators(m_dataDir)) << Qt::endl;
            return Failure;
        }
        return command.option == u"--import" ? importFile(command.file) : exportFile(command);
    }

private:
    int exportFile(const Command &command)
    {
        ContactFile book(m_dataDir);
        QString error;
        if (!book.load(&error)) {
            return fail(error);
        }
        const ContactExchange::Format format = command.option == u"--export-vcard" ? ContactExchange::Format::VCard
                                               : command.option == u"--export-csv" ? ContactExchange::Format::Csv
                                                                                   : ContactExchange::Format::Calendar;
        if (!ContactExchange::exportTo(format, book, command.file, m_clock.now(), &error)) {
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
        if (!lock.tryLockExclusive()) {
            m_err << u"Organizer Morwinek pracuje na folderze danych %1. Zamknij go przed importem: trzyma kontakty "
                     u"w pamięci i przy następnym zapisie nadpisałby zaimportowane."_s.arg(
                         QDir::toNativeSeparators(m_dataDir))
                  << Qt::endl;
            return Refused;
        }
        ContactFile book(m_dataDir);
        book.setBackup(&m_backup);
        QString error;
        if (!book.load(&error)) {
            return fail(error);
        }
        QList<ExchangeContact> contacts;
        if (!ContactExchange::readFile(file, &contacts, &error)) {
            return fail(error);
        }
        ContactImport import;
        import.prepare(book.list(), std::move(contacts));
        ContactImport::Result result;
        if (!import.apply(book, true, &result, &error)) {
            return fail(error);
        }
        m_out << u"Wczytano: %1, dodano: %2, pominięto jako duplikaty: %3."_s.arg(result.read)
                     .arg(result.added)
                     .arg(result.skipped)
              << Qt::endl;
        if (result.folded > 0) {
            m_out << u"Znaki, których nie można zapisać, zastąpiono w kontaktach: %1."_s.arg(result.folded) << Qt::endl;
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

bool requested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"--export-vcard", "--export-csv", "--export-ics", "--import"}) {
            const size_t n = std::strlen(option);
            if (std::strncmp(argv[i], option, n) == 0 && (argv[i][n] == '\0' || argv[i][n] == '=')) {
                return true;
            }
        }
    }
    return false;
}

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QList<Command> commands;
    QString dataDir = QCoreApplication::applicationDirPath();
    QString problem;
    if (!parse(QCoreApplication::arguments(), &commands, &dataDir, &problem)) {
        QTextStream(stderr) << problem << Qt::endl
                            << u"Użycie: morwinek [--data-dir FOLDER] --export-vcard PLIK | --export-csv PLIK | "
                               u"--export-ics PLIK | --import PLIK"_s
                            << Qt::endl;
        return Usage;
    }
    Runner runner(QDir(dataDir).absolutePath());
    for (const Command &command : std::as_const(commands)) {
        if (const int code = runner.run(command); code != Success) {
            return code;
        }
    }
    return Success;
}

} // namespace ExchangeCommands
