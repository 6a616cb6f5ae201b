#include "support/ContactLines.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contactLine(const QString &name,
                       const QString &city = {},
                       const QString &nameDay = {},
                       const QString &birthday = {},
                       const QString &wedding = {})
{
    return contactLineByColumns(name, city, nameDay, birthday, wedding);
}

QString termLine(const QString &date, const QString &person, const QString &place, const QString &description)
{
    return AppointmentRecord::encode({date, person, place, description});
}

QStringList shown(const QList<Appointment> &entries)
{
    QStringList out;
    for (const Appointment &a : entries) {
        out << a.date + u'|' + a.person + u'|' + a.place + u'|' + a.description;
    }
    return out;
}

} // namespace

class TestAppointmentList : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        QFile::remove(path(AppointmentList::contactsFileName));
        QFile::remove(path(AppointmentList::fileName));
    }

    void contactDates_data();
    void contactDates();
    void contactEntries_nameCityAndPersonList();
    void birthdaysWithAndWithoutYear_remindedTheirWay();
    void malformedContactLines_buildGoesOn();
    void nulInStoredLine_laterLinesKept();
    void storedLines_keptOrDropped_data();
    void storedLines_keptOrDropped();
    void droppedLines_goneAfterNextSave();
    void replacedLine_movesToEnd();
    void edits_recordedForTheSync();
    void record_roundTripsAtFullWidth();
    void lineBreaksInTexts_recordStaysOneLine();
    void Pozycja_firstEqualLineOnly();
    void ListView1Compare_data();
    void ListView1Compare();
    void builtList_sortedWithContactDates();
    void sort_agreesWithListView1Compare();
    void failedSave_fileAndStoreUnchanged();
    void unreadableFile_savesRefused();
    void missingFiles_emptyList();
    void extremeRange_data();
    void extremeRange();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    void writeContacts(const QList<QByteArray> &lines) const
    {
        writeBytes(AppointmentList::contactsFileName, lines.join("\r\n") + "\r\n");
    }
    void writeTerms(const QStringList &lines) const
    {
        QByteArray bytes;
        for (const QString &l : lines) {
            bytes += Cp1250::encode(l) + "\r\n";
        }
        writeBytes(AppointmentList::fileName, bytes);
    }
    void writeBytes(const char *name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QList<QByteArray> termFileLines() const
    {
        QFile f(path(AppointmentList::fileName));
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        QList<QByteArray> lines = f.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) {
            lines.removeLast();
        }
        for (QByteArray &l : lines) {
            if (!l.endsWith('\r')) {
                return {"line without CR LF"};
            }
            l.chop(1);
        }
        return lines;
    }

    QTemporaryDir m_dir;
    const QDate m_dec6{2026, 12, 6};
};

