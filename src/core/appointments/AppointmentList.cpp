#include "AppointmentList.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"

#include <QDir>

#include <algorithm>
#include <optional>

namespace {

// Contact line columns, zero-based, read straight from "Morwinek.data" lines.
struct Span
{
    qsizetype from;
    qsizetype width;
};
constexpr Span nameColumns{337, AppointmentRecord::personWidth};
constexpr Span cityColumns{41, 25};
constexpr Span nameDayColumns{332, 5};
constexpr Span birthdayDayMonth{680, 5};
constexpr Span birthdayYear{686, 4};
constexpr Span weddingDayMonth{588, 5};
constexpr Span weddingYear{594, 4};

// The trimmed text of some columns of a line; empty where the line is too short. The code page
// has one byte per character, so columns are byte positions.
QString field(const QByteArray &line, Span span)
{
    if (span.from >= line.size()) {
        return {};
    }
    return FixedText::trimmed(
        Cp1250::decode(QByteArrayView(line).sliced(span.from).first(std::min(span.width, line.size() - span.from))));
}

QString fieldOf(const QString &line, qsizetype from, qsizetype width)
{
    return FixedText::trimmed(line.mid(from, width));
}

void appendAscii(QByteArray &key, const QString &text, qsizetype from, qsizetype count)
{
    key.append(Cp1250::encode(QStringView(text).mid(from, count)));
}

} // namespace

namespace AppointmentRecord {

QString encode(const Appointment &appointment)
{
    return FixedText::padToWidth(appointment.date, dateWidth) + FixedText::padToWidth(appointment.person, personWidth)
           + FixedText::padToWidth(appointment.place, placeWidth)
           + FixedText::padToWidth(appointment.description, descriptionWidth);
}

Appointment decode(const QString &line)
{
    return {fieldOf(line, 0, dateWidth),
            fieldOf(line, dateWidth, personWidth),
            fieldOf(line, dateWidth + personWidth, placeWidth),
            fieldOf(line, dateWidth + personWidth + placeWidth, descriptionWidth)};
}

} // namespace AppointmentRecord

QByteArray appointmentSortKey(const Appointment &appointment)
{
    QByteArray key;
    key.reserve(8 + appointment.person.size());
    appendAscii(key, appointment.date, 6, 4);
    appendAscii(key, appointment.date, 3, 2);
    appendAscii(key, appointment.date, 0, 2);
    key.append(Cp1250::encode(appointment.person));
    return key;
}

int ListView1Compare(const Appointment &a, const Appointment &b)
{
    // QByteArray compares its bytes as unsigned numbers, a prefix first.
    return appointmentSortKey(a) < appointmentSortKey(b) ? -1 : 1;
}

void AppointmentList::sort(QList<Appointment> &entries)
{
    // Keys are made once per entry rather than once per comparison.
    QList<std::pair<QByteArray, qsizetype>> keyed;
    keyed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        keyed.append({appointmentSortKey(entries.at(i)), i});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return a.first < b.first;
    });
    QList<Appointment> sorted;
    sorted.reserve(entries.size());
    for (const auto &k : keyed) {
        sorted.append(std::move(entries[k.second]));
    }
    entries = std::move(sorted);
}

bool AppointmentList::build(const QString &dataDir, const QDate &today, int range, QString *error)
{
    m_entries.clear();
    m_persons.clear();
    m_todayText = DateText::toText(today);
    const QString year = m_todayText.mid(6, 4);
    const int todayValue = DateText::parse(m_todayText);

    bool readable = true;
    QList<QByteArray> contacts;
    bool exists = false;
    QString contactsError;
    if (!TextFile::readLines(
            QDir(dataDir).filePath(QLatin1String(contactsFileName)), &contacts, &exists, &contactsError)) {
        readable = false;
        if (error) {
            *error = contactsError;
        }
    }
    m_persons.reserve(contacts.size());
    for (const QByteArray &line : std::as_const(contacts)) {
        addContactDates(line, year, todayValue, range);
    }

    m_path = QDir(dataDir).filePath(QLatin1String(fileName));
    TerminyCzytaj(todayValue, range, error, &readable);
    sort(m_entries);
    return readable;
}

