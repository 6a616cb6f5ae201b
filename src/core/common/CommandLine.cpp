#include "CommandLine.h"

#include "core/common/BuildConfig.h"

#include <QDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Option
{
    const char *name;
    const char *valueName; // nullptr: the option takes no value
    const char *help;
    std::function<void(CommandLine &, const QString &value)> apply;
    // The value may be left out; it is then empty (given after the name, it must be a number).
    bool optionalValue = false;
};

const QList<Option> &options()
{
    static const QList<Option> table = {
        {"--data-dir",
         "FOLDER",
         "folder plików z danymi (Morwinek.ini, Morwinek.data, Morwinek.term, notes, foto, kopie)",
         [](CommandLine &c, const QString &value) {
             c.dataDir = QDir::cleanPath(QDir(value).absolutePath());
         }},
        {"--export-vcard",
         "PLIK",
         "zapisuje kontakty w pliku vCard i kończy działanie (bez okna)",
         [](CommandLine &c, const QString &value) {
             c.exchange.append({CommandLine::Exchange::ExportVCard, value});
         }},
        {"--export-csv",
         "PLIK",
         "zapisuje kontakty w pliku CSV i kończy działanie (bez okna)",
         [](CommandLine &c, const QString &value) {
             c.exchange.append({CommandLine::Exchange::ExportCsv, value});
         }},
        {"--export-ics",
         "PLIK",
         "zapisuje terminy i daty kontaktów w pliku iCalendar i kończy działanie",
         [](CommandLine &c, const QString &value) {
             c.exchange.append({CommandLine::Exchange::ExportCalendar, value});
         }},
        {"--import",
         "PLIK",
         "dodaje kontakty z pliku vCard lub CSV bez duplikatów i kończy działanie",
         [](CommandLine &c, const QString &value) {
             c.exchange.append({CommandLine::Exchange::Import, value});
         }},
        {"--sync",
         nullptr,
         "synchronizuje kontakty i terminy z serwerem z ustawień i kończy działanie",
         [](CommandLine &c, const QString &) {
             c.sync = true;
         }},
        {"--delete-here",
         nullptr,
         "z --sync: usuwa tutaj kontakty lub terminy, które zniknęły z serwera, także wiele naraz albo wszystkie",
         [](CommandLine &c, const QString &) {
             c.deleteHere = true;
         }},
        {"--send-back",
         nullptr,
         "z --sync: zachowuje tutaj kontakty lub terminy, które zniknęły z serwera (wiele naraz albo wszystkie), "
         "i wysyła je z powrotem na serwer",
         [](CommandLine &c, const QString &) {
             c.sendBack = true;
         }},
        {"--allow-deletions",
         nullptr,
         "z --sync: to samo co --delete-here",
         [](CommandLine &c, const QString &) {
             c.deleteHere = true;
         }},
        {"--allow-copy",
         nullptr,
         "z --sync: wysyła książkę adresową lub terminy do nowo wybranego zbioru na serwerze, choć nie jest pusty",
         [](CommandLine &c, const QString &) {
             c.allowCopy = true;
         }},
        {"--restore-deleted",
         nullptr,
         "przywraca kontakty i terminy usunięte przez synchronizację w ostatnich 30 dniach i kończy działanie",
         [](CommandLine &c, const QString &) {
             c.restoreDeleted = true;
         }},
        {"--agenda",
         "[DNI]",
         "wypisuje terminy i daty kontaktów z najbliższych DNI dni (domyślnie 7) i kończy działanie",
         [](CommandLine &c, const QString &value) {
             bool ok = true;
             c.agendaDays = value.isEmpty() ? CommandLine::defaultAgendaDays : value.toInt(&ok);
             if (!ok || c.agendaDays < 1 || c.agendaDays > CommandLine::maxAgendaDays) {
                 c.agendaDays = 0;
                 c.action = CommandLine::Invalid;
                 c.errorText =
                     QStringLiteral("Opcja --agenda przyjmuje liczbę dni od 1 do %1").arg(CommandLine::maxAgendaDays);
             }
         },
         true},
        {"--help",
         nullptr,
         "wyświetla ten opis i kończy działanie",
         [](CommandLine &c, const QString &) {
             c.action = CommandLine::Help;
         }},
        {"--version",
         nullptr,
         "wyświetla wersję programu i kończy działanie",
         [](CommandLine &c, const QString &) {
             c.action = CommandLine::Version;
         }},
    };
    return table;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine result;
    Action requested = Run;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            continue;
        }
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = eq < 0 ? arg : arg.left(eq);
        const auto option = std::find_if(options().cbegin(), options().cend(), [&name](const Option &o) {
            return name == QLatin1String(o.name);
        });
        if (option == options().cend()) {
            result.action = Invalid;
            result.errorText = QStringLiteral("Nieznana opcja: %1").arg(name);
            return result;
        }
        QString value;
        if (option->optionalValue) {
            // The next argument is the value unless it is another option (the toolkit's begin
            // with one dash): a word or a negative number there is a wrong value, not left out.
            const auto isValue = [](const QString &text) {
                if (!text.startsWith(u'-')) {
                    return true;
                }
                const QStringView digits = QStringView(text).mid(1);
                return !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(), [](QChar ch) {
                    return ch.isDigit();
                });
            };
            if (eq >= 0) {
                value = arg.mid(eq + 1);
            } else if (i + 1 < arguments.size() && isValue(arguments.at(i + 1))) {
                value = arguments.at(++i);
            }
        } else if (option->valueName) {
            if (eq >= 0) {
                value = arg.mid(eq + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments.at(++i);
            }
            if (value.isEmpty()) {
                result.action = Invalid;
                result.errorText =
                    QStringLiteral("Opcja %1 wymaga wartości %2").arg(name, QLatin1String(option->valueName));
                return result;
            }
        } else if (eq >= 0) {
            result.action = Invalid;
            result.errorText = QStringLiteral("Opcja %1 nie przyjmuje wartości").arg(name);
            return result;
        }
        option->apply(result, value);
        if (result.action == Invalid) {
            return result;
        }
        // --help and --version win over everything else on the line, whatever their place.
        if (result.action != Run) {
            requested = requested == Run ? result.action : requested;
            result.action = Run;
        }
    }
    result.action = requested;
    if (result.action == Run && result.sync && !result.exchange.isEmpty()) {
        result.action = Invalid;
        result.errorText = QStringLiteral("Opcji --sync nie można łączyć z eksportem ani importem");
    } else if (result.action == Run && (result.deleteHere || result.sendBack || result.allowCopy) && !result.sync) {
        result.action = Invalid;
        result.errorText = QStringLiteral(
            "Opcje --delete-here, --send-back, --allow-deletions i --allow-copy działają tylko z --sync");
    } else if (result.action == Run && result.deleteHere && result.sendBack) {
        result.action = Invalid;
        result.errorText = QStringLiteral("Wybierz jedną z opcji --delete-here i --send-back");
    } else if (result.action == Run && result.restoreDeleted && (result.sync || !result.exchange.isEmpty())) {
        result.action = Invalid;
        result.errorText = QStringLiteral("Opcji --restore-deleted nie można łączyć z innymi działaniami");
    }
    if (result.action == Run && result.agendaDays > 0 && (result.sync || !result.exchange.isEmpty())) {
        result.action = Invalid;
        result.errorText = QStringLiteral("Opcji --agenda nie można łączyć z innymi poleceniami");
    }
    return result;
}

