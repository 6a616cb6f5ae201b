#include "AppointmentList.h"

#include "AppointmentEdits.h"
#include "AppointmentRange.h"

#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/contacts/Contact.h"

#include <QDir>

#include <algorithm>
#include <array>
#include <optional>

namespace {

// Contact line columns, zero-based, read straight from "Morwinek.data" lines: a field, or part of
// a date field ("dd.MM.yyyy": the day and month from 0, the year from 6).
struct Span
{
    qsizetype from;
    qsizetype width;
};
constexpr Span columnsOf(QString Contact::*field, qsizetype from = 0, qsizetype width = -1)
{
    const Contact::Column &column = Contact::columnOf(field);
    return {column.start + from, width < 0 ? column.width - from : width};
}
constexpr Span nameColumns = columnsOf(&Contact::Nazwa);
static_assert(nameColumns.width == AppointmentRecord::personWidth);
constexpr Span cityColumns = columnsOf(&Contact::DomMiasto);
constexpr Span nameDayColumns = columnsOf(&Contact::Imieniny);
constexpr Span birthdayColumns = columnsOf(&Contact::Urodziny);
constexpr Span birthdayDayMonth = columnsOf(&Contact::Urodziny, 0, 5);
constexpr Span birthdayYear = columnsOf(&Contact::Urodziny, 6, 4);
constexpr Span weddingDayMonth = columnsOf(&Contact::Slub, 0, 5);
constexpr Span weddingYear = columnsOf(&Contact::Slub, 6, 4);
// The year that stood for none in a birthday an earlier version wrote.
constexpr char noYearDigits[] = "1604";
static_assert(DateText::noYear == 1604);

// Some columns of a line without the blanks and control characters at either end; empty where the
// line is too short. The code page has one byte per character, so columns are byte positions, and
// no byte above 0x20 decodes to a character that trimming would remove.
QByteArrayView trimmedBytes(QByteArrayView line, Span span)
{
    if (span.from >= line.size()) {
        return {};
    }
    return FixedText::trimmedBytes(line.sliced(span.from).first(std::min(span.width, line.size() - span.from)));
}

QString field(QByteArrayView line, Span span)
{
    return Cp1250::decode(trimmedBytes(line, span));
}

bool twoDigits(QByteArrayView bytes, int *value)
{
    if (bytes[0] < '0' || bytes[0] > '9' || bytes[1] < '0' || bytes[1] > '9') {
        return false;
    }
    *value = (bytes[0] - '0') * 10 + (bytes[1] - '0');
    return true;
}

// The day value of a "dd.MM" field completed with the year, or -1 when the field is not exactly
// that form or names no day of that year. Works on the bytes, as it runs for every contact.
int dayThisYear(QByteArrayView line, Span span, int year)
{
    const QByteArrayView text = trimmedBytes(line, span);
    int day = 0;
    int month = 0;
    if (text.size() != 5 || text[2] != '.' || !twoDigits(text.first(2), &day) || !twoDigits(text.sliced(3), &month)) {
        return DateText::invalid;
    }
    // By hand from the year's first day: it runs three times for every contact.
    static thread_local int firstYear = 0;
    static thread_local int firstDay = DateText::invalid;
    if (year != firstYear) {
        const QDate first(year, 1, 1);
        firstDay = first.isValid() ? DateText::toDay(first) : DateText::invalid;
        firstYear = year;
    }
    static constexpr std::array<int, 12> lengths = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    static constexpr std::array<int, 12> before = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    if (firstDay == DateText::invalid || month < 1 || month > 12 || day < 1) {
        return DateText::invalid;
    }
    const int leapDay = QDate::isLeapYear(year) ? 1 : 0;
    if (day > lengths[month - 1] + (month == 2 ? leapDay : 0)) {
        return DateText::invalid;
    }
    return firstDay + before[month - 1] + (month > 2 ? leapDay : 0) + day - 1;
}

QString fieldOf(const QString &line, qsizetype from, qsizetype width)
{
    // Trimmed as a view, so the field is copied once.
    QStringView field = QStringView(line).mid(from, width);
    while (!field.isEmpty() && field.front().unicode() <= 0x20) {
        field = field.sliced(1);
    }
    while (!field.isEmpty() && field.back().unicode() <= 0x20) {
        field.chop(1);
    }
    return field.toString();
}

void appendAscii(QByteArray &key, const QString &text, qsizetype from, qsizetype count)
{
    key.append(Cp1250::encode(QStringView(text).mid(from, count)));
}

} // namespace