void TestAppointmentList::contactDates_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("nameDay");
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<QString>("wedding");
    QTest::addColumn<QStringList>("expected"); // date|description, in list order

    const QDate dec6(2026, 12, 6);
    const QDate dec30(2026, 12, 30);
    QTest::newRow("born 08.12, in range") << dec6 << ""
                                          << "08.12.1980"
                                          << "" << QStringList{"08.12.2026|46 urodziny"};
    QTest::newRow("born 03.12, in range") << dec6 << ""
                                          << "03.12.1980"
                                          << "" << QStringList{"03.12.2026|46 urodziny"};
    QTest::newRow("born 02.12, four days ago") << dec6 << ""
                                               << "02.12.1980"
                                               << "" << QStringList{};
    QTest::newRow("born 10.12, four days ahead") << dec6 << ""
                                                 << "10.12.1980"
                                                 << "" << QStringList{};
    QTest::newRow("name day today") << dec6 << "06.12"
                                    << ""
                                    << "" << QStringList{"06.12.2026|Imieniny"};
    QTest::newRow("wedding this year") << dec6 << ""
                                       << ""
                                       << "06.12.2026" << QStringList{"06.12.2026|0 rocznica ślubu"};
    QTest::newRow("all three, list order")
        << dec6 << "09.12"
        << "04.12.2000"
        << "06.12.1990" << QStringList{"04.12.2026|26 urodziny", "06.12.2026|36 rocznica ślubu", "09.12.2026|Imieniny"};
    QTest::newRow("next year's birthday not listed") << dec30 << ""
                                                     << "02.01.1990"
                                                     << "" << QStringList{};
    QTest::newRow("year end within range") << dec30 << ""
                                           << "31.12.1990"
                                           << "" << QStringList{"31.12.2026|36 urodziny"};
    QTest::newRow("29 Feb in a common year") << QDate(2026, 3, 1) << "29.02"
                                             << "29.02.1980"
                                             << "" << QStringList{};
    QTest::newRow("29 Feb in a leap year") << QDate(2028, 3, 1) << ""
                                           << "29.02.1980"
                                           << "" << QStringList{"29.02.2028|48 urodziny"};
    QTest::newRow("birth year not a number") << dec6 << ""
                                             << "08.12.19x0"
                                             << "" << QStringList{};
    QTest::newRow("born without a year, in range, no age") << dec6 << ""
                                                           << "08.12.1604"
                                                           << "" << QStringList{"08.12.2026|Urodziny"};
    QTest::newRow("born without a year on 29 Feb, a leap year") << QDate(2028, 2, 27) << ""
                                                                << "29.02.1604"
                                                                << "" << QStringList{"29.02.2028|Urodziny"};
    QTest::newRow("born without a year, as typed") << dec6 << ""
                                                   << "08.12"
                                                   << "" << QStringList{"08.12.2026|Urodziny"};
    QTest::newRow("born without a year, out of range") << dec6 << ""
                                                       << "10.12"
                                                       << "" << QStringList{};
    QTest::newRow("born without a year on 29 Feb, a common year") << QDate(2026, 3, 1) << ""
                                                                  << "29.02"
                                                                  << "" << QStringList{};
    QTest::newRow("one-digit day, no entry") << dec6 << ""
                                             << "8.12.1980"
                                             << "" << QStringList{};
    QTest::newRow("no such month") << dec6 << "06.13"
                                   << ""
                                   << "" << QStringList{};
    QTest::newRow("bad wedding keeps the birthday") << dec6 << ""
                                                    << "07.12.1980"
                                                    << "xx.yy.zzzz" << QStringList{"07.12.2026|46 urodziny"};
}

void TestAppointmentList::contactDates()
{
    QFETCH(QDate, today);
    QFETCH(QString, nameDay);
    QFETCH(QString, birthday);
    QFETCH(QString, wedding);
    QFETCH(QStringList, expected);

    writeContacts({contactLine(QStringLiteral("Nowak Jan"), QStringLiteral("Kraków"), nameDay, birthday, wedding)});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), today, 3));

    QStringList got;
    for (const Appointment &a : list.entries()) {
        QCOMPARE(a.person, QStringLiteral("Nowak Jan"));
        QCOMPARE(a.place, QStringLiteral("Kraków"));
        got << a.date + u'|' + a.description;
    }
    QCOMPARE(got, expected);
    QVERIFY(list.store().isEmpty());
}

// A day and month as typed, the year 1604 an earlier version wrote for none, and a whole date.
void TestAppointmentList::birthdaysWithAndWithoutYear_remindedTheirWay()
{
    writeContacts({contactLine(QStringLiteral("Adamska Ewa"), {}, {}, QStringLiteral("07.12")),
                   contactLine(QStringLiteral("Borowy Jan"), {}, {}, QStringLiteral("07.12.1604")),
                   contactLine(QStringLiteral("Cichy Piotr"), {}, {}, QStringLiteral("07.12.1980"))});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(shown(list.entries()),
             QStringList({"07.12.2026|Adamska Ewa||Urodziny",
                          "07.12.2026|Borowy Jan||Urodziny",
                          "07.12.2026|Cichy Piotr||46 urodziny"}));
}