QStringList CommandLine::startArguments() const
{
    if (dataDir.isEmpty()) {
        return {};
    }
    return {QStringLiteral("--data-dir"), dataDir};
}

QString CommandLine::helpText()
{
    QString text = QStringLiteral("Użycie: morwinek [OPCJE]\n"
                                  "Morwinek - organizer osobisty w zasobniku systemowym: kontakty, terminy,\n"
                                  "biorytmy, kalkulacje.\n\n"
                                  "Opcje:\n");
    for (const Option &o : options()) {
        QString left = QLatin1String(o.name);
        if (o.valueName) {
            left += u' ' + QLatin1String(o.valueName);
        }
        text += QStringLiteral("  %1 %2\n").arg(left, -22).arg(QString::fromUtf8(o.help));
    }
    text += QStringLiteral("\nBez --data-dir dane leżą w folderze programu, gdy są tam już pliki danych\n"
                           "lub gdy można tam pisać, a w przeciwnym razie w $XDG_DATA_HOME/Morwinek\n"
                           "(zwykle ~/.local/share/Morwinek).\n");
    return text;
}

QString CommandLine::versionText()
{
    return QStringLiteral("Morwinek wersja %1\n").arg(QString::fromUtf8(BuildConfig::versionText));
}

int CommandLine::report() const
{
    switch (action) {
    case Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case Version:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case Invalid:
        std::fputs((QStringLiteral("morwinek: ") + errorText + QStringLiteral("\nWięcej informacji: morwinek --help\n"))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return 2;
    case Run:
        break;
    }
    return 0;
}