namespace AppointmentRecord {

QString encode(const Appointment &appointment)
{
    QString record = FixedText::padToWidth(appointment.date, dateWidth)
                     + FixedText::padToWidth(appointment.person, personWidth)
                     + FixedText::padToWidth(appointment.place, placeWidth)
                     + FixedText::padToWidth(appointment.description, descriptionWidth);
    // A pasted line break would split the record into two file lines.
    for (QChar &ch : record) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\0') {
            ch = u' ';
        }
    }
    return record;
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
    key.reserve(13 + appointment.person.size());
    appendAscii(key, appointment.date, 6, 4);
    appendAscii(key, appointment.date, 3, 2);
    appendAscii(key, appointment.date, 0, 2);
    // All-day entries of a day first, in the order they always had, then the timed ones by start.
    if (appointment.time.isTimed()) {
        const int h = appointment.time.start.hour();
        const int m = appointment.time.start.minute();
        key.append('1');
        key.append(char('0' + h / 10)).append(char('0' + h % 10)).append(char('0' + m / 10)).append(char('0' + m % 10));
    } else {
        key.append('0');
    }
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
    // The order of appointmentSortKey, made once per entry rather than once per comparison: the
    // day and the start as one number, the person's bytes only where those are equal.
    struct Keyed
    {
        qint64 when;
        QByteArray person;
        qsizetype index;
    };
    const auto whenOf = [](const Appointment &a) -> std::optional<qint64> {
        const QString &d = a.date;
        if (d.size() < 10) {
            return std::nullopt;
        }
        qint64 ymd = 0;
        for (const qsizetype i : {6, 7, 8, 9, 3, 4, 0, 1}) {
            if (!d[i].isDigit() || d[i].unicode() > '9') {
                return std::nullopt;
            }
            ymd = ymd * 10 + (d[i].unicode() - '0');
        }
        const qint64 start = a.time.isTimed() ? 1 + a.time.start.hour() * 100 + a.time.start.minute() : 0;
        return ymd * 10000 + start;
    };
    QList<Keyed> keyed;
    keyed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto when = whenOf(entries.at(i));
        if (!when) {
            keyed.clear();
            break; // a date of another form: the whole key, below
        }
        keyed.append({*when, Cp1250::encode(entries.at(i).person), i});
    }
    if (keyed.size() != entries.size()) {
        keyed.clear();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            keyed.append({0, appointmentSortKey(entries.at(i)), i});
        }
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        return a.when != b.when ? a.when < b.when : a.person < b.person;
    });
    QList<Appointment> sorted;
    sorted.reserve(entries.size());
    for (const Keyed &k : std::as_const(keyed)) {
        sorted.append(std::move(entries[k.index]));
    }
    entries = std::move(sorted);
}

bool AppointmentList::build(const QString &dataDir, const QDate &today, int range, QString *error, Persons persons)
{
    m_entries.clear();
    m_persons.clear();
    m_todayText = DateText::toText(today);
    const int year = m_todayText.mid(6, 4).toInt();
    const AppointmentRange near(DateText::parse(m_todayText), range);

    bool readable = true;
    QString contactsError;
    // Line by line as the file is read: only the dates near today (and the names, when asked
    // for) stay, whatever the size of the book.
    const auto contact = [&](QByteArrayView line) {
        addContactDates(line, year, near, persons);
    };
    if (!TextFile::forEachLine(
            QDir(dataDir).filePath(QLatin1String(contactsFileName)), contact, nullptr, &contactsError)) {
        readable = false;
        if (error) {
            *error = contactsError;
        }
        m_entries.clear();
        m_persons.clear();
    }

    m_path = QDir(dataDir).filePath(QLatin1String(fileName));
    TerminyCzytaj(near, error, &readable);
    attachTimes(dataDir);
    sort(m_entries);
    return readable;
}

