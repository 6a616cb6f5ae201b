#include "LastSync.h"

#include "core/common/IniFile.h"

#include <QStringList>

namespace {

using namespace Qt::StringLiterals;

const QString section = u"Synchronizacja"_s;
const QString timeFormat = u"yyyy-MM-dd HH:mm:ss"_s;

constexpr int CollectionSummary::*counts[] = {&CollectionSummary::sent,
                                              &CollectionSummary::received,
                                              &CollectionSummary::deletedHere,
                                              &CollectionSummary::deletedOnServer,
                                              &CollectionSummary::conflicts,
                                              &CollectionSummary::skipped};

QString countsText(const CollectionSummary &summary)
{
    QStringList numbers;
    for (const auto count : counts) {
        numbers.append(QString::number(summary.*count));
    }
    return numbers.join(u' ');
}

// Numbers that are missing or not numbers read as 0.
CollectionSummary countsOf(const QString &text)
{
    CollectionSummary summary;
    const QStringList numbers = text.split(u' ', Qt::SkipEmptyParts);
    for (qsizetype n = 0; n < numbers.size() && n < qsizetype(std::size(counts)); ++n) {
        bool ok = false;
        const int value = numbers[n].toInt(&ok);
        summary.*counts[n] = ok && value >= 0 ? value : 0;
    }
    return summary;
}

} // namespace

namespace LastSync {

void write(IniFile &ini, const SyncOutcome &outcome)
{
    QString error = outcome.ok ? QString() : outcome.error;
    if (!outcome.ok && error.trimmed().isEmpty()) {
        error = u"Synchronizacja nie powiodła się."_s;
    }
    // One line in the file, whatever the message held.
    error.replace(u"\r\n"_s, u" "_s).replace(u'\r', u' ').replace(u'\n', u' ');
    ini.writeString(section, u"Ostatnia_data"_s, outcome.finishedAt.toString(timeFormat));
    ini.writeString(section, u"Ostatnie_kontakty"_s, countsText(outcome.contacts));
    ini.writeString(section, u"Ostatnie_terminy"_s, countsText(outcome.appointments));
    ini.writeString(section, u"Ostatni_blad"_s, error.trimmed());
}

std::optional<SyncOutcome> read(const IniFile &ini)
{
    SyncOutcome outcome;
    outcome.finishedAt =
        QDateTime::fromString(ini.readString(section, u"Ostatnia_data"_s, QString()).trimmed(), timeFormat);
    if (!outcome.finishedAt.isValid()) {
        return std::nullopt;
    }
    outcome.contacts = countsOf(ini.readString(section, u"Ostatnie_kontakty"_s, QString()));
    outcome.appointments = countsOf(ini.readString(section, u"Ostatnie_terminy"_s, QString()));
    outcome.error = ini.readString(section, u"Ostatni_blad"_s, QString()).trimmed();
    outcome.ok = outcome.error.isEmpty();
    return outcome;
}

QString summaryLine(const QString &name, const CollectionSummary &s, bool calendar)
{
    QString line = u"%1: wysłano %2, odebrano %3, usunięto tutaj %4, usunięto na serwerze %5, konflikty %6"_s.arg(name)
                       .arg(s.sent)
                       .arg(s.received)
                       .arg(s.deletedHere)
                       .arg(s.deletedOnServer)
                       .arg(s.conflicts);
    if (s.skipped > 0) {
        line += (calendar ? u", pominięto (wydarzenia powtarzające się i nieczytelne) %1"_s : u", pominięto %1"_s)
                    .arg(s.skipped);
    }
    return line + u'.';
}

} // namespace LastSync
