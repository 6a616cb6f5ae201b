// Every file and folder the organiser writes in a data folder is on the one list the Makefile's
// clean keeps its hands off (and which tells users what to copy).
#include "support/Pictures.h"
#include "support/SyncDevices.h"

#include "core/appointments/AppointmentEdits.h"
#include "core/common/DailyBackup.h"
#include "core/common/DataFiles.h"
#include "core/common/IniFile.h"
#include "core/common/Settings.h"

#include <QtTest>

using namespace SyncDevices;

class TestDataFiles : public QObject
{
    Q_OBJECT

private slots:
    void whatTheOrganiserWrites_isOnTheList()
    {
        RadicaleServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        RawDav raw(server.url());
        const SyncAccount a = accountFor(raw, server, u"lista"_s);
        Device one;
        SystemClock clock;
        DailyBackup backup(clock, {});
        one.engine.setBackup(&backup);
        QSet<QString> seen;
        const auto look = [&] {
            const QDir dir(one.dir.path());
            for (const QString &entry : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
                seen.insert(entry);
            }
        };

        // The settings, a contact with notes and a photo, an appointment with a time and an alarm.
        IniFile ini(one.path(u"Morwinek.ini"_s));
        Settings().write(ini);
        QVERIFY(ini.save());
        QVERIFY(!one.addContact(named(u"Kowalski Jan"_s, u"600100200"_s), u"notatka"_s, pictureOf("JPEG", 40, 30))
                     .isEmpty());
        const QString appointment = record(one.today.addDays(2), {}, u"Gabinet"_s, u"Dentysta"_s);
        one.setRecords({appointment});
        {
            AppointmentList list;
            QVERIFY(list.build(one.dir.path(), one.today, 3));
            QVERIFY(list.setTime(appointment, {QTime(14, 30), QTime(15, 0), 15}, nullptr));
        }
        look();
        // A sync that brings a card (the day's copy before the address book is written).
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:tel-1\r\nFN:Anna Nowak\r\nN:Nowak;Anna;;;\r\n"
                                "TEL;TYPE=CELL:600200300\r\nEND:VCARD\r\n";
        QVERIFY(raw.send("PUT", QUrl(a.addressBookUrl).path() + u"anna.vcf"_s, card, {{"Content-Type", "text/vcard"}})
                    .status
                < 300);
        SyncOutcome o = one.sync(a);
        QVERIFY2(o.ok, qPrintable(o.error));
        look();
        // The appointments window records its edit of a synced appointment.
        {
            AppointmentList list;
            QVERIFY(list.build(one.dir.path(), one.today, 3));
            const AppointmentEdits edits(one.dir.path(), [] {
                return true;
            });
            list.setEdits(&edits);
            QVERIFY(list.saveRecord(
                record(one.today.addDays(2), {}, u"Gabinet 2"_s, u"Dentysta"_s), list.Pozycja(appointment), nullptr));
        }
        look();
        // A field changed on both sides: the server's card is kept aside.
        one.editContact(u"Nowak Anna"_s, [](Contact &c) {
            c.TelKom = u"600200301"_s;
        });
        QByteArray theirs = card;
        theirs.replace("600200300", "600200302");
        QVERIFY(raw.send("PUT", QUrl(a.addressBookUrl).path() + u"anna.vcf"_s, theirs, {{"Content-Type", "text/vcard"}})
                    .status
                < 300);
        QVERIFY2((o = one.sync(a)).ok, qPrintable(o.error));
        QCOMPARE(o.contacts.conflicts, 1);
        look();

        QStringList written = seen.values();
        written.sort();
        QStringList listed;
        for (const char *name : DataFiles::names) {
            listed.append(QString::fromLatin1(name));
        }
        listed.sort();
        // Both ways: nothing written that the list lacks, and nothing listed that is never written.
        QCOMPARE(written, listed);
    }
};

QTEST_GUILESS_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
