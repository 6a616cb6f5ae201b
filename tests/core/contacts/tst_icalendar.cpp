#include "support/ExchangeBytes.h"

#include "core/exchange/ExchangeContact.h"
#include "core/exchange/ICalendar.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

Contact contact(const QString &id, const QString &name, const QString &born, const QString &nameDay, const QString &wed)
{
    Contact c;
    c.ID = id;
    c.Nazwa = name;
    c.Urodziny = born;
    c.Imieniny = nameDay;
    c.Slub = wed;
    return c;
}

// The logical lines of the file: folds undone, CR LF ends checked.
QStringList unfolded(const QByteArray &bytes)
{
    QStringList lines;
    for (const QByteArray &physical : bytes.split('\n')) {
        if (physical.isEmpty()) {
            continue;
        }
        if (!physical.endsWith('\r')) {
            return {u"<line without CR LF>"_s};
        }
        const QByteArray line = physical.chopped(1);
        if (line.startsWith(' ')) {
            lines.last().append(QString::fromUtf8(line.mid(1)));
        } else {
            lines.append(QString::fromUtf8(line));
        }
    }
    return lines;
}

} // namespace

class TestICalendar : public QObject
{
    Q_OBJECT
private slots:
    void lines_foldedAt75OctetsWithCrLf();
    void recurrence_data();
    void recurrence();
    void appointments_escapedAndStable();
    void summary_neverEmptyNorEndingInABlank_data();
    void summary_neverEmptyNorEndingInABlank();
};

void TestICalendar::lines_foldedAt75OctetsWithCrLf()
{
    const QString longName = u"Żółćgęślą Jaźń "_s.repeated(8).trimmed();
    const QByteArray bytes = ICalendar::write({{u"07.12.2026"_s, longName, u"Łódź"_s, u"x"_s}},
                                              {contact(u"10000"_s, longName, u"08.03.1980"_s, {}, {})},
                                              QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC));
    QVERIFY(bytes.startsWith("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:"));
    QVERIFY(bytes.endsWith("END:VCALENDAR\r\n"));
    for (const QByteArray &physical : bytes.split('\n')) {
        QVERIFY2(physical.chopped(physical.isEmpty() ? 0 : 1).size() <= 75, physical.constData());
        QVERIFY(Exchange::isUtf8(physical)); // no character cut in two
    }
    const QStringList lines = unfolded(bytes);
    QVERIFY(lines.contains(u"SUMMARY:Urodziny: "_s + longName));
}

void TestICalendar::recurrence_data()
{
    QTest::addColumn<Contact>("person");
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QString>("expected"); // lines parted by "|"; empty: no such event
    QTest::newRow("birthday") << contact(u"10001"_s, u"Nowak Jan"_s, u"08.03.1980"_s, {}, {}) << u"urodziny-10001@"_s
                              << u"DTSTART;VALUE=DATE:19800308|DTEND;VALUE=DATE:19800309|RRULE:FREQ=YEARLY|"
                                 u"SUMMARY:Urodziny: Nowak Jan"_s;
    QTest::newRow("born on 29 February") << contact(u"10002"_s, u"Lis Ola"_s, u"29.02.1984"_s, {}, {})
                                         << u"urodziny-10002@"_s
                                         << u"DTSTART;VALUE=DATE:19840229|RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"_s;
    QTest::newRow("name day") << contact(u"10003"_s, u"Kos Ewa"_s, {}, u"24.12"_s, {}) << u"imieniny-10003@"_s
                              << u"DTSTART;VALUE=DATE:20001224|RRULE:FREQ=YEARLY|SUMMARY:Imieniny: Kos Ewa"_s;
    QTest::newRow("wedding at year end")
        << contact(u"10004"_s, u"Bąk Piotr"_s, {}, {}, u"31.12.1999"_s) << u"slub-10004@"_s
        << u"DTSTART;VALUE=DATE:19991231|DTEND;VALUE=DATE:20000101|SUMMARY:Rocznica ślubu: Bąk Piotr"_s;
    // Without its year, from a leap year as a name day, whichever form the book holds.
    QTest::newRow("birthday without a year")
        << contact(u"10006"_s, u"Zych Jan"_s, u"07.12"_s, {}, {}) << u"urodziny-10006@"_s
        << u"DTSTART;VALUE=DATE:20001207|RRULE:FREQ=YEARLY|SUMMARY:Urodziny: Zych Jan"_s;
    QTest::newRow("birthday in the year an earlier version kept for none")
        << contact(u"10007"_s, u"Zych Ewa"_s, u"29.02.1604"_s, {}, {}) << u"urodziny-10007@"_s
        << u"DTSTART;VALUE=DATE:20000229|RRULE:FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1"_s;
    QTest::newRow("birthday that is no date")
        << contact(u"10005"_s, u"Ryś Adam"_s, u"31.02.1980"_s, {}, {}) << u"urodziny-10005@"_s << QString();
}

