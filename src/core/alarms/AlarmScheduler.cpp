#include "AlarmScheduler.h"

#include "core/appointments/AppointmentList.h"
#include "core/appointments/AppointmentRange.h"
#include "core/common/Clock.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// Later than this by the wall clock, compared with the time the timer counted, is a sleep or a
// set clock rather than a busy moment.
constexpr qint64 jumpMs = 60 * 1000;
// An alarm shown this late counts as missed.
constexpr qint64 lateSecs = 120;
constexpr qint64 snoozeSecs = 10 * 60;
constexpr int dayLinesShown = 15;

// The plain timer: counts the time the computer is awake.
class QtWakeTimer final : public WakeTimer
{
public:
    QtWakeTimer()
    {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &WakeTimer::fired);
    }
    void arm(const QDateTime &, qint64 waitMs) override
    {
        m_timer.start(static_cast<int>(std::clamp<qint64>(waitMs, 0, std::numeric_limits<int>::max())));
    }

private:
    QTimer m_timer;
};

QString joinNotEmpty(const QStringList &parts, const QString &separator)
{
    QStringList kept;
    for (const QString &p : parts) {
        if (!p.isEmpty()) {
            kept.append(p);
        }
    }
    return kept.join(separator);
}

} // namespace

QDateTime PlannedAlarm::at() const
{
    const qint64 day = minute >= 0 ? minute / 1440 : (minute - 1439) / 1440;
    const int inDay = static_cast<int>(minute - day * 1440);
    return QDateTime(QDate::fromJulianDay(day), QTime(inDay / 60, inDay % 60));
}

QString PlannedAlarm::moment() const
{
    const qint64 day = minute >= 0 ? minute / 1440 : (minute - 1439) / 1440;
    const int inDay = static_cast<int>(minute - day * 1440);
    const QDate d = QDate::fromJulianDay(day);
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d", d.year(), d.month(), d.day(), inDay / 60, inDay % 60);
}

namespace Alarms {

qint64 wallMinute(const QDateTime &at)
{
    return at.date().toJulianDay() * 1440 + at.time().msecsSinceStartOfDay() / 60000;
}

bool read(const QString &dataDir,
          const QDate &today,
          int range,
          QList<PlannedAlarm> *alarms,
          AppointmentTimes *times,
          QString *error)
{
    alarms->clear();
    if (!times->load(dataDir, error)) {
        return false;
    }
    if (times->records().isEmpty()) {
        return true; // no appointment has a time: nothing to read
    }
    const AppointmentRange kept(DateText::toDay(today), range);
    const auto line = [&](QByteArrayView bytes) {
        const QString record = Cp1250::decode(bytes);
        const AppointmentTime time = times->time(record);
        if (!time.hasAlarm()) {
            return;
        }
        // The lines the list keeps: a real date, not more than range days ago.
        const int day = DateText::parse(record.left(AppointmentRecord::dateWidth));
        if (!kept.keeps(day)) {
            return;
        }
        Appointment appointment = AppointmentRecord::decode(record);
        appointment.time = time;
        const qint64 start = DateText::fromDay(day).toJulianDay() * 1440 + time.start.msecsSinceStartOfDay() / 60000;
        alarms->append({record, appointment, start - time.alarmMinutes});
    };
    if (!TextFile::forEachLine(
            QDir(dataDir).filePath(QLatin1String(AppointmentList::fileName)), line, nullptr, error)) {
        alarms->clear();
        return false;
    }
    std::stable_sort(alarms->begin(), alarms->end(), [](const PlannedAlarm &a, const PlannedAlarm &b) {
        return a.minute < b.minute;
    });
    return true;
}

const PlannedAlarm *nextAfter(const QList<PlannedAlarm> &alarms, const AppointmentTimes &times, const QDateTime &after)
{
    const qint64 minute = wallMinute(after);
    const auto first = std::upper_bound(alarms.cbegin(), alarms.cend(), minute, [](qint64 m, const auto &a) {
        return m < a.minute;
    });
    for (auto it = first; it != alarms.cend(); ++it) {
        if (!times.wasShown(it->record, it->moment())) {
            return &*it;
        }
    }
    return nullptr;
}

QString describe(const Appointment &appointment)
{
    QString when = appointment.date;
    if (appointment.time.isTimed()) {
        when += u' ' + ClockText::toText(appointment.time.start);
        if (appointment.time.end.isValid()) {
            when += u'-' + ClockText::toText(appointment.time.end);
        }
    }
    const QString first = joinNotEmpty({when, appointment.description}, QStringLiteral(" "));
    const QString second = joinNotEmpty({appointment.person, appointment.place}, QStringLiteral(" - "));
    return joinNotEmpty({first, second}, QStringLiteral("\n"));
}

Notification dayNotification(const QList<Appointment> &entries)
{
    if (entries.isEmpty()) {
        return {};
    }
    QStringList lines;
    for (qsizetype i = 0; i < entries.size() && i < dayLinesShown; ++i) {
        const Appointment &e = entries.at(i);
        lines.append(describe(e).replace(u'\n', QStringLiteral(", ")));
    }
    if (entries.size() > dayLinesShown) {
        lines.append(QStringLiteral("… i %1 więcej").arg(entries.size() - dayLinesShown));
    }
    return {QStringLiteral("Morwinek - Terminy"), lines.join(u'\n')};
}

} // namespace Alarms

