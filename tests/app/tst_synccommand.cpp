// morwinek --sync as a script runs it: exit codes, summary lines, the password rule.
#include "support/RadicaleServer.h"
#include "support/SyncDevices.h"

#include "core/common/Cp1250.h"
#include "core/contacts/Contact.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_SyncCommand : public QObject
{
    Q_OBJECT

private:
    RadicaleServer m_server;

    struct Run
    {
        int code = -1;
        QString out;
        QString err;
    };

    Run sync(const QString &dataDir, const QString &password, const QStringList &extra = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"MORWINEK_SYNC_PASSWORD"_s);
        if (!password.isNull()) {
            env.insert(u"MORWINEK_SYNC_PASSWORD"_s, password);
        }
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(QStringLiteral(MORWINEK_EXE), QStringList{u"--data-dir"_s, dataDir, u"--sync"_s} + extra);
        if (!p.waitForFinished(120000)) {
            return {};
        }
        return {p.exitCode(),
                QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    static void writeSettings(const QString &dataDir, const QString &address, bool collectionsKnown = false)
    {
        QFile ini(QDir(dataDir).filePath(u"Morwinek.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(Cp1250::encode(u"[Synchronizacja]\r\nAdres="_s + address + u"\r\nUzytkownik=anna\r\n"_s));
        if (collectionsKnown) {
            ini.write(Cp1250::encode(u"Ksiazka_adresowa="_s + address + u"anna/k/\r\nKalendarz="_s + address
                                     + u"anna/t/\r\n"_s));
        }
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
    }

    void syncsAndStoresTheFoundCollections()
    {
        QTemporaryDir dir;
        writeSettings(dir.path(), m_server.url());
        Contact c;
        c.ID = u"10000"_s;
        c.Nazwa = u"Kowalski Jan"_s;
        QFile data(dir.filePath(u"Morwinek.data"_s));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write(c.toLine() + "\r\n");
        data.close();
        Run r = sync(dir.path(), QString::fromLatin1(RadicaleServer::password));
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(u"Kontakty: wysłano 1,"_s), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(u"Terminy: wysłano 0,"_s), qPrintable(lines[1]));
        QFile ini(dir.filePath(u"Morwinek.ini"_s));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray settings = ini.readAll();
        QVERIFY(settings.contains("Ksiazka_adresowa=http://127.0.0.1"));
        QVERIFY(settings.contains("Kalendarz=http://127.0.0.1"));
        QVERIFY(!settings.contains(RadicaleServer::password));
        QVERIFY(settings.contains("Ostatnie_kontakty=1 0 0 0 0 0\r\n")); // the window shows it
        QVERIFY(settings.contains("Ostatni_blad=\r\n"));
        r = sync(dir.path(), QString::fromLatin1(RadicaleServer::password));
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(u"Kontakty: wysłano 0, odebrano 0,"_s), qPrintable(r.out));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QString ok = QString::fromLatin1(RadicaleServer::password);
        QTest::newRow("wrong password") << u"server"_s << u"zle"_s << QStringList() << false << 1 << u"hasła"_s;
        QTest::newRow("no password and no terminal")
            << u"server"_s << QString() << QStringList() << false << 1 << u"MORWINEK_SYNC_PASSWORD"_s;
        QTest::newRow("server unreachable")
            << u"http://127.0.0.1:1/"_s << ok << QStringList() << false << 1 << u"Nie można połączyć się"_s;
        QTest::newRow("server gone after the first sync")
            << u"known:http://127.0.0.1:1/"_s << ok << QStringList() << false << 1 << u"Nie można połączyć się"_s;
        QTest::newRow("https to a server on this computer without encryption")
            << u"https:server"_s << ok << QStringList() << false << 1
            << u"spróbuj adresu zaczynającego się od http://"_s;
        QTest::newRow("no server in the settings") << QString() << ok << QStringList() << false << 2 << u"Adres"_s;
        QTest::newRow("with an import") << u"server"_s << ok << QStringList{u"--import"_s, u"x.vcf"_s} << false << 2
                                        << u"--sync"_s;
        QTest::newRow("organiser on the folder")
            << u"server"_s << ok << QStringList() << true << 3 << u"pracuje na folderze"_s;
    }
    void failures()
    {
        QFETCH(QString, address);
        QFETCH(QString, password);
        QFETCH(QStringList, extra);
        QFETCH(bool, locked);
        QFETCH(int, code);
        QFETCH(QString, says);
        QTemporaryDir dir;
        if (!address.isEmpty()) {
            const bool known = address.startsWith(u"known:"_s);
            const QString url = known ? address.mid(6) : address;
            const QString plain = m_server.url();
            writeSettings(dir.path(),
                          url == u"server"         ? plain
                          : url == u"https:server" ? u"https"_s + plain.mid(4)
                                                   : url,
                          known);
        }
        int fd = -1;
        if (locked) { // as the running organiser holds it
            fd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
            QVERIFY(fd >= 0 && ::flock(fd, LOCK_SH) == 0);
        }
        const Run r = sync(dir.path(), password, extra);
        if (fd >= 0) {
            ::close(fd);
        }
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1String(RadicaleServer::password)));
        QVERIFY2(!r.out.contains(u"wysłano"_s), qPrintable(r.out)); // no result of a sync that failed
    }

    // After the other discovering cases: it adds collections to the server they share.
    void severalAddressBooks_namedUntilOneIsChosen()
    {
        QTemporaryDir dir;
        writeSettings(dir.path(), m_server.url());
        const QString ok = QString::fromLatin1(RadicaleServer::password);
        QVERIFY2(sync(dir.path(), ok).code == 0, "one address book and one calendar: taken");
        QCOMPARE(m_server.makeAddressBook(u"/anna/druga/"_s, u"Druga"_s), 201);

        QTemporaryDir fresh;
        writeSettings(fresh.path(), m_server.url());
        Run r = sync(fresh.path(), ok);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
        const QString second = u"Ksiazka_adresowa="_s + m_server.url() + u"anna/druga/"_s;
        QVERIFY2(r.err.contains(u"kilka książek adresowych"_s) && r.err.contains(second)
                     && r.err.contains(u"(„Druga”)"_s),
                 qPrintable(r.err));
        QCOMPARE(sync(fresh.path(), ok).code, 2); // asked again, never a guess
        QFile ini(fresh.filePath(u"Morwinek.ini"_s));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QByteArray settings = ini.readAll();
        ini.close();
        QVERIFY2(settings.contains("Ksiazka_adresowa=\r\n"), settings.constData()); // the calendar is kept
        settings.replace("Ksiazka_adresowa=\r\n", Cp1250::encode(second + u"\r\n"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(settings);
        ini.close();
        r = sync(fresh.path(), ok);
        QVERIFY2(r.code == 0, qPrintable(r.err));
    }

    // A small book whose cards all went from the server: --sync stops with nothing changed and names
    // both answers; each answer then does what it says, and the next sync is quiet. After the cases
    // that discover: it makes collections of its own.
    void emptiedServer_answeredOnTheCommandLine_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("says");
        QTest::newRow("delete here") << u"--delete-here"_s << u"wysłano 0, odebrano 0, usunięto tutaj 3,"_s;
        QTest::newRow("send back") << u"--send-back"_s << u"wysłano 3, odebrano 0, usunięto tutaj 0,"_s;
    }
    void emptiedServer_answeredOnTheCommandLine()
    {
        QFETCH(QString, answer);
        QFETCH(QString, says);
        static int books = 0;
        SyncDevices::RawDav raw(m_server.url());
        const auto [book, calendar] = raw.makeCollections(u"pusta%1"_s.arg(++books));
        QTemporaryDir dir;
        writeSettings(dir.path(), m_server.url());
        QFile ini(dir.filePath(u"Morwinek.ini"_s));
        QVERIFY(ini.open(QIODevice::Append));
        ini.write(Cp1250::encode(u"Ksiazka_adresowa="_s + book + u"\r\nKalendarz="_s + calendar + u"\r\n"_s));
        ini.close();
        QFile data(dir.filePath(u"Morwinek.data"_s));
        QVERIFY(data.open(QIODevice::WriteOnly));
        for (int i = 0; i < 3; ++i) {
            Contact c;
            c.ID = QString::number(10000 + i);
            c.Nazwa = u"Osoba %1"_s.arg(i);
            data.write(c.toLine() + "\r\n");
        }
        data.close();
        const QString ok = QString::fromLatin1(RadicaleServer::password);
        Run r = sync(dir.path(), ok);
        QVERIFY2(r.code == 0 && r.out.startsWith(u"Kontakty: wysłano 3,"_s), qPrintable(r.err + r.out));
        const auto members = raw.members(book, false);
        QCOMPARE(members.size(), 3);
        for (auto it = members.cbegin(); it != members.cend(); ++it) {
            QVERIFY(raw.send("DELETE", it.key()).status < 300);
        }
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QByteArray before = data.readAll();
        data.close();

        r = sync(dir.path(), ok);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(u"Nic nie zmieniono"_s) && r.err.contains(u"morwinek --sync --delete-here"_s)
                     && r.err.contains(u"morwinek --sync --send-back"_s),
                 qPrintable(r.err));
        QVERIFY2(!r.out.contains(u"wysłano"_s), qPrintable(r.out));
        QVERIFY(data.open(QIODevice::ReadOnly));
        QCOMPARE(data.readAll(), before);
        data.close();
        QVERIFY(raw.members(book, false).isEmpty());

        r = sync(dir.path(), ok, {answer});
        QVERIFY2(r.code == 0 && r.out.startsWith(u"Kontakty: "_s + says), qPrintable(r.err + r.out));
        QCOMPARE(raw.members(book, false).size(), answer == u"--send-back" ? 3 : 0);
        r = sync(dir.path(), ok);
        QVERIFY2(r.code == 0 && r.out.startsWith(u"Kontakty: wysłano 0, odebrano 0, usunięto tutaj 0,"_s),
                 qPrintable(r.err + r.out));
    }
};

QTEST_GUILESS_MAIN(tst_SyncCommand)
#include "tst_synccommand.moc"
