// What a sync must never do to what a phone wrote, end to end through a real Radicale: items are
// patched, not replaced; nothing is duplicated without the state file; nothing refused is dropped;
// nothing is deleted in bulk without the user's word.
#include "support/SyncDevices.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentTimes.h"
#include "core/common/Cp1250.h"
#include "core/exchange/ContentLines.h"
#include "core/exchange/ICalendar.h"
#include "core/sync/DeletedItems.h"
#include "core/sync/SyncState.h"

#include <QCryptographicHash>

using namespace Qt::StringLiterals;

namespace {

// A timed event as a phone writes it: a zone, an end, a description, an alarm, a vendor property.
QByteArray phoneEvent(const QDate &day, int days)
{
    const QByteArray start = day.toString(u"yyyyMMdd"_s).toLatin1();
    const QByteArray end = day.addDays(days - 1).toString(u"yyyyMMdd"_s).toLatin1();
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Telefon//PL\r\n"
           "BEGIN:VTIMEZONE\r\nTZID:Europe/Warsaw\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\n"
           "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nDTSTART:19810329T020000\r\nTZNAME:CEST\r\n"
           "TZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\n"
           "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nDTSTART:19961027T030000\r\nTZNAME:CET\r\n"
           "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n"
           "BEGIN:VEVENT\r\nUID:telefon-wydarzenie-1\r\nDTSTAMP:20261201T090000Z\r\n"
           "DTSTART;TZID=Europe/Warsaw:"
           + start + "T143000\r\nDTEND;TZID=Europe/Warsaw:" + end
           + "T150000\r\nSUMMARY:Dentysta\r\nDESCRIPTION:Zabrać kartę\r\nLOCATION:Gabinet\r\n"
             "X-TELEFON-PODROZ:AUTOMATIC\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Przypomnienie\r\n"
             "TRIGGER:-PT30M\r\nEND:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

QByteArray phoneCard(const QString &uid, const QString &family, const QString &given, const QString &mobile)
{
    return (u"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:%1\r\nFN:%3 %2\r\nN:%2;%3;;;\r\nTEL;TYPE=CELL:%4\r\n"
            u"X-TELEFON:zostaje\r\nEND:VCARD\r\n"_s)
        .arg(uid, family, given, mobile)
        .toUtf8();
}

// The item's lines without folding, upper case: what a server that rewrites items keeps.
QString unfolded(QByteArray text)
{
    text.replace("\r\n ", "").replace("\n ", "");
    return QString::fromUtf8(text).toUpper();
}

// After "DTSTART" or "DTEND": a time on the Warsaw clock in the form "zone", "utc" or "floating".
QByteArray timeIn(const QString &form, const QDate &day, QTime warsawTime)
{
    const QDateTime at(day, warsawTime, QTimeZone("Europe/Warsaw"));
    return form == u"utc"        ? ':' + at.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'"_s).toLatin1()
           : form == u"floating" ? ':' + at.toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1()
                                 : ";TZID=Europe/Warsaw:" + at.toString(u"yyyyMMdd'T'HHmmss"_s).toLatin1();
}

// The times of the data folder's appointments, as the window reads and writes them.
AppointmentTime timeOf(const Device &device, const QString &record, const AppointmentTime *newTime = nullptr)
{
    AppointmentList list;
    (void)list.build(device.dir.path(), device.today, 3);
    if (newTime) {
        (void)list.setTime(record, *newTime, nullptr);
    }
    return list.timeOf(record);
}

// The appointments window replacing one stored record by another.
void editInWindow(Device &device, const QString &before, const QString &after, bool recorded)
{
    AppointmentList list;
    QVERIFY(list.build(device.dir.path(), device.today, 3));
    const AppointmentEdits edits(device.dir.path(), [] {
        return true;
    });
    if (recorded) {
        list.setEdits(&edits);
    }
    QVERIFY(list.Pozycja(before) >= 0);
    QVERIFY(list.saveRecord(after, list.Pozycja(before), nullptr));
}

} // namespace

class tst_SyncPromises : public QObject
{
    Q_OBJECT

private:
    RadicaleServer m_server;
    std::unique_ptr<RawDav> m_raw;
    int m_collections = 0;

