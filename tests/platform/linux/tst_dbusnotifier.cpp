#include "platform/linux/DBusNotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
        m_dunst.setProcessEnvironment(m_env);
        m_dunst.start(QStringLiteral("dunst"), {"-conf", "/dev/null"});
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
        DBusNotifier notifier(*m_connection);
        QSignalSpy chosen(&notifier, &Notifier::actionChosen);
        const quint32 id = notifier.show({QStringLiteral("Morwinek - Przypomnienie"), QStringLiteral("Spotkanie")});
        QVERIFY(id != 0);
        // The notification on top is ours; its default action is the click on it.
        QCOMPARE(dunstctl({"action", "0"}), QString());
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, 5000);
        QCOMPARE(chosen.at(0).at(0).value<quint32>(), id);
        QCOMPARE(chosen.at(0).at(1).value<Notifier::Action>(), Notifier::Open);
        // Another program's notification does not reach us.
        DBusNotifier other(*m_connection);
        QSignalSpy otherChosen(&other, &Notifier::actionChosen);
        QVERIFY(notifier.show({QStringLiteral("Druga"), QStringLiteral("x")}) != 0);
        QCOMPARE(dunstctl({"action", "0"}), QString());
        QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 2, 5000);
        QCOMPARE(otherChosen.size(), 0);
        (void)dunstctl({"close-all"});
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
            // The first is shown under the service's number 77, the second refused.
            serverBus.send(server.calls.at(0).createReply(QVariant::fromValue(uint(77))));
            serverBus.send(server.calls.at(1).createErrorReply(QDBusError::Failed, QStringLiteral("zajęty")));
            QTRY_COMPARE_WITH_TIMEOUT(notShown.size(), 1, 5000);
            QCOMPARE(notShown.at(0).at(0).value<quint32>(), second);
            QCOMPARE(notShown.at(0).at(1).value<Notification>().title, QStringLiteral("Drugie"));
            QDBusMessage action = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                             QStringLiteral("org.freedesktop.Notifications"),
                                                             QStringLiteral("ActionInvoked"));
            action << uint(77) << QStringLiteral("snooze");
            serverBus.send(action);
            QTRY_COMPARE_WITH_TIMEOUT(chosen.size(), 1, 5000);
            QCOMPARE(chosen.at(0).at(0).value<quint32>(), first);
            QCOMPARE(chosen.at(0).at(1).value<Notifier::Action>(), Notifier::Snooze);
        }
        QDBusConnection::disconnectFromBus("slow-server");
        QDBusConnection::disconnectFromBus("slow-client");
        bus.terminate();
        bus.waitForFinished(5000);
    }

private:
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
    QProcessEnvironment m_env;
    QProcess m_bus;
    QProcess m_x;
    QProcess m_dunst;
    std::unique_ptr<QDBusConnection> m_connection;
};

QTEST_GUILESS_MAIN(TestDBusNotifier)
#include "tst_dbusnotifier.moc"