void TestAppointmentList::contactEntries_nameCityAndPersonList()
{
    const QString longName = QStringLiteral("Żółkiewska-Brzęczyszczykiewicz"); // exactly 30 characters
    QCOMPARE(longName.size(), 30);
    writeContacts({contactLine(longName, QStringLiteral("Łódź"), QStringLiteral("06.12")),
                   contactLine(QString()),
                   contactLine(QStringLiteral("Kowal Ewa")),
                   contactLine(QStringLiteral("Kowal Ewa"))});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));

    QCOMPARE(list.persons(),
             (QStringList{longName, QString(), QStringLiteral("Kowal Ewa"), QStringLiteral("Kowal Ewa")}));
    QCOMPARE(shown(list.entries()),
             QStringList{QStringLiteral("06.12.2026|") + longName + QStringLiteral("|Łódź|Imieniny")});
    QCOMPARE(list.todayText(), QStringLiteral("06.12.2026"));
}

void TestAppointmentList::malformedContactLines_buildGoesOn()
{
    QByteArray binary;
    for (int i = 1; i < 256; ++i) {
        if (i != '\r' && i != '\n') {
            binary.append(char(i));
        }
    }
    binary = binary.repeated(4); // past every column the list reads
    QByteArray shortBirthday = contactLine(QStringLiteral("Krótki Adam"), {}, {}, QStringLiteral("07.12.1999"));
    shortBirthday.truncate(686); // the day and month are there, the year is cut off
    QByteArray withNul = contactLine(QStringLiteral("Nul Ola"), {}, QStringLiteral("06.12"));
    withNul[100] = '\0';

    QByteArray bytes = QByteArray("123\r\n") + "\r\n" + binary + "\r\n" + shortBirthday + "\r\n"
                       + contactLine(QStringLiteral("Dobry Jan"), {}, QStringLiteral("07.12")) + "\r\n" + withNul
                       + "\r\n" + contactLine(QStringLiteral("Po Nul"), {}, QStringLiteral("06.12")) + "\r\n";
    writeBytes(AppointmentList::contactsFileName, bytes);

    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    // A NUL byte is only a bad character in its line: that line and the ones after it still count.
    QCOMPARE(list.persons().size(), 7);
    QCOMPARE(list.persons().at(4), QStringLiteral("Dobry Jan"));
    QCOMPARE(list.persons().at(5), QStringLiteral("Nul Ola"));
    QCOMPARE(list.persons().at(6), QStringLiteral("Po Nul"));
    QCOMPARE(shown(list.entries()),
             (QStringList{QStringLiteral("06.12.2026|Nul Ola||Imieniny"),
                          QStringLiteral("06.12.2026|Po Nul||Imieniny"),
                          QStringLiteral("07.12.2026|Dobry Jan||Imieniny")}));
}

void TestAppointmentList::nulInStoredLine_laterLinesKept()
{
    QByteArray damaged = Cp1250::encode(termLine("24.12.2026", "Anna", "", "Wigilia"));
    damaged[45] = '\0';
    const QString next = termLine("31.12.2026", "Bartek", "", "Sylwester");
    writeBytes(AppointmentList::fileName, damaged + "\r\n" + Cp1250::encode(next) + "\r\n");
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(shown(list.entries()),
             (QStringList{QStringLiteral("24.12.2026|Anna||Wigilia"), QStringLiteral("31.12.2026|Bartek||Sylwester")}));

    // Saving must not lose the appointments that follow the damaged line.
    QString error;
    QVERIFY(list.TerminyZapisz(&error));
    damaged[45] = ' ';
    QCOMPARE(termFileLines(), (QList<QByteArray>{damaged, Cp1250::encode(next)}));
}