void AppointmentList::addContactDates(QByteArrayView line, int year, const AppointmentRange &range, Persons persons)
{
    QString name;
    if (persons == Persons::Kept) {
        name = field(line, nameColumns);
        m_persons.append(name);
    }

    const auto near = [&](int day) {
        return range.nearToday(day);
    };
    const auto add = [&](int day, const QString &description) {
        if (persons == Persons::Skipped) {
            name = field(line, nameColumns);
        }
        m_entries.append({DateText::fromDayToText(day), name, field(line, cityColumns), description});
    };
    // How many years have passed since the year held in the columns; nothing when they hold no number.
    const auto yearsSince = [&](Span yearColumns) -> std::optional<int> {
        bool ok = false;
        const int then = trimmedBytes(line, yearColumns).toByteArray().toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
        return year - then;
    };

    const int nameDay = dayThisYear(line, nameDayColumns, year);
    if (near(nameDay)) {
        add(nameDay, QStringLiteral("Imieniny"));
    }
    const int birthday = dayThisYear(line, birthdayDayMonth, year);
    if (near(birthday)) {
        // "dd.MM" as typed, or the year an earlier version wrote for none.
        if (trimmedBytes(line, birthdayColumns).size() == 5
            || trimmedBytes(line, birthdayYear) == QByteArrayView(noYearDigits)) {
            add(birthday, QStringLiteral("Urodziny")); // known without its year: no age to tell
        } else if (const auto age = yearsSince(birthdayYear)) {
            add(birthday, QString::number(*age) + QStringLiteral(" urodziny"));
        }
    }
    const int wedding = dayThisYear(line, weddingDayMonth, year);
    if (near(wedding)) {
        if (const auto years = yearsSince(weddingYear)) {
            add(wedding, QString::number(*years) + QStringLiteral(" rocznica ślubu"));
        }
    }
}

void AppointmentList::TerminyCzytaj(const AppointmentRange &range, QString *error, bool *readable)
{
    m_store.clear();
    m_readError.clear();
    QString readError;
    const qsizetype contactEntries = m_entries.size();
    const auto stored = [&](QByteArrayView bytes) {
        const QString line = Cp1250::decode(bytes);
        // A line whose date is missing, is no real date or is too old leaves the store.
        Appointment entry = AppointmentRecord::decode(line);
        if (entry.date.size() != AppointmentRecord::dateWidth) {
            return;
        }
        if (!range.keeps(DateText::parse(entry.date))) {
            return;
        }
        m_entries.append(std::move(entry));
        m_store.append(line);
    };
    if (!TextFile::forEachLine(m_path, stored, nullptr, &readError)) {
        m_readError = readError;
        *readable = false;
        if (error) {
            *error = readError;
        }
        m_entries.resize(contactEntries);
        m_store.clear();
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
    if (m_backup) {
        m_backup->beforeWrite(m_path);
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
    QString before;
    if (replaced >= 0 && replaced < store.size()) {
        before = store.takeAt(replaced);
    }
    store.append(record);
    if (!writeStore(store, error)) {
        return false;
    }
    carryTime(replaced, record, store);
    m_store = std::move(store);
    if (m_edits) {
        (void)m_edits->record(before, record, nullptr); // without it the sync pairs the two by content
    }
    return true;
}

bool AppointmentList::removeRecord(int index, QString *error)
{
    QStringList store = m_store;
    QString before;
    if (index >= 0 && index < store.size()) {
        before = store.takeAt(index);
    }
    if (!writeStore(store, error)) {
        return false;
    }
    carryTime(index, QString(), store);
    m_store = std::move(store);
    if (m_edits) {
        (void)m_edits->record(before, {}, nullptr);
    }
    return true;
}

void AppointmentList::attachTimes(const QString &dataDir)
{
    m_timesError.clear();
    if (!m_times.load(dataDir, &m_timesError) && m_timesError.isEmpty()) {
        m_timesError = QStringLiteral("?");
    }
    // The stored appointments follow the contact dates, in store order.
    const qsizetype first = m_entries.size() - m_store.size();
    for (qsizetype i = 0; i < m_store.size(); ++i) {
        m_entries[first + i].time = m_times.time(m_store.at(i));
    }
}

void AppointmentList::carryTime(int replaced, const QString &record, const QStringList &store)
{
    // The side file is secondary: the appointment itself was saved, and a side file that could not
    // be read is not written over.
    if (!m_timesError.isEmpty() || replaced < 0 || replaced >= m_store.size()) {
        return;
    }
    const QString old = m_store.at(replaced);
    if (old == record) {
        return;
    }
    // A line the store holds twice keeps its time for the copy left behind.
    if (store.contains(old)) {
        if (!record.isEmpty()) {
            m_times.setTime(record, m_times.time(old));
        }
    } else if (record.isEmpty()) {
        m_times.remove(old);
    } else {
        m_times.move(old, record);
    }
    (void)m_times.save(store);
}

bool AppointmentList::setTime(const QString &record, const AppointmentTime &time, QString *error)
{
    if (!m_timesError.isEmpty()) {
        if (error) {
            *error = m_timesError;
        }
        return false;
    }
    const AppointmentTime before = m_times.time(record);
    m_times.setTime(record, time);
    if (m_times.save(m_store, error)) {
        return true;
    }
    m_times.setTime(record, before);
    return false;
}
