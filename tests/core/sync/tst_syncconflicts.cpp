#include "core/appointments/AppointmentEdits.h"
#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"
#include "core/sync/SyncConflicts.h"
#include "core/sync/plan/SyncRules.h"
#include "core/sync/SyncState.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kept(QDate(2026, 12, 8), QTime(10, 15, 30));

QByteArray card(const QString &name, const QString &uid)
{
    return ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n")
        .toUtf8();
}

QStringList records(const QString &dataDir)
{
    QList<QByteArray> lines;
    (void)TextFile::readLines(QDir(dataDir).filePath(u"Morwinek.term"_s), &lines, nullptr, nullptr);
    QStringList result;
    for (const QByteArray &line : lines) {
        result.append(Cp1250::decode(line));
    }
    return result;
}

} // namespace

// The server's copies of items changed on both sides, and the user's choice between the versions.
class TestSyncConflicts : public QObject
{
    Q_OBJECT
private slots:
    void add_namedByTitle_laterConflictOfTheSameItemReplacesEarlier();
    void appointment_choice_followsTheRecordByUid_data();
    void appointment_choice_followsTheRecordByUid();
};

void TestSyncConflicts::add_namedByTitle_laterConflictOfTheSameItemReplacesEarlier()
{
    QTemporaryDir dir;
    const SyncConflicts conflicts(dir.path());
    QString error;
    QVERIFY2(conflicts.add(false, u"00007"_s, card(u"Nowak Jan"_s, u"u-1"_s), kept, &error), qPrintable(error));
    const QByteArray event =
        SyncRules::eventText({u"24.12.2026"_s, u"Ola"_s, u"Kraków"_s, u"../Wigilia: Boże*"_s}, u"e-1"_s, kept);
    QVERIFY(conflicts.add(true, u"rekord"_s, event, kept, &error));
    QVERIFY(conflicts.add(false, u"00008"_s, card(u"Nowak Jan"_s, u"u-2"_s), kept, &error)); // a namesake
    QList<SyncConflicts::Entry> entries = conflicts.entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].file, u"Nowak Jan 2026-12-08 101530.vcf"_s);
    QCOMPARE(entries[1].file, u"24.12.2026 .._Wigilia_ Boże_ 2026-12-08 101530.ics"_s); // no path, no marks
    QCOMPARE(entries[1].title, u"24.12.2026 ../Wigilia: Boże*"_s);
    QCOMPARE(entries[2].file, u"Nowak Jan 2026-12-08 101530 (2).vcf"_s);
    QCOMPARE(entries[0].uid, u"u-1"_s);
    QCOMPARE(entries[0].kept, kept);

    // The same contact in conflict again: one entry, the newer copy.
    const QByteArray newer = card(u"Nowak Jan"_s, u"u-1"_s).replace("END:VCARD", "NOTE:nowsza\r\nEND:VCARD");
    QVERIFY(conflicts.add(false, u"00007"_s, newer, kept.addSecs(60), &error));
    entries = conflicts.entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.last().file, u"Nowak Jan 2026-12-08 101630.vcf"_s);
    QCOMPARE(QDir(dir.filePath(u"konflikty"_s)).entryList(QDir::Files).size(), 3); // the older copy gone
    // A copy removed by hand is no conflict any more.
    QVERIFY(QFile::remove(conflicts.filePath(entries[0])));
    QCOMPARE(conflicts.entries().size(), 2);
}

void TestSyncConflicts::appointment_choice_followsTheRecordByUid_data()
{
    QTest::addColumn<bool>("keepServers");
    QTest::newRow("this one") << false;
    QTest::newRow("the server's") << true;
}

void TestSyncConflicts::appointment_choice_followsTheRecordByUid()
{
    QFETCH(bool, keepServers);
    QTemporaryDir dir;
    // Kept when the record was "Wigilia"; edited here since, the state follows it by its UID.
    const QString atConflict = AppointmentRecord::encode({u"24.12.2026"_s, u"Ola"_s, u"Kraków"_s, u"Wigilia"_s});
    const QString now = AppointmentRecord::encode({u"24.12.2026"_s, u"Ola"_s, u"Kraków"_s, u"Wigilia o 18"_s});
    const QString other = AppointmentRecord::encode({u"02.01.2020"_s, u""_s, u""_s, u"Dawny termin"_s});
    QVERIFY(
        TextFile::writeLines(dir.filePath(u"Morwinek.term"_s), {Cp1250::encode(other), Cp1250::encode(now)}, nullptr));
    SyncState state;
    SyncItem item;
    item.key = now;
    item.uid = u"e-1"_s;
    item.href = u"/anna/t/e-1.ics"_s;
    state.appointments.items.append(item);
    QString error;
    QVERIFY(state.save(dir.path(), &error));
    const SyncConflicts conflicts(dir.path());
    const QByteArray theirs =
        SyncRules::eventText({u"24.12.2026"_s, u"Ola"_s, u"Zakopane"_s, u"Wigilia u babci"_s}, u"e-1"_s, kept);
    QVERIFY(conflicts.add(true, atConflict, theirs, kept, &error));
    const SyncConflicts::Entry entry = conflicts.entries().first();

    const QList<SyncConflicts::Field> fields = conflicts.compare(entry, &error);
    QStringList differing;
    for (const SyncConflicts::Field &f : fields) {
        if (f.differs()) {
            differing << f.label + u": "_s + f.here + u" | "_s + f.server;
        }
    }
    QCOMPARE(differing, QStringList({u"Miejsce: Kraków | Zakopane"_s, u"Opis: Wigilia o 18 | Wigilia u babci"_s}));

    const QString server = AppointmentRecord::encode({u"24.12.2026"_s, u"Ola"_s, u"Zakopane"_s, u"Wigilia u babci"_s});
    if (keepServers) {
        QVERIFY2(conflicts.keepServer(entry, nullptr, QDate(2026, 12, 8), &error), qPrintable(error));
        QCOMPARE(records(dir.path()), QStringList({other, server})); // the old one stays, however old
        // An edit made here as the window records it: the next sync changes the same event.
        QCOMPARE(AppointmentEdits::read(dir.path()), (QList<AppointmentEdits::Edit>{{now, server}}));
    } else {
        QVERIFY(conflicts.keepHere(entry, &error));
        QCOMPARE(records(dir.path()), QStringList({other, now}));
        QVERIFY(AppointmentEdits::read(dir.path()).isEmpty());
    }
    QVERIFY(conflicts.entries().isEmpty());
    QCOMPARE(QDir(dir.filePath(u"konflikty"_s)).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestSyncConflicts)
#include "tst_syncconflicts.moc"