void TestICalendar::recurrence()
{
    QFETCH(Contact, person);
    QFETCH(QString, uid);
    QFETCH(QString, expected);
    const QStringList lines = unfolded(ICalendar::write({}, {person}, QDateTime::currentDateTimeUtc()));
    // The contact's only event, if any.
    QCOMPARE(lines.count(u"BEGIN:VEVENT"_s), expected.isEmpty() ? 0 : 1);
    QVERIFY(expected.isEmpty() || lines.filter(u"UID:"_s).first().startsWith(u"UID:"_s + uid));
    for (const QString &line : expected.split(u'|', Qt::SkipEmptyParts)) {
        QVERIFY2(lines.contains(line), qPrintable(line));
    }
}

void TestICalendar::appointments_escapedAndStable()
{
    const QList<Appointment> appointments = {{u"07.12.2026"_s, u"Nowak, Jan"_s, u"Sala 1; piętro 2"_s, u"a\\b"_s},
                                             {u"08.12.2026"_s, {}, {}, u"Przegląd"_s},
                                             {u"bez daty"_s, u"X"_s, {}, {}}};
    const QByteArray first = ICalendar::write(appointments, {}, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    const QByteArray second = ICalendar::write(appointments, {}, QDateTime(QDate(2027, 5, 5), QTime(0, 0), Qt::UTC));
    const QStringList lines = unfolded(first);
    QVERIFY(lines.contains(u"SUMMARY:Nowak\\, Jan: a\\\\b"_s));
    QVERIFY(lines.contains(u"LOCATION:Sala 1\\; piętro 2"_s));
    QVERIFY(lines.contains(u"DTSTART;VALUE=DATE:20261208"_s));
    QCOMPARE(lines.count(u"BEGIN:VEVENT"_s), 2);
    const QStringList uids = lines.filter(QRegularExpression(u"^UID:"_s));
    QCOMPARE(unfolded(second).filter(QRegularExpression(u"^UID:"_s)), uids);
    QCOMPARE(QSet<QString>(uids.begin(), uids.end()).size(), 2);
}

void TestICalendar::summary_neverEmptyNorEndingInABlank_data()
{
    QTest::addColumn<QList<Appointment>>("appointments");
    QTest::addColumn<Contact>("person");
    QTest::addColumn<QString>("expected"); // lines parted by "|"

    const QList<Appointment> none;
    const Contact nobody;
    QTest::newRow("birthday of a contact without a name")
        << none << contact(u"10001"_s, {}, u"08.03.1980"_s, {}, {}) << u"SUMMARY:Urodziny"_s;
    QTest::newRow("name day of a name of control characters only")
        << none << contact(u"10002"_s, u"\x01\x02"_s, {}, u"24.12"_s, {}) << u"SUMMARY:Imieniny"_s;
    QTest::newRow("wedding with a control character in the name")
        << none << contact(u"10003"_s, u"Bąk\x1f Piotr\x7f"_s, {}, {}, u"31.12.1999"_s)
        << u"SUMMARY:Rocznica ślubu: Bąk Piotr"_s;
    QTest::newRow("appointment with neither person nor description")
        << QList<Appointment>{{u"07.12.2026"_s, {}, u"Sala 2"_s, {}}} << nobody << u"SUMMARY:Termin|LOCATION:Sala 2"_s;
    QTest::newRow("appointment whose description is a control character")
        << QList<Appointment>{{u"07.12.2026"_s, u"Anna"_s, {}, u"\a"_s}} << nobody << u"SUMMARY:Anna"_s;
    QTest::newRow("appointment with control characters in its texts")
        << QList<Appointment>{{u"07.12.2026"_s, {}, u"Sala\x0c 2"_s, u"Wizyta \x0b"_s}} << nobody
        << u"SUMMARY:Wizyta|LOCATION:Sala 2"_s;
}

void TestICalendar::summary_neverEmptyNorEndingInABlank()
{
    QFETCH(QList<Appointment>, appointments);
    QFETCH(Contact, person);
    QFETCH(QString, expected);
    const QByteArray bytes = ICalendar::write(appointments, {person}, QDateTime::currentDateTimeUtc());
    QCOMPARE(ExchangeBytes::strayControls(bytes, false), QByteArray());
    const QStringList lines = unfolded(bytes);
    QCOMPARE(lines.count(u"BEGIN:VEVENT"_s), 1);
    for (const QString &line : expected.split(u'|')) {
        QVERIFY2(lines.contains(line), qPrintable(lines.join(u'\n')));
    }
}

QTEST_GUILESS_MAIN(TestICalendar)
#include "tst_icalendar.moc"