void TestAppointmentList::storedLines_keptOrDropped_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("kept");
    QTest::newRow("today") << termLine("06.12.2026", "A", "", "") << true;
    QTest::newRow("three days ago") << termLine("03.12.2026", "A", "", "") << true;
    QTest::newRow("four days ago") << termLine("02.12.2026", "A", "", "") << false;
    QTest::newRow("a year ahead") << termLine("06.12.2027", "A", "", "") << true;
    QTest::newRow("long ago") << termLine("01.01.1990", "A", "", "") << false;
    QTest::newRow("no date") << termLine("", "A", "B", "C") << false;
    QTest::newRow("nine-character date") << termLine("6.12.2026", "A", "", "") << false;
    QTest::newRow("not a real date") << termLine("31.02.2027", "A", "", "") << false;
    QTest::newRow("letters for a date") << termLine("ab.cd.efgh", "A", "", "") << false;
    QTest::newRow("short line, date only") << QStringLiteral("24.12.2026") << true;
}

void TestAppointmentList::storedLines_keptOrDropped()
{
    QFETCH(QString, line);
    QFETCH(bool, kept);
    writeTerms({line});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(list.store().size(), kept ? 1 : 0);
    QCOMPARE(list.entries().size(), kept ? 1 : 0);
    if (kept) {
        QCOMPARE(list.store().first(), line);
        QCOMPARE(list.entries().first(), AppointmentRecord::decode(line));
    }
}

void TestAppointmentList::droppedLines_goneAfterNextSave()
{
    const QString old = termLine("02.12.2026", "Stary", "", "");
    const QString recent = termLine("03.12.2026", "Świeży", "Gdańsk", "spotkanie");
    writeTerms({old, recent});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    // Reading alone does not touch the file.
    QCOMPARE(termFileLines().size(), 2);

    QString error;
    QVERIFY(list.TerminyZapisz(&error));
    QCOMPARE(termFileLines(), QList<QByteArray>{Cp1250::encode(recent)});
}

void TestAppointmentList::replacedLine_movesToEnd()
{
    const QString a = termLine("24.12.2026", "Anna", "", "Wigilia");
    const QString b = termLine("31.12.2026", "Bartek", "", "Sylwester");
    writeTerms({a, b});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));

    const QString changed = termLine("24.12.2026", "Anna", "", "Wigilia u Anny");
    QString error;
    QVERIFY(list.saveRecord(changed, list.Pozycja(a), &error));
    QCOMPARE(list.store(), (QStringList{b, changed}));
    QCOMPARE(termFileLines(), (QList<QByteArray>{Cp1250::encode(b), Cp1250::encode(changed)}));

    QVERIFY(list.removeRecord(list.Pozycja(b), &error));
    QCOMPARE(termFileLines(), QList<QByteArray>{Cp1250::encode(changed)});
    // An index that names no line removes nothing but still writes.
    QVERIFY(list.removeRecord(-1, &error));
    QCOMPARE(termFileLines(), QList<QByteArray>{Cp1250::encode(changed)});
}

