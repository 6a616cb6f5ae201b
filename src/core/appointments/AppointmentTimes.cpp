#include "AppointmentTimes.h"

#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"

#include <QDir>

#include <algorithm>
#include <array>

namespace {

const QString timeFormat = QStringLiteral("HH:mm");
const QString momentFormat = QStringLiteral("yyyy-MM-ddTHH:mm");

QString shownKey(const QString &record, const QDateTime &alarmAt)
{
    return alarmAt.toString(momentFormat) + u'|' + record;
}

QString timeText(const QTime &time)
{
    return time.isValid() ? time.toString(timeFormat) : QString();
}

// "HH:mm" as the file holds it; invalid for anything else. By hand: the file may hold thousands.
QTime fileTime(QStringView text)
{
    const auto digit = [&text](int i) {
        return text[i].isDigit() ? text[i].digitValue() : -100;
    };
    if (text.size() != 5 || text[2] != u':') {
        return {};
    }
    const int h = digit(0) * 10 + digit(1);
    const int m = digit(3) * 10 + digit(4);
    return h >= 0 && m >= 0 ? QTime(h, m) : QTime();
}

// "yyyy-MM-ddTHH:mm"; invalid for anything else.
QDateTime fileMoment(QStringView text)
{
    if (text.size() != 16 || text[10] != u'T') {
        return {};
    }
    bool ok[3] = {};
    const QDate day(text.sliced(0, 4).toInt(&ok[0]), text.sliced(5, 2).toInt(&ok[1]), text.sliced(8, 2).toInt(&ok[2]));
    const QTime time = fileTime(text.sliced(11));
    if (!ok[0] || !ok[1] || !ok[2] || text[4] != u'-' || text[7] != u'-' || !day.isValid() || !time.isValid()) {
        return {};
    }
    return QDateTime(day, time);
}

// The fields before the record, split off one at a time, so a record holding '|' stays whole.
bool splitFields(const QString &line, int count, QStringList *fields, QString *rest)
{
    qsizetype from = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype bar = line.indexOf(u'|', from);
        if (bar < 0) {
            return false;
        }
        fields->append(line.mid(from, bar - from));
        from = bar + 1;
    }
    *rest = line.mid(from);
    return true;
}

} // namespace

namespace ClockText {

QTime parse(const QString &text, bool *ok)
{
    const QString trimmed = text.trimmed();
    *ok = true;
    if (trimmed.isEmpty()) {
        return {};
    }
    QTime time = QTime::fromString(trimmed, timeFormat);
    if (!time.isValid()) {
        time = QTime::fromString(trimmed, QStringLiteral("H:mm"));
    }
    *ok = time.isValid();
    return time;
}

QString toText(const QTime &time)
{
    return timeText(time);
}

} // namespace ClockText

bool AppointmentTimes::read(const QString &path, Read *into, QString *error)
{
    const auto line = [into](QByteArrayView bytes) {
        // Most lines are times: their fields are split off the bytes, and only the record decoded.
        if (bytes.startsWith("T|")) {
            std::array<QByteArrayView, 3> fields;
            qsizetype from = 2;
            for (QByteArrayView &field : fields) {
                const auto bar = std::find(bytes.begin() + from, bytes.end(), '|');
                if (bar == bytes.end()) {
                    return;
                }
                field = bytes.sliced(from, (bar - bytes.begin()) - from);
                from = (bar - bytes.begin()) + 1;
            }
            AppointmentTime time;
            time.start = fileTime(QString::fromLatin1(fields[0]));
            time.end = fileTime(QString::fromLatin1(fields[1]));
            bool ok = false;
            time.alarmMinutes = fields[2].toByteArray().toInt(&ok);
            if (!ok || time.alarmMinutes < 0) {
                time.alarmMinutes = AppointmentTime::noAlarm;
            }
            if (!time.isEmpty()) {
                into->times.insert(Cp1250::decode(bytes.sliced(from)), time);
            }
            return;
        }
        const QString text = Cp1250::decode(bytes);
        QStringList fields;
        QString record;
        if (text.startsWith(u"S|") && splitFields(text.mid(2), 1, &fields, &record)) {
            const QDateTime at = fileMoment(fields.at(0));
            if (at.isValid()) {
                into->shown.insert(shownKey(record, at));
            }
        } else if (text.startsWith(u"D|")) {
            const QDate day = DateText::parseDate(text.mid(2));
            if (day.isValid() && (!into->announced.isValid() || day > into->announced)) {
                into->announced = day;
            }
        }
        // Anything else is a line of a later version or damage: it is left out.
    };
    return TextFile::forEachLine(path, line, nullptr, error);
}

