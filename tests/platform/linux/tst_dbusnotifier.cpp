#include "platform/linux/DBusNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// A notification service that keeps every call unanswered until the test answers it.
class SlowService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QDBusMessage> calls;

public slots:
    uint Notify(const QString &,
                uint,
                const QString &,
                const QString &,
                const QString &,
                const QStringList &,
                const QVariantMap &,
                int,
                const QDBusMessage &message)
    {
        message.setDelayedReply(true);
        calls.append(message);
        return 0;
    }
    void CloseNotification(uint id) { closed.append(id); }

public:
    QList<uint> closed;
};

// The notifier against a real notification server: dunst on a private session bus and a private
// X display, read back through dunstctl.
class TestDBusNotifier : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is missing (package dbus)");
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QString address = QString::fromLatin1(m_bus.readLine()).trimmed();
        QVERIFY(!address.isEmpty());

        // Xvfb writes the number of a free display it took to the given descriptor (1: its output).
        m_x.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        QVERIFY2(m_x.waitForStarted(), "Xvfb is missing (package xvfb)");
        QVERIFY(m_x.waitForReadyRead(10000));
        const QString display = u':' + QString::fromLatin1(m_x.readLine()).trimmed();

        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        m_env.insert(QStringLiteral("DISPLAY"), display);
        // dunst's menu of actions runs a dmenu: ours writes down what it was offered and picks
        // the line that names the key in the file "pick".
        QVERIFY(m_dir.isValid());
        const QString dmenu = m_dir.filePath(QStringLiteral("dmenu.sh"));
        QVERIFY(writeFile(dmenu,
                          "#!/bin/sh\n"
                          "tee '"
                              + m_dir.filePath("offered").toUtf8() + "' | grep -F \",$(cat '"
                              + m_dir.filePath("pick").toUtf8() + "')]\"\n"));
        QVERIFY(QFile::setPermissions(dmenu, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString config = m_dir.filePath(QStringLiteral("dunstrc"));
        QVERIFY(writeFile(config, "[global]\ndmenu = " + dmenu.toUtf8() + "\n"));
        m_dunst.setProcessEnvironment(m_env);
        m_dunst.start(QStringLiteral("dunst"), {"-conf", config});
        QVERIFY2(m_dunst.waitForStarted(), "dunst is missing (package dunst)");

        m_connection = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, "private"));
        QVERIFY(m_connection->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(
            m_connection->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")), 10000);
    }
    void cleanupTestCase()
    {
        m_connection.reset();
        QDBusConnection::disconnectFromBus("private");
        for (QProcess *p : {&m_dunst, &m_x, &m_bus}) {
            p->terminate();
            p->waitForFinished(5000);
        }
    }
    void show_reachesServer()
    {
        const QString title = QStringLiteral("Morwinek - Przypomnienie");
        const QString body = QStringLiteral("24.12.2026 14:30 Dentysta\nŁucja Żółć - Kraków");
        DBusNotifier notifier(*m_connection);
        const quint32 id = notifier.show({title, body});
        QVERIFY(id != 0);
        // Closed notifications go to the server's history, which tells what it was given (the call
        // does not wait for the server, so it may reach the history a moment later).
        QJsonObject n;
        const auto field = [&n](const char *name) {
            return n.value(name).toObject().value("data").toString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                (void)dunstctl({"close-all"});
                const auto doc = QJsonDocument::fromJson(dunstctl({"history"}).toUtf8());
                for (const QJsonValue &value : doc.object().value("data").toArray().at(0).toArray()) {
                    n = value.toObject();
                    if (field("body") == body) {
                        return true;
                    }
                }
                return false;
            }(),
            5000);
        QCOMPARE(field("summary"), title);
        QCOMPARE(field("body"), body);
        QCOMPARE(field("appname"), QStringLiteral("Morwinek"));
    }
    void clickOnNotification_opens()
    {
        closeAll();
        DBusNotifier notifier(*m_connection);
        QSignalSpy chosen(&notifier, &Notifier::actionChosen);
        const quint32 id = notifier.show({QStringLiteral("Morwinek - Przypomnienie"), QStringLiteral("Spotkanie")});
        QVERIFY(id != 0);
        // The call does not wait for the server: the click comes once it shows the notification.
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, 10000);
        // The only notification is ours; its default action is the click on it.
        QCOMPARE(dunstctl({"action", "0"}), QString());
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, 5000);
        QCOMPARE(chosen.at(0).at(0).value<quint32>(), id);
        QCOMPARE(chosen.at(0).at(1).value<Notifier::Action>(), Notifier::Open);
        // Acted on, it goes.
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 0, 5000);
        // Another program's notification does not reach us.
        DBusNotifier other(*m_connection);
        QSignalSpy otherChosen(&other, &Notifier::actionChosen);
        QVERIFY(notifier.show({QStringLiteral("Druga"), QStringLiteral("x")}) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, 10000);
        QCOMPARE(dunstctl({"action", "0"}), QString());
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 2, 5000);
        QCOMPARE(otherChosen.size(), 0);
        closeAll();
    }

    // A reminder stays until the user acts: it asks never to expire, and dunst's menu offers
    // "Otwórz" and "Przypomnij za 10 minut" once each (a click on it is "Otwórz" too).
    void reminder_staysAndOffersEachActionOnce_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("action");
        QTest::newRow("Otwórz") << QByteArray("default") << int(Notifier::Open);
        QTest::newRow("Przypomnij za 10 minut") << QByteArray("snooze") << int(Notifier::Snooze);
    }
    void reminder_staysAndOffersEachActionOnce()
    {
        QFETCH(QByteArray, key);
        QFETCH(int, action);
        closeAll();
        QVERIFY(writeFile(m_dir.filePath("pick"), key));
        const QString body = QStringLiteral("12:01 Dentysta ") + QString::fromLatin1(key);
        DBusNotifier notifier(*m_connection);
        QSignalSpy chosen(&notifier, &Notifier::actionChosen);
        const quint32 id = notifier.show({QStringLiteral("Morwinek - Przypomnienie"), body});
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 1, 10000);
        QCOMPARE(dunstctl({"context"}), QString());
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, 10000);
        QCOMPARE(chosen.at(0).at(0).value<quint32>(), id);
        QCOMPARE(int(chosen.at(0).at(1).value<Notifier::Action>()), action);
        // Each line dunst offered: "#<label> (<summary>) [<id>,<key>]".
        QStringList labels;
        QFile offered(m_dir.filePath("offered"));
        QVERIFY(offered.open(QIODevice::ReadOnly));
        for (const QByteArray &line : offered.readAll().split('\n')) {
            if (line.startsWith('#')) {
                labels.append(QString::fromUtf8(line.mid(1, line.indexOf(" (") - 1)));
            }
        }
        labels.sort();
        QCOMPARE(labels, QStringList({QStringLiteral("Otwórz"), QStringLiteral("Przypomnij za 10 minut")}));
        // Chosen from the menu, which leaves notifications on screen, it goes all the same.
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 0, 5000);
        // The history keeps what dunst was asked: no timeout (microseconds).
        const QJsonObject n = fromHistory(body);
        QCOMPARE(n.value("timeout").toObject().value("data").toInteger(-1), 0);
    }

    // A service that answers late (or not at all) never holds the caller up: show() returns at
    // once, the answer is taken when it comes, and a refusal is reported for another way.
    void slowService_showReturnsAtOnce()
    {
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        QVERIFY(bus.waitForStarted() && bus.waitForReadyRead(10000));
        const QString address = QString::fromLatin1(bus.readLine()).trimmed();
        {
            QDBusConnection serverBus = QDBusConnection::connectToBus(address, "slow-server");
            QDBusConnection clientBus = QDBusConnection::connectToBus(address, "slow-client");
            SlowService server;
            QVERIFY(serverBus.registerObject(
                QStringLiteral("/org/freedesktop/Notifications"), &server, QDBusConnection::ExportAllSlots));
            QVERIFY(serverBus.registerService(QStringLiteral("org.freedesktop.Notifications")));
            DBusNotifier notifier(clientBus);
            QSignalSpy chosen(&notifier, &Notifier::actionChosen);
            QSignalSpy notShown(&notifier, &Notifier::notShown);
            const quint32 first = notifier.show({QStringLiteral("Pierwsze"), QStringLiteral("a")});
            const quint32 second = notifier.show({QStringLiteral("Drugie"), QStringLiteral("b")});
            QVERIFY(first != 0 && second != 0 && first != second);
            QTRY_COMPARE_WITH_TIMEOUT(server.calls.size(), 2, 5000); // both asked, neither answered yet
            QCOMPARE(server.calls.at(0).arguments().at(3).toString(), QStringLiteral("Pierwsze"));
            // The first is shown under the service's number 77 and chosen at once: the signal
            // comes before the answer that names it. The second is refused.
            QDBusMessage action = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                             QStringLiteral("org.freedesktop.Notifications"),
                                                             QStringLiteral("ActionInvoked"));
            action << uint(77) << QStringLiteral("snooze");
            serverBus.send(action);
            serverBus.send(server.calls.at(0).createReply(QVariant::fromValue(uint(77))));
            serverBus.send(server.calls.at(1).createErrorReply(QDBusError::Failed, QStringLiteral("zajęty")));
            QTRY_COMPARE_WITH_TIMEOUT(notShown.size(), 1, 5000);
            QCOMPARE(notShown.at(0).at(0).value<quint32>(), second);
            QCOMPARE(notShown.at(0).at(1).value<Notification>().title, QStringLiteral("Drugie"));
            QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, 5000);
            QCOMPARE(chosen.at(0).at(0).value<quint32>(), first);
            QCOMPARE(chosen.at(0).at(1).value<Notifier::Action>(), Notifier::Snooze);

            // A service that lets a reminder expire all the same took it away before the user
            // acted: reported like one never shown. Closed by the user, or after the user acted,
            // it is done with.
            const quint32 third = notifier.show({QStringLiteral("Trzecie"), QStringLiteral("c")});
            const quint32 fourth = notifier.show({QStringLiteral("Czwarte"), QStringLiteral("d")});
            QTRY_COMPARE_WITH_TIMEOUT(server.calls.size(), 4, 5000);
            serverBus.send(server.calls.at(2).createReply(QVariant::fromValue(uint(78))));
            serverBus.send(server.calls.at(3).createReply(QVariant::fromValue(uint(79))));
            const auto closed = [&serverBus](uint id, uint reason) {
                QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                                 QStringLiteral("org.freedesktop.Notifications"),
                                                                 QStringLiteral("NotificationClosed"));
                signal << id << reason;
                serverBus.send(signal);
            };
            closed(77, 1); // expired after the user chose "Przypomnij za 10 minut"
            closed(78, 2); // dismissed by the user
            closed(79, 1); // expired
            QTRY_COMPARE_WITH_TIMEOUT(notShown.size(), 2, 5000);
            QCOMPARE(notShown.at(1).at(0).value<quint32>(), fourth);
            QCOMPARE(notShown.at(1).at(1).value<Notification>().title, QStringLiteral("Czwarte"));
            QVERIFY(third != fourth);
            // The one acted on was asked to close (the notifier does not wait for the answer).
            QTRY_VERIFY_WITH_TIMEOUT(server.closed.contains(77), 5000);
        }
        QDBusConnection::disconnectFromBus("slow-server");
        QDBusConnection::disconnectFromBus("slow-client");
        bus.terminate();
        bus.waitForFinished(5000);
    }

private:
    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }
    int displayed() { return dunstctl({"count", "displayed"}).trimmed().toInt(); }
    void closeAll()
    {
        (void)dunstctl({"close-all"});
        QTRY_COMPARE_WITH_TIMEOUT(displayed(), 0, 5000);
    }
    // The notification of that body from the server's history; empty when it is not there.
    QJsonObject fromHistory(const QString &body)
    {
        const auto doc = QJsonDocument::fromJson(dunstctl({"history"}).toUtf8());
        for (const QJsonValue &value : doc.object().value("data").toArray().at(0).toArray()) {
            if (value.toObject().value("body").toObject().value("data").toString() == body) {
                return value.toObject();
            }
        }
        return {};
    }
    QString dunstctl(const QStringList &arguments)
    {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(QStringLiteral("dunstctl"), arguments);
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            return QStringLiteral("failed: ") + QString::fromUtf8(p.readAllStandardError());
        }
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_bus;
    QProcess m_x;
    QProcess m_dunst;
    std::unique_ptr<QDBusConnection> m_connection;
};

QTEST_GUILESS_MAIN(TestDBusNotifier)
#include "tst_dbusnotifier.moc"