void TestAppointmentList::edits_recordedForTheSync()
{
    const QString a = termLine("24.12.2026", "Anna", "", "Wigilia");
    const QString b = termLine("31.12.2026", "Bartek", "", "Sylwester");
    writeTerms({a, b});
    bool wanted = false;
    const AppointmentEdits edits(m_dir.path(), [&wanted] {
        return wanted;
    });
    AppointmentList list;
    list.setEdits(&edits);
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    const QString a2 = termLine("24.12.2026", "Anna", "", "Wigilia u Anny");
    QVERIFY(list.saveRecord(a2, list.Pozycja(a), nullptr));
    QVERIFY(AppointmentEdits::read(m_dir.path()).isEmpty()); // a folder that does not sync keeps no record
    wanted = true;
    const QString a3 = termLine("25.12.2026", "Anna", "", "Wigilia u Anny");
    QVERIFY(list.saveRecord(a3, list.Pozycja(a2), nullptr));
    QVERIFY(list.saveRecord(termLine("01.01.2027", "", "", "Nowy"), -1, nullptr)); // nothing replaced
    QVERIFY(list.removeRecord(list.Pozycja(b), nullptr));
    using Edit = AppointmentEdits::Edit;
    QCOMPARE(AppointmentEdits::read(m_dir.path()), (QList<Edit>{{a2, a3}, {b, QString()}}));
    // A sync took the first; the one recorded meanwhile waits for the next.
    QVERIFY(AppointmentEdits::consume(m_dir.path(), 1, nullptr));
    QCOMPARE(AppointmentEdits::read(m_dir.path()), (QList<Edit>{{b, QString()}}));
    QVERIFY(AppointmentEdits::consume(m_dir.path(), 1, nullptr));
    QVERIFY(!QFile::exists(path(AppointmentEdits::fileName)));
}