bool AppointmentTimes::load(const QString &dataDir, QString *error)
{
    m_path = QDir(dataDir).filePath(QLatin1String(fileName));
    Read got;
    const bool ok = read(m_path, &got, error);
    if (!ok) {
        got = {};
    }
    m_times = std::move(got.times);
    m_shown = std::move(got.shown);
    m_announced = got.announced;
    return ok;
}

AppointmentTime AppointmentTimes::time(const QString &record) const
{
    return m_times.value(record);
}

void AppointmentTimes::setTime(const QString &record, const AppointmentTime &time)
{
    if (time.isEmpty()) {
        m_times.remove(record);
    } else {
        m_times.insert(record, time);
    }
}

void AppointmentTimes::move(const QString &from, const QString &to)
{
    if (from == to) {
        return;
    }
    const auto found = m_times.constFind(from);
    if (found == m_times.cend()) {
        return;
    }
    const AppointmentTime time = found.value();
    m_times.erase(found);
    m_times.insert(to, time);
}

bool AppointmentTimes::wasShown(const QString &record, const QDateTime &alarmAt) const
{
    return m_shown.contains(shownKey(record, alarmAt));
}

void AppointmentTimes::markShown(const QString &record, const QDateTime &alarmAt)
{
    m_shown.insert(shownKey(record, alarmAt));
}

bool AppointmentTimes::wasShown(const QString &record, const QString &moment) const
{
    return m_shown.contains(moment + u'|' + record);
}

void AppointmentTimes::markShown(const QString &record, const QString &moment)
{
    m_shown.insert(moment + u'|' + record);
}

bool AppointmentTimes::save(const QStringList &live, QString *error)
{
    // What another writer (the running organiser's alarms, or its window) marked meanwhile.
    Read onDisk;
    if (read(m_path, &onDisk, nullptr)) {
        m_shown.unite(onDisk.shown);
        if (onDisk.announced.isValid() && (!m_announced.isValid() || onDisk.announced > m_announced)) {
            m_announced = onDisk.announced;
        }
    }
    const QSet<QString> alive(live.cbegin(), live.cend());
    QList<QByteArray> lines;
    if (m_announced.isValid()) {
        lines.append(Cp1250::encode(QStringLiteral("D|") + DateText::toText(m_announced)));
    }
    // In the order of the store, so the file reads like "Morwinek.term" beside it.
    QSet<QString> written;
    for (const QString &record : live) {
        const auto found = m_times.constFind(record);
        if (found == m_times.cend() || written.contains(record)) {
            continue;
        }
        written.insert(record);
        const AppointmentTime &t = found.value();
        lines.append(Cp1250::encode(
            QStringLiteral("T|%1|%2|%3|").arg(timeText(t.start), timeText(t.end), QString::number(t.alarmMinutes))
            + record));
    }
    for (auto it = m_shown.begin(); it != m_shown.end();) {
        const qsizetype bar = it->indexOf(u'|');
        if (!alive.contains(it->mid(bar + 1))) {
            it = m_shown.erase(it);
            continue;
        }
        lines.append(Cp1250::encode(QStringLiteral("S|") + *it));
        ++it;
    }
    for (auto it = m_times.begin(); it != m_times.end();) {
        it = alive.contains(it.key()) ? std::next(it) : m_times.erase(it);
    }
    if (m_backup) {
        m_backup->beforeWrite(m_path);
    }
    return TextFile::writeAtomically(m_path, TextFile::joinLines(lines), error);
}