    SyncAccount account() { return accountFor(*m_raw, m_server, u"p%1"_s.arg(++m_collections)); }
    void put(const QString &collection, const QString &name, const QByteArray &text, bool calendar)
    {
        const auto answer = m_raw->send(
            "PUT", QUrl(collection).path() + name, text, {{"Content-Type", calendar ? "text/calendar" : "text/vcard"}});
        QVERIFY2(answer.status < 300, answer.body.constData());
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<SyncOutcome>();
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_raw = std::make_unique<RawDav>(m_server.url());
    }

    // An appointment from the phone edited here changes the phone's event where it was changed.
    void phoneEventEditedHere_data()
    {
        QTest::addColumn<int>("days");      // of the phone's event
        QTest::addColumn<bool>("recorded"); // the window recorded the edit (else paired by content)
        QTest::addColumn<int>("moveBy");    // days the appointment moves
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("place");
        QTest::newRow("text, recorded") << 1 << true << 0 << u"Dentysta kontrola"_s << u"Gabinet"_s;
        QTest::newRow("text, paired") << 1 << false << 0 << u"Dentysta kontrola"_s << u"Gabinet"_s;
        QTest::newRow("place") << 1 << true << 0 << u"Dentysta"_s << u"Przychodnia, pok. 5"_s;
        QTest::newRow("moved, paired") << 1 << false << 2 << u"Dentysta"_s << u"Gabinet"_s;
        QTest::newRow("three days, moved") << 3 << true << 1 << u"Dentysta"_s << u"Gabinet"_s;
    }
    void phoneEventEditedHere()
    {
        QFETCH(int, days);
        QFETCH(bool, recorded);
        QFETCH(int, moveBy);
        QFETCH(QString, description);
        QFETCH(QString, place);
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(2);
        put(a.calendarUrl, u"wizyta.ics"_s, phoneEvent(day, days), true);
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        const QString before = record(day, {}, u"Gabinet"_s, u"Dentysta"_s);
        QCOMPARE(one.records(), QStringList{before});
        const QString after = record(day.addDays(moveBy), {}, place, description);
        editInWindow(one, before, after, recorded);
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.sent, 1);
        QCOMPARE(o.appointments.deletedOnServer, 0);