void TestAppointmentList::record_roundTripsAtFullWidth()
{
    const Appointment full{QStringLiteral("24.12.2026"),
                           QStringLiteral("Świętosława Żółć-Gęślajaźńska"), // 29
                           QString(50, u'ł'),
                           QString(100, u'ą')};
    const QString record = AppointmentRecord::encode(full);
    QCOMPARE(record.size(), AppointmentRecord::width);

    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QString error;
    QVERIFY(list.saveRecord(record, -1, &error));
    QCOMPARE(termFileLines().first().size(), 190);

    AppointmentList again;
    QVERIFY(again.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(again.entries().size(), 1);
    QCOMPARE(again.entries().first(), full);
    QCOMPARE(again.Pozycja(record), 0);

    // Longer texts are cut to the widths.
    const Appointment tooLong{full.date, QString(31, u'x'), QString(51, u'y'), QString(101, u'z')};
    QCOMPARE(AppointmentRecord::decode(AppointmentRecord::encode(tooLong)),
             (Appointment{full.date, QString(30, u'x'), QString(50, u'y'), QString(100, u'z')}));
}

void TestAppointmentList::lineBreaksInTexts_recordStaysOneLine()
{
    // Pasted text may carry line breaks; written as they are, they would split the record and
    // could even add a line that reads as another appointment.
    const Appointment pasted{QStringLiteral("24.12.2026"),
                             QStringLiteral("Anna\r\nNowak"),
                             QStringLiteral("Kraków\r"),
                             QStringLiteral("x\n25.12.2026 Fałszywy")};
    const QString record = AppointmentRecord::encode(pasted);
    QCOMPARE(record.size(), AppointmentRecord::width);

    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QString error;
    QVERIFY(list.saveRecord(record, -1, &error));
    QCOMPARE(termFileLines().size(), 1);

    AppointmentList again;
    QVERIFY(again.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(shown(again.entries()),
             QStringList{QStringLiteral("24.12.2026|Anna  Nowak|Kraków|x 25.12.2026 Fałszywy")});
    QCOMPARE(again.Pozycja(record), 0);
}

void TestAppointmentList::Pozycja_firstEqualLineOnly()
{
    const QString a = termLine("24.12.2026", "Anna", "", "");
    const QString b = termLine("25.12.2026", "Bartek", "", "");
    writeTerms({a, b, a});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(list.Pozycja(a), 0);
    QCOMPARE(list.Pozycja(b), 1);
    QCOMPARE(list.Pozycja(QStringLiteral("::")), -1);
    QCOMPARE(list.Pozycja(a.trimmed()), -1);
    QCOMPARE(list.Pozycja(termLine("24.12.2026", "anna", "", "")), -1);
}

void TestAppointmentList::ListView1Compare_data()
{
    QTest::addColumn<QString>("dateA");
    QTest::addColumn<QString>("personA");
    QTest::addColumn<QString>("dateB");
    QTest::addColumn<QString>("personB");
    QTest::addColumn<int>("result");
    QTest::newRow("same day, persons decide") << "24.12.2026"
                                              << "Anna"
                                              << "24.12.2026"
                                              << "Bartek" << -1;
    QTest::newRow("same day, reversed") << "24.12.2026"
                                        << "Bartek"
                                        << "24.12.2026"
                                        << "Anna" << 1;
    QTest::newRow("earlier day wins over person") << "23.12.2026"
                                                  << "Zenon"
                                                  << "24.12.2026"
                                                  << "Anna" << -1;
    QTest::newRow("month before day") << "31.01.2026"
                                      << "A"
                                      << "01.02.2026"
                                      << "A" << -1;
    QTest::newRow("year before month") << "01.12.2025"
                                       << "A"
                                       << "01.01.2026"
                                       << "A" << -1;
    QTest::newRow("equal keys give +1") << "24.12.2026"
                                        << "Anna"
                                        << "24.12.2026"
                                        << "Anna" << 1;
    QTest::newRow("upper case first") << "24.12.2026"
                                      << "anna"
                                      << "24.12.2026"
                                      << "Bartek" << 1;
    QTest::newRow("shorter prefix first") << "24.12.2026"
                                          << "Jan"
                                          << "24.12.2026"
                                          << "Jan K" << -1;
    QTest::newRow("Polish letters after ASCII") << "24.12.2026"
                                                << "Śliwa"
                                                << "24.12.2026"
                                                << "Zet" << 1;
    QTest::newRow("bytes unsigned: Ł after z") << "24.12.2026"
                                               << "z"
                                               << "24.12.2026"
                                               << "Ł" << -1;
}

void TestAppointmentList::ListView1Compare()
{
    QFETCH(QString, dateA);
    QFETCH(QString, personA);
    QFETCH(QString, dateB);
    QFETCH(QString, personB);
    QFETCH(int, result);
    QCOMPARE(::ListView1Compare({dateA, personA, {}, {}}, {dateB, personB, {}, {}}), result);
}

void TestAppointmentList::builtList_sortedWithContactDates()
{
    writeContacts({contactLine(QStringLiteral("Zenon"), {}, QStringLiteral("06.12")),
                   contactLine(QStringLiteral("Adam"), {}, {}, QStringLiteral("07.12.2000"))});
    writeTerms({termLine("01.01.2027", "Nowy Rok", "", ""),
                termLine("06.12.2026", "Anna", "", "Mikołajki"),
                termLine("05.12.2026", "Zenon", "", "")});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));
    QCOMPARE(shown(list.entries()),
             (QStringList{"05.12.2026|Zenon||",
                          "06.12.2026|Anna||Mikołajki",
                          "06.12.2026|Zenon||Imieniny",
                          "07.12.2026|Adam||26 urodziny",
                          "01.01.2027|Nowy Rok||"}));
}

// The list's sort gives the order of ListView1Compare, equal keys in their first order: days,
// all-day before timed entries, starts, then persons as code page 1250 bytes (ź before ą there).
void TestAppointmentList::sort_agreesWithListView1Compare()
{
    QList<Appointment> entries;
    const QStringList persons{
        QStringLiteral("ąb"), QStringLiteral("źa"), QStringLiteral("Zenon"), QString(), QStringLiteral("Łucja")};
    const QList<QTime> starts{QTime(), QTime(9, 5), QTime(14, 30), QTime(0, 0), QTime(23, 59)};
    for (int i = 0; i < 300; ++i) {
        Appointment a{QDate(2026, 12, 1).addDays((i * 7) % 40).toString(QStringLiteral("dd.MM.yyyy")),
                      persons[(i * 3) % persons.size()],
                      {},
                      QString::number(i)};
        a.time.start = starts[(i * 11) % starts.size()];
        entries.append(a);
    }
    QList<Appointment> sorted = entries;
    AppointmentList::sort(sorted);
    QCOMPARE(sorted.size(), entries.size());
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        const Appointment &a = sorted[i - 1];
        const Appointment &b = sorted[i];
        if (appointmentSortKey(a) == appointmentSortKey(b)) {
            QVERIFY2(a.description.toInt() < b.description.toInt(), "equal keys keep their order");
        } else {
            QVERIFY2(::ListView1Compare(a, b) < 0, qPrintable(a.date + a.person + b.date + b.person));
        }
    }
}