AlarmScheduler::AlarmScheduler(const Clock &clock,
                               QString dataDir,
                               std::function<int()> range,
                               Notifier &notifier,
                               WakeTimer *wakeTimer,
                               QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_dataDir(std::move(dataDir))
    , m_range(std::move(range))
    , m_notifier(notifier)
    , m_timer(wakeTimer)
{
    if (!m_timer) {
        m_ownTimer = std::make_unique<QtWakeTimer>();
        m_timer = m_ownTimer.get();
    }
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_monotonic = [elapsed] {
        return elapsed->elapsed();
    };
    connect(m_timer, &WakeTimer::fired, this, &AlarmScheduler::timerFired);
    connect(m_timer, &WakeTimer::clockChanged, this, [this] {
        check(true);
    });
    connect(&m_notifier, &Notifier::actionChosen, this, &AlarmScheduler::onAction);
}

AlarmScheduler::~AlarmScheduler() = default;

void AlarmScheduler::start()
{
    m_announcedHere = m_clock.today();
    load();
    showDue(true);
    showPending();
    arm();
}

void AlarmScheduler::check(bool wake)
{
    load();
    showDue(wake);
    if (wake || m_clock.today() != m_announcedHere) {
        announceDay();
    }
    showPending();
    arm();
}

void AlarmScheduler::showPending()
{
    // Marked before they are shown: a failed write may lose a notification, never repeat one.
    if (m_marked) {
        save();
        m_marked = false;
    }
    const QList<Notification> pending = std::exchange(m_pending, {});
    for (const Notification &note : pending) {
        if (const quint32 id = m_notifier.show(note)) {
            m_shownNotes.insert(id, note);
        }
    }
}

void AlarmScheduler::timerFired()
{
    const qint64 wall = m_plannedWall.msecsTo(m_clock.now());
    const qint64 counted = m_monotonic() - m_plannedMonotonic;
    check(std::abs(wall - counted) > jumpMs);
}

void AlarmScheduler::load()
{
    QString error;
    if (!Alarms::read(m_dataDir, m_clock.today(), m_range(), &m_alarms, &m_times, &error)) {
        m_error = error;
    }
}

void AlarmScheduler::showDue(bool wake)
{
    const QDateTime now = m_clock.now();
    const qint64 nowMinute = Alarms::wallMinute(now);
    QList<const PlannedAlarm *> due;
    for (const PlannedAlarm &alarm : m_alarms) {
        if (alarm.minute > nowMinute) {
            break;
        }
        if (!m_times.wasShown(alarm.record, alarm.moment())) {
            due.append(&alarm);
        }
    }
    for (auto it = m_snoozed.begin(); it != m_snoozed.end();) {
        if (it->first <= now) {
            m_pending.append(it->second);
            it = m_snoozed.erase(it);
        } else {
            ++it;
        }
    }
    if (due.isEmpty()) {
        return;
    }
    Notification note;
    if (due.size() == 1 && !wake && (nowMinute - due.first()->minute) * 60 <= lateSecs) {
        note = {QStringLiteral("Morwinek - Przypomnienie"), Alarms::describe(due.first()->appointment)};
    } else {
        QStringList lines;
        for (const PlannedAlarm *alarm : due) {
            lines.append(Alarms::describe(alarm->appointment));
        }
        note = {QStringLiteral("Morwinek - Przegapione przypomnienia"), lines.join(QStringLiteral("\n\n"))};
    }
    for (const PlannedAlarm *alarm : due) {
        m_times.markShown(alarm->record, alarm->moment());
    }
    m_marked = true;
    m_pending.append(note);
}

void AlarmScheduler::announceDay()
{
    const QDate today = m_clock.today();
    if (today == m_announcedHere || (m_times.announcedDay().isValid() && m_times.announcedDay() >= today)) {
        m_announcedHere = today;
        return;
    }
    m_announcedHere = today;
    AppointmentList list;
    QString error;
    if (!list.build(m_dataDir, today, m_range(), &error, AppointmentList::Persons::Skipped)) {
        m_error = error;
    }
    const Notification note = Alarms::dayNotification(list.entries());
    if (note.title.isEmpty()) {
        return;
    }
    m_times.setAnnouncedDay(today);
    m_marked = true;
    m_pending.append(note);
}

void AlarmScheduler::arm()
{
    const QDateTime now = m_clock.now();
    QDateTime next(now.date().addDays(1), QTime(0, 0));
    if (const PlannedAlarm *alarm = Alarms::nextAfter(m_alarms, m_times, now)) {
        next = std::min(next, alarm->at());
    }
    for (const auto &snoozed : m_snoozed) {
        next = std::min(next, snoozed.first);
    }
    m_nextDue = next;
    m_plannedWall = now;
    m_plannedMonotonic = m_monotonic();
    m_timer->arm(next, std::max<qint64>(0, now.msecsTo(next)));
}

void AlarmScheduler::onAction(quint32 id, Notifier::Action action)
{
    if (action == Notifier::Open) {
        emit openRequested();
        return;
    }
    const auto found = m_shownNotes.constFind(id);
    if (found == m_shownNotes.cend()) {
        return;
    }
    m_snoozed.append({m_clock.now().addSecs(snoozeSecs), found.value()});
    arm();
}

void AlarmScheduler::save()
{
    // The side file keeps the entries of the lines still in the appointments file.
    QStringList live;
    QString error;
    const auto line = [&live](QByteArrayView bytes) {
        live.append(Cp1250::decode(bytes));
    };
    if (!TextFile::forEachLine(
            QDir(m_dataDir).filePath(QLatin1String(AppointmentList::fileName)), line, nullptr, &error)
        || !m_times.save(live, &error)) {
        m_error = error;
    }
}