void AppointmentList::addContactDates(const QByteArray &line, const QString &year, int today, int range)
{
    const QString name = field(line, nameColumns);
    const QString city = field(line, cityColumns);
    m_persons.append(name);

    // The date in this year of a "dd.MM" field, or -1 when it is too short or no such day exists.
    const auto dayThisYear = [&](Span dayMonth) {
        const QString text = field(line, dayMonth) + QLatin1Char('.') + year;
        if (text.size() != AppointmentRecord::dateWidth) {
            return DateText::invalid;
        }
        return DateText::parse(text);
    };
    const auto near = [&](int day) {
        return day != DateText::invalid && day - today >= -range && day - today <= range;
    };
    const auto add = [&](int day, const QString &description) {
        m_entries.append({DateText::fromDayToText(day), name, city, description});
    };
    // How many years have passed since the year held in the columns; nothing when they hold no number.
    const auto yearsSince = [&](Span yearColumns) -> std::optional<int> {
        bool ok = false;
        const int then = field(line, yearColumns).toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return year.toInt() - then;
    };

    const int nameDay = dayThisYear(nameDayColumns);
    if (near(nameDay)) {
        add(nameDay, QStringLiteral("Imieniny"));
    }
    const int birthday = dayThisYear(birthdayDayMonth);
    if (near(birthday)) {
        if (const auto age = yearsSince(birthdayYear)) {
            add(birthday, QString::number(*age) + QStringLiteral(" urodziny"));
        }
    }
    const int wedding = dayThisYear(weddingDayMonth);
    if (near(wedding)) {
        if (const auto years = yearsSince(weddingYear)) {
            add(wedding, QString::number(*years) + QStringLiteral(" rocznica ślubu"));
        }
    }
}

void AppointmentList::TerminyCzytaj(int today, int range, QString *error, bool *readable)
{
    m_store.clear();
    m_readError.clear();
    QList<QByteArray> lines;
    bool exists = false;
    QString readError;
    if (!TextFile::readLines(m_path, &lines, &exists, &readError)) {
        m_readError = readError;
        *readable = false;
        if (error) {
            *error = readError;
        }
        return;
    }
    m_store.reserve(lines.size());
    for (const QByteArray &bytes : std::as_const(lines)) {
        const QString line = Cp1250::decode(bytes);
        // A line whose date is missing, is no real date or is too old leaves the store.
        const QString date = fieldOf(line, 0, AppointmentRecord::dateWidth);
        if (date.size() != AppointmentRecord::dateWidth) {
            continue;
        }
        const int day = DateText::parse(date);
        if (day == DateText::invalid || today - day > range) {
            continue;
        }
        m_entries.append(AppointmentRecord::decode(line));
        m_store.append(line);
    }
}

int AppointmentList::Pozycja(const QString &record) const
{
    return static_cast<int>(m_store.indexOf(record));
}

bool AppointmentList::writeStore(const QStringList &store, QString *error) const
{
    if (!m_readError.isEmpty()) {
        if (error) {
            *error = m_readError;
        }
        return false;
    }
    QList<QByteArray> lines;
    lines.reserve(store.size());
    for (const QString &line : store) {
        lines.append(Cp1250::encode(line));
    }
    return TextFile::writeLines(m_path, lines, error);
}

bool AppointmentList::TerminyZapisz(QString *error) const
{
    return writeStore(m_store, error);
}

bool AppointmentList::saveRecord(const QString &record, int replaced, QString *error)
{
    QStringList store = m_store;
    if (replaced >= 0 && replaced < store.size()) {
        store.removeAt(replaced);
    }
    store.append(record);
    if (!writeStore(store, error)) {
        return false;
    }
    m_store = std::move(store);
    return true;
}

bool AppointmentList::removeRecord(int index, QString *error)
{
    QStringList store = m_store;
    if (index >= 0 && index < store.size()) {
        store.removeAt(index);
    }
    if (!writeStore(store, error)) {
        return false;
    }
    m_store = std::move(store);
    return true;
}