void TestAppointmentList::failedSave_fileAndStoreUnchanged()
{
    const QString a = termLine("24.12.2026", "Anna", "", "");
    writeTerms({a});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, 3));

    // The file's place is taken by a folder, so nothing can be written there.
    QVERIFY(QFile::remove(path(AppointmentList::fileName)));
    QVERIFY(QDir(m_dir.path()).mkdir(QLatin1String(AppointmentList::fileName)));
    QString error;
    QVERIFY(!list.saveRecord(termLine("25.12.2026", "Bartek", "", ""), 0, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(list.store(), QStringList{a});
    error.clear();
    QVERIFY(!list.removeRecord(0, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(list.store(), QStringList{a});
    QVERIFY(QDir(path(AppointmentList::fileName)).removeRecursively());
}

void TestAppointmentList::unreadableFile_savesRefused()
{
    // A file that exists but cannot be read must not be replaced by an empty store.
    QVERIFY(QDir(m_dir.path()).mkdir(QLatin1String(AppointmentList::fileName)));
    AppointmentList list;
    QString error;
    QVERIFY(!list.build(m_dir.path(), m_dec6, 3, &error));
    QVERIFY(!error.isEmpty());
    QString saveError;
    QVERIFY(!list.saveRecord(termLine("25.12.2026", "Bartek", "", ""), -1, &saveError));
    QCOMPARE(saveError, error);
    QVERIFY(list.store().isEmpty());
    QVERIFY(QDir(path(AppointmentList::fileName)).removeRecursively());
}

void TestAppointmentList::missingFiles_emptyList()
{
    AppointmentList list;
    QString error;
    QVERIFY(list.build(m_dir.path(), QDate(2026, 12, 30), 3, &error));
    QVERIFY(list.entries().isEmpty());
    QVERIFY(list.persons().isEmpty());
    QCOMPARE(list.todayText(), QStringLiteral("30.12.2026"));
    QCOMPARE(list.path(), path(AppointmentList::fileName));
    QVERIFY(!QFile::exists(path(AppointmentList::fileName)));
}

void TestAppointmentList::extremeRange_data()
{
    QTest::addColumn<int>("range");
    QTest::addColumn<QStringList>("entries");
    const QStringList everything = {
        "01.01.0001|||", "01.01.2026|Nowak|Kraków|Imieniny", "24.06.2026|Nowak|Kraków|51 urodziny", "31.12.9999|||"};
    QTest::newRow("int maximum") << std::numeric_limits<int>::max() << everything;
    QTest::newRow("widest date span") << 3652058 << everything;
    QTest::newRow("int minimum") << std::numeric_limits<int>::min() << QStringList();
    QTest::newRow("below the widest span") << -3652058 << QStringList();
}

void TestAppointmentList::extremeRange()
{
    QFETCH(int, range);
    writeContacts({contactLine(u"Nowak"_qs, u"Kraków"_qs, u"01.01"_qs, u"24.06.1975"_qs)});
    writeTerms({termLine("01.01.0001", "", "", ""), termLine("31.12.9999", "", "", "")});
    AppointmentList list;
    QVERIFY(list.build(m_dir.path(), m_dec6, range));
    QTEST(shown(list.entries()), "entries");
}

QTEST_GUILESS_MAIN(TestAppointmentList)
#include "tst_appointmentlist.moc"