        const auto members = m_raw->members(a.calendarUrl, true);
        QCOMPARE(members.size(), 1);
        QVERIFY(members.firstKey().endsWith(u"wizyta.ics"));
        const QString now = unfolded(members.first());
        const QString start = day.addDays(moveBy).toString(u"yyyyMMdd"_s);
        const QString end = day.addDays(moveBy + days - 1).toString(u"yyyyMMdd"_s);
        for (const QString &kept : {u"UID:telefon-wydarzenie-1"_s,
                                    u"DTSTART;TZID=Europe/Warsaw:"_s + start + u"T143000"_s,
                                    u"DTEND;TZID=Europe/Warsaw:"_s + end + u"T150000"_s,
                                    u"BEGIN:VTIMEZONE"_s,
                                    u"TRIGGER:-PT30M"_s,
                                    u"DESCRIPTION:Zabrać kartę"_s,
                                    u"X-TELEFON-PODROZ:AUTOMATIC"_s,
                                    u"SUMMARY:"_s + description,
                                    u"LOCATION:"_s + QString(place).replace(u","_s, u"\\,"_s)}) {
            QVERIFY2(now.contains(kept.toUpper()), qPrintable(kept));
        }
        // What was sent ends every line in CR LF, whatever the server's XML made of them.
        SyncState state;
        QVERIFY(state.load(one.dir.path(), nullptr));
        QCOMPARE(state.appointments.items.size(), 1);
        const QByteArray sent = state.appointments.items.first().serverText;
        QCOMPARE(sent.count('\n'), sent.count("\r\n"));
        // Nothing left to do, and the record of edits is used up.
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.appointments));
        QVERIFY(AppointmentEdits::read(one.dir.path()).isEmpty());
        QCOMPARE(one.records(), QStringList{after});
    }

    // A phone's timed event shows its time and alarm here; a new time here moves the phone's
    // DTSTART, DTEND and TRIGGER in their own form, and nothing else of the event.
    void phoneTimedEvent_bothWays_data()
    {
        QTest::addColumn<QString>("form");
        QTest::newRow("zone with VTIMEZONE and VALARM") << u"zone"_s;
        QTest::newRow("UTC") << u"utc"_s;
        QTest::newRow("floating") << u"floating"_s;
    }
    void phoneTimedEvent_bothWays()
    {
        QFETCH(QString, form);
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(2);
        const auto at = [&](int h, int m) {
            return timeIn(form, day, QTime(h, m));
        };
        const auto local = [&](int h, int m) { // floating times are the wall clock here
            const QDateTime t(day, QTime(h, m), QTimeZone("Europe/Warsaw"));
            return form == u"floating" ? t.time() : t.toLocalTime().time();
        };
        put(a.calendarUrl,
            u"wizyta.ics"_s,
            phoneEvent(day, 1)
                .replace(timeIn(u"zone"_s, day, QTime(14, 30)), at(14, 30))
                .replace(timeIn(u"zone"_s, day, QTime(15, 0)), at(15, 0)),
            true);
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        const QString dentist = record(day, {}, u"Gabinet"_s, u"Dentysta"_s);
        QCOMPARE(one.records(), QStringList{dentist});
        QCOMPARE(timeOf(one, dentist), (AppointmentTime{local(14, 30), local(15, 0), 30}));
        SyncState state;
        QVERIFY(state.load(one.dir.path(), nullptr) && state.appointments.items.size() == 1);
        const QByteArray was = state.appointments.items.first().serverText; // as the server gives it

        const AppointmentTime later{local(16, 0), local(17, 15), 15};
        (void)timeOf(one, dentist, &later);
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.sent, 1);
        QVERIFY(state.load(one.dir.path(), nullptr));
        const QByteArray expected =
            QByteArray(was).replace(at(14, 30), at(16, 0)).replace(at(15, 0), at(17, 15)).replace("-PT30M", "-PT15M");
        QVERIFY(expected != was);
        QCOMPARE(state.appointments.items.first().serverText, expected); // every other byte as it was
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.appointments));
        QCOMPARE(timeOf(one, dentist), later);
    }

    // A folder whose side file lost the times (an older version kept them on the server only, with
    // the record's own hash in the state) takes the synced event's time back without a write; a
    // time removed here after it was synced with one goes to the server as removed.
    void timesOnTheServerOnly_data()
    {
        QTest::addColumn<bool>("olderVersion");
        QTest::newRow("synced by an older version: taken back") << true;
        QTest::newRow("removed here: sent") << false;
    }
    void timesOnTheServerOnly()
    {
        QFETCH(bool, olderVersion);
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(2);
        put(a.calendarUrl, u"wizyta.ics"_s, phoneEvent(day, 1), true);
        QVERIFY(one.sync(a).ok);
        const QString dentist = record(day, {}, u"Gabinet"_s, u"Dentysta"_s);
        const AppointmentTime synced = timeOf(one, dentist);
        QVERIFY(synced.isTimed());
        QVERIFY(QFile::remove(one.path(QLatin1String(AppointmentTimes::fileName))));
        if (olderVersion) {
            SyncState state;
            QVERIFY(state.load(one.dir.path(), nullptr) && state.appointments.items.size() == 1);
            state.appointments.items.first().hash =
                QCryptographicHash::hash(Cp1250::encode(dentist), QCryptographicHash::Sha1).toHex();
            QVERIFY(state.save(one.dir.path(), nullptr));
        }
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.appointments.sent, olderVersion ? 0 : 1);
        QCOMPARE(timeOf(one, dentist), olderVersion ? synced : AppointmentTime());
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.appointments));
        QCOMPARE(timeOf(one, dentist), olderVersion ? synced : AppointmentTime());
    }

    // A timed appointment written here is a timed event in Europe/Warsaw with its zone and alarm;
    // another computer takes its time, and the phone's move of it comes back to the first.
    void timedAppointment_reachesOtherDevices()
    {
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(1);
        const QString lunch = record(day, u"Nowak Ewa"_s, u"Kraków"_s, u"Obiad"_s);
        one.setRecords({lunch});
        const AppointmentTime time{QTime(13, 0), QTime(14, 30), 60};
        (void)timeOf(one, lunch, &time);
        QVERIFY(one.sync(a).ok);
        const auto members = m_raw->members(a.calendarUrl, true);
        QCOMPARE(members.size(), 1);
        const auto zoned = [&](QTime local) { // the local time of day as the event gives it
            return ";TZID=Europe/Warsaw:"
                   + QDateTime(day, local)
                         .toTimeZone(QTimeZone("Europe/Warsaw"))
                         .toString(u"yyyyMMdd'T'HHmmss"_s)
                         .toLatin1();
        };
        for (const QByteArray &line :
             QByteArrayList{"BEGIN:VTIMEZONE", "DTSTART" + zoned(QTime(13, 0)), "TRIGGER:-PT1H"}) {
            QVERIFY2(unfolded(members.first()).contains(QString::fromLatin1(line).toUpper()), line.constData());
        }
        Device two; // a copy of the appointments without the file of times: linked, and given the time
        two.setRecords({lunch});
        SyncOutcome o = two.sync(a);
        QVERIFY(o.ok);
        QCOMPARE(o.appointments.conflicts, 0);
        QCOMPARE(o.appointments.sent, 0);
        QCOMPARE(timeOf(two, lunch), time);

        // The phone moves it by half an hour and drops its alarm.
        QByteArray moved = ContentLines::withCrLf(members.first());
        moved.replace(zoned(QTime(13, 0)), zoned(QTime(13, 30)));
        moved.remove(moved.indexOf("BEGIN:VALARM"),
                     moved.indexOf("END:VALARM\r\n") + 12 - moved.indexOf("BEGIN:VALARM"));
        put(a.calendarUrl, QUrl(members.firstKey()).path().section(u'/', -1), moved, true);
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.received, 1);
        QCOMPARE(one.records(), QStringList{lunch});
        QCOMPARE(timeOf(one, lunch), (AppointmentTime{QTime(13, 30), QTime(14, 30), AppointmentTime::noAlarm}));
    }

    // Identity without "Morwinek.sync": a copy of the data folder, and a phone's own book with the
    // same people, are linked by content instead of sent again.
    void noDuplicatesWithoutTheState_data()
    {
        QTest::addColumn<bool>("phoneFirst");
        QTest::newRow("copy of a synced folder") << false;
        QTest::newRow("the phone's book holds the same people") << true;
    }
    void noDuplicatesWithoutTheState()
    {
        QFETCH(bool, phoneFirst);
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(1);
        const QStringList names{u"Kowalski Jan"_s, u"Nowak Ewa"_s, u"Wiśniewska Anna"_s};
        for (int i = 0; i < names.size(); ++i) {
            QVERIFY(!one.addContact(named(names[i], u"600 10%1 200"_s.arg(i))).isEmpty());
        }
        one.setRecords({record(day, {}, {}, u"Urlop"_s), record(day, u"Nowak Ewa"_s, {}, u"Obiad"_s)});
        if (phoneFirst) {
            // The phone wrote them first, under its own UIDs, with more than the book holds.
            for (int i = 0; i < names.size(); ++i) {
                const QStringList parts = names[i].split(u' ');
                put(a.addressBookUrl,
                    u"tel-%1.vcf"_s.arg(i),
                    phoneCard(u"tel-%1"_s.arg(i), parts[0], parts[1], u"+48600 10%1 200"_s.arg(i)),
                    false);
            }
            // A group of the phone's: never a contact here, never deleted from here.
            put(a.addressBookUrl,
                u"grupa.vcf"_s,
                "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:grupa-1\r\nFN:Rodzina\r\nN:Rodzina;;;;\r\n"
                "X-ADDRESSBOOKSERVER-KIND:group\r\nX-ADDRESSBOOKSERVER-MEMBER:urn:uuid:tel-0\r\nEND:VCARD\r\n",
                false);
            put(a.calendarUrl,
                u"urlop.ics"_s,
                ICalendar::appointmentEvent(
                    {DateText::toText(day), {}, {}, u"Urlop"_s}, u"tel-urlop"_s, QDateTime::currentDateTimeUtc()),
                true);
        } else {
            QVERIFY(one.sync(a).ok);
        }
        Device two;
        for (const char *name : {"Morwinek.data", "Morwinek.term"}) {
            QVERIFY(QFile::copy(one.path(QLatin1String(name)), two.path(QLatin1String(name))));
        }
        QVERIFY(QDir(two.dir.path()).mkpath(u"notes"_s));
        SyncOutcome o = two.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(m_raw->members(a.addressBookUrl, false).size(), names.size() + (phoneFirst ? 1 : 0));
        QCOMPARE(m_raw->members(a.calendarUrl, true).size(), 2);
        QCOMPARE(two.contacts().size(), names.size());
        QCOMPARE(two.records().size(), 2);
        QCOMPARE(o.contacts.conflicts, 0);
        if (phoneFirst) { // the phone's cards kept what the book does not hold
            for (const QByteArray &card : m_raw->members(a.addressBookUrl, false)) {
                QVERIFY(card.contains("X-TELEFON:zostaje") || card.contains("KIND:group"));
            }
        }
        QVERIFY((o = two.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
        QVERIFY(isZero(o.appointments));
    }

    // Another collection chosen that holds items: asked first, then linked, not duplicated.
    void switchedCollectionAsksThenLinks()
    {
        SyncAccount a = account();
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s, u"600"_s)).isEmpty());
        QVERIFY(!one.addContact(named(u"Nowak Ewa"_s, u"601"_s)).isEmpty());
        QVERIFY(one.sync(a).ok);
        const SyncAccount other = account();
        put(other.addressBookUrl, u"kowalski.vcf"_s, phoneCard(u"k"_s, u"Kowalski"_s, u"Jan"_s, u"600"_s), false);
        a.addressBookUrl = other.addressBookUrl;
        SyncOutcome o = one.sync(a);
        QVERIFY(!o.ok);
        QCOMPARE(o.held.what, SyncOutcome::Held::Copy);
        QCOMPARE(o.held.count, 1); // Kowalski is linked, Nowak would be copied
        QCOMPARE(m_raw->members(other.addressBookUrl, false).size(), 1);
        QVERIFY(!(o = one.sync(a)).ok); // asked again until allowed
        a.allowCopy = true;
        QVERIFY2((o = one.sync(a)).ok, qPrintable(o.error));
        QCOMPARE(m_raw->members(other.addressBookUrl, false).size(), 2);
        QCOMPARE(one.contacts().size(), 2);
    }

    // Both sides edit one appointment: one appointment, one event, the phone's copy kept aside.
    void appointmentEditedOnBothSides()
    {
        const SyncAccount a = account();
        Device one;
        const QDate day = one.today.addDays(3);
        put(a.calendarUrl, u"wizyta.ics"_s, phoneEvent(day, 1), true);
        QVERIFY(one.sync(a).ok);
        const QString before = record(day, {}, u"Gabinet"_s, u"Dentysta"_s);
        editInWindow(one, before, record(day, {}, u"Gabinet"_s, u"Dentysta 15:00"_s), true);
        const QString href = QUrl(a.calendarUrl).path() + u"wizyta.ics"_s;
        QByteArray theirs = phoneEvent(day, 1);
        theirs.replace("SUMMARY:Dentysta", "SUMMARY:Ortodonta");
        put(a.calendarUrl, u"wizyta.ics"_s, theirs, true);
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.appointments.conflicts, 1);
        QCOMPARE(one.records(), QStringList{record(day, {}, u"Gabinet"_s, u"Dentysta 15:00"_s)});
        const auto members = m_raw->members(a.calendarUrl, true);
        QCOMPARE(members.size(), 1);
        QVERIFY(unfolded(members.value(href)).contains(u"SUMMARY:DENTYSTA 15:00"_s));
        QCOMPARE(one.conflictFiles().size(), 1);
        // A field changed on one side only is merged without a conflict.
        editInWindow(one,
                     record(day, {}, u"Gabinet"_s, u"Dentysta 15:00"_s),
                     record(day, {}, u"Gabinet 2"_s, u"Dentysta 15:00"_s),
                     true);
        QByteArray moved = m_raw->send("GET", href).body;
        moved.replace("TRIGGER:-PT30M", "TRIGGER:-PT1H");
        put(a.calendarUrl, u"wizyta.ics"_s, moved, true);
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.appointments.conflicts, 0);
        const QString now = unfolded(m_raw->members(a.calendarUrl, true).value(href));
        QVERIFY(now.contains(u"TRIGGER:-PT1H"_s));
        QVERIFY(now.contains(u"LOCATION:GABINET 2"_s));
    }

    // A delete here refused because the phone changed the item meanwhile: the change comes back.
    void refusedDeleteBringsTheChangeBack()
    {
        const SyncAccount a = account();
        Device one;
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s, u"600"_s)).isEmpty());
        QVERIFY(one.sync(a).ok);
        one.removeContact(u"Kowalski Jan"_s);
        bool changed = false;
        one.engine.stageHook = [&](const QString &stage, bool calendar) {
            if (stage == u"wysylanie" && !calendar && !changed) {
                changed = true;
                const auto members = m_raw->members(a.addressBookUrl, false);
                QByteArray text = members.first();
                text.replace("END:VCARD", "TITLE:Kierownik\r\nEND:VCARD");
                QVERIFY(m_raw->send("PUT", members.firstKey(), text, {{"Content-Type", "text/vcard"}}).status < 300);
            }
        };
        SyncOutcome o = one.sync(a);
        one.engine.stageHook = nullptr;
        QVERIFY2(o.ok, qPrintable(o.error));
        QVERIFY(changed);
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Tytul, u"Kierownik"_s);
        QCOMPARE(m_raw->members(a.addressBookUrl, false).size(), 1);
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
        QCOMPARE(one.contacts().size(), 1);
    }

    // The server emptied: nothing deleted here until allowed; then kept for restoring.
    void emptiedServerWaitsForTheUser()
    {
        SyncAccount a = account();
        Device one;
        for (int i = 0; i < 8; ++i) {
            QVERIFY(!one.addContact(named(u"Osoba %1"_s.arg(i), u"60%1"_s.arg(i)), u"notatka %1"_s.arg(i)).isEmpty());
        }
        QVERIFY(one.sync(a).ok);
        const auto members = m_raw->members(a.addressBookUrl, false);
        for (auto it = members.cbegin(); it != members.cend(); ++it) {
            QVERIFY(m_raw->send("DELETE", it.key()).status < 300);
        }
        const QByteArray dataBefore = [&] {
            QByteArray bytes;
            (void)TextFile::readBytes(one.path(u"Morwinek.data"_s), &bytes, nullptr, nullptr);
            return bytes;
        }();
        SyncOutcome o = one.sync(a);
        QVERIFY(!o.ok);
        QCOMPARE(o.held.what, SyncOutcome::Held::Deletions);
        QCOMPARE(o.held.count, 8);
        QByteArray dataNow;
        QVERIFY(TextFile::readBytes(one.path(u"Morwinek.data"_s), &dataNow, nullptr, nullptr));
        QCOMPARE(dataNow, dataBefore);
        QVERIFY(m_raw->members(a.addressBookUrl, false).isEmpty()); // nothing sent back either

        a.contactDeletions = SyncAccount::Deletions::DeleteHere;
        QVERIFY2((o = one.sync(a)).ok, qPrintable(o.error));
        QCOMPARE(o.contacts.deletedHere, 8);
        QVERIFY(one.contacts().isEmpty());
        QCOMPARE(DeletedItems::kept(one.dir.path()).contacts, 8);

        DeletedItems::Kept restored;
        QVERIFY(DeletedItems::restore(one.dir.path(), nullptr, &restored, nullptr));
        QCOMPARE(restored.contacts, 8);
        QCOMPARE(one.contacts().size(), 8);
        QString notes;
        QVERIFY(ContactFile(one.dir.path()).readNotes(one.contact(u"Osoba 3"_s).ID, &notes, nullptr));
        QCOMPARE(notes, u"notatka 3"_s);
        QVERIFY(DeletedItems::kept(one.dir.path()).isEmpty());
        a.contactDeletions = SyncAccount::Deletions::Ask;
        QVERIFY((o = one.sync(a)).ok);
        QCOMPARE(o.contacts.sent, 8);
    }

    // A small collection emptied on the server (listed incrementally, as Radicale does) is never
    // emptied here unasked; each answer then does what it says, and the next sync is quiet.
    void emptiedSmallCollection_answered_data()
    {
        using D = SyncAccount::Deletions;
        QTest::addColumn<bool>("calendar");
        QTest::addColumn<int>("answer");
        QTest::newRow("contacts, change nothing") << false << int(D::Ask);
        QTest::newRow("contacts, delete here") << false << int(D::DeleteHere);
        QTest::newRow("contacts, send back") << false << int(D::SendBack);
        QTest::newRow("appointments, change nothing") << true << int(D::Ask);
        QTest::newRow("appointments, delete here") << true << int(D::DeleteHere);
        QTest::newRow("appointments, send back") << true << int(D::SendBack);
    }
    void emptiedSmallCollection_answered()
    {
        QFETCH(bool, calendar);
        QFETCH(int, answer);
        const auto choice = SyncAccount::Deletions(answer);
        SyncAccount a = account();
        const QString collection = calendar ? a.calendarUrl : a.addressBookUrl;
        Device one;
        // Four items: three made here, one written by the phone.
        if (calendar) {
            one.setRecords({record(one.today.addDays(1), u"Jan"_s, u"Gdańsk"_s, u"Zebranie"_s),
                            record(one.today.addDays(2), u"Ola"_s, u"Sopot"_s, u"Obiad"_s),
                            record(one.today.addDays(3), u"Ewa"_s, u"Gdynia"_s, u"Kino"_s)});
            put(collection, u"telefon-1.ics"_s, phoneEvent(one.today.addDays(4), 1), true);
        } else {
            for (int i = 0; i < 3; ++i) {
                QVERIFY(!one.addContact(named(u"Osoba %1"_s.arg(i), u"60%1"_s.arg(i))).isEmpty());
            }
            put(collection, u"telefon-1.vcf"_s, phoneCard(u"telefon-1"_s, u"Nowak"_s, u"Anna"_s, u"700"_s), false);
        }
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        const auto synced = m_raw->members(collection, calendar);
        QCOMPARE(synced.size(), 4);
        for (auto it = synced.cbegin(); it != synced.cend(); ++it) {
            QVERIFY(m_raw->send("DELETE", it.key()).status < 300);
        }
        const auto files = [&] {
            QByteArray data, term;
            (void)TextFile::readBytes(one.path(u"Morwinek.data"_s), &data, nullptr, nullptr);
            (void)TextFile::readBytes(one.path(u"Morwinek.term"_s), &term, nullptr, nullptr);
            return data + term;
        };
        const QByteArray before = files();
        const int here = calendar ? int(one.records().size()) : int(one.contacts().size());
        QCOMPARE(here, 4);

        // Asked: nothing changes on either side, and the next sync asks again.
        for (int time = 0; time < 2; ++time) {
            o = one.sync(a);
            QVERIFY(!o.ok);
            QCOMPARE(o.held.what, SyncOutcome::Held::Deletions);
            QCOMPARE(o.held.calendar, calendar);
            QVERIFY(o.held.emptied);
            QCOMPARE(o.held.count, 4);
            QVERIFY2(o.error.contains(u"Nic nie zmieniono"_s), qPrintable(o.error));
            QCOMPARE(files(), before);
            QVERIFY(m_raw->members(collection, calendar).isEmpty());
            if (choice == SyncAccount::Deletions::Ask) {
                continue;
            }
            break;
        }
        if (choice == SyncAccount::Deletions::Ask) {
            return;
        }
        (calendar ? a.appointmentDeletions : a.contactDeletions) = choice;
        o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        const CollectionSummary &done = calendar ? o.appointments : o.contacts;
        const auto after = m_raw->members(collection, calendar);
        if (choice == SyncAccount::Deletions::DeleteHere) {
            QCOMPARE(done.deletedHere, 4);
            QVERIFY(calendar ? one.records().isEmpty() : one.contacts().isEmpty());
            QVERIFY(after.isEmpty());
        } else {
            QCOMPARE(done.deletedHere, 0);
            QCOMPARE(done.sent, 4);
            QCOMPARE(files(), before);
            // The same items under their own names and UIDs, with what the phone wrote in them.
            QCOMPARE(QStringList(after.keys()), QStringList(synced.keys()));
            const QString phoneItem = QUrl(collection).path() + (calendar ? u"telefon-1.ics"_s : u"telefon-1.vcf"_s);
            QVERIFY(after.contains(phoneItem));
            QVERIFY2(unfolded(after[phoneItem])
                         .contains(calendar ? u"X-TELEFON-PODROZ:AUTOMATIC"_s : u"X-TELEFON:ZOSTAJE"_s),
                     after[phoneItem].constData());
        }
        // Answered once: the next sync has nothing to ask or do.
        a.contactDeletions = a.appointmentDeletions = SyncAccount::Deletions::Ask;
        QVERIFY2((o = one.sync(a)).ok, qPrintable(o.error));
        QVERIFY(isZero(o.contacts) && isZero(o.appointments));
        QCOMPARE(m_raw->members(collection, calendar).size(), choice == SyncAccount::Deletions::SendBack ? 4 : 0);
    }

    // A first sync of a folder made from an older export, linked by content to the phone's card:
    // with no common base the server's value stays (both here and there) and this side's older one
    // is kept in "konflikty", whether the phone's card has a REV or not (this side has none).
    void firstSyncFromOlderCopy_keepsTheServersValue_data()
    {
        QTest::addColumn<bool>("revision");
        QTest::newRow("phone's card with REV") << true;
        QTest::newRow("phone's card without REV") << false;
    }
    void firstSyncFromOlderCopy_keepsTheServersValue()
    {
        QFETCH(bool, revision);
        const SyncAccount a = account();
        const QByteArray phone = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:telefon-bday\r\nFN:Jan Kowalski\r\n"
                                 "N:Kowalski;Jan;;;\r\nTEL;TYPE=CELL:600 100 200\r\nBDAY:--0413\r\n"
                                 + QByteArray(revision ? "REV:20261201T100000Z\r\n" : "") + "END:VCARD\r\n";
        put(a.addressBookUrl, u"telefon-bday.vcf"_s, phone, false);
        Device one;
        Contact older = named(u"Kowalski Jan"_s, u"600 100 200"_s);
        older.Urodziny = u"12.04"_s; // "--0412", as the older export had it
        older.Tytul = u"Inżynier"_s; // only here: travels
        QVERIFY(!one.addContact(older).isEmpty());
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.conflicts, 1);
        QCOMPARE(one.contacts().size(), 1);
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Urodziny, u"13.04"_s);
        QCOMPARE(one.contact(u"Kowalski Jan"_s).Tytul, u"Inżynier"_s);
        const auto members = m_raw->members(a.addressBookUrl, false);
        QCOMPARE(members.size(), 1);
        const QString there = unfolded(members.first());
        QVERIFY2(there.contains(u"BDAY:--0413"_s) && !there.contains(u"0412"_s), qPrintable(there));
        QVERIFY2(there.contains(u"TITLE:INŻYNIER"_s), qPrintable(there));
        const QStringList copies = one.conflictFiles();
        QCOMPARE(copies.size(), 1);
        QByteArray copy;
        QVERIFY(TextFile::readBytes(one.path(u"konflikty/"_s + copies.first()), &copy, nullptr, nullptr));
        QVERIFY2(copy.contains("--0412"), copy.constData());
        QVERIFY((o = one.sync(a)).ok);
        QVERIFY(isZero(o.contacts));
    }

    // A few deletions on the phone go through without asking.
    void fewDeletionsNeedNoWord()
    {
        const SyncAccount a = account();
        Device one;
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!one.addContact(named(u"Osoba %1"_s.arg(i), u"60%1"_s.arg(i))).isEmpty());
        }
        QVERIFY(one.sync(a).ok);
        const auto members = m_raw->members(a.addressBookUrl, false);
        QVERIFY(m_raw->send("DELETE", members.firstKey()).status < 300);
        QVERIFY(m_raw->send("DELETE", members.lastKey()).status < 300);
        const SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        QCOMPARE(o.contacts.deletedHere, 2);
        QCOMPARE(DeletedItems::kept(one.dir.path()).contacts, 2);
    }
};

QTEST_GUILESS_MAIN(tst_SyncPromises)
#include "tst_syncpromises.moc"
