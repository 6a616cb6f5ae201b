#pragma once

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <csignal>

// A real CardDAV/CalDAV server for tests: Radicale on 127.0.0.1 at a free port, its storage in a
// temporary folder, htpasswd with plain passwords (user "anna", password "tajne"). Restarting keeps
// the storage and the port, so a killed server comes back with what it had. startTls serves https with
// a self-signed certificate for 127.0.0.1 made by openssl, which no system trusts.
class RadicaleServer
{
public:
    static constexpr char user[] = "anna";
    static constexpr char password[] = "tajne";

    ~RadicaleServer() { stop(); }

    // Before start(): another password for "anna" (UTF-8), or no authentication at all.
    void setPassword(const QByteArray &utf8) { m_password = utf8; }
    void setAuthentication(bool on) { m_authentication = on; }

    // extra is appended to the [server] section (max_content_length = ...).
    bool start(QString *error, const QString &extra = {})
    {
        if (!m_dir.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        if (m_port == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0)) {
                *error = probe.errorString();
                return false;
            }
            m_port = probe.serverPort();
        }
        QFile users(m_dir.filePath(QStringLiteral("users")));
        if (!users.open(QIODevice::WriteOnly) || users.write(QByteArray(user) + ':' + m_password + '\n') < 0) {
            *error = users.errorString();
            return false;
        }
        users.close();
        QFile config(m_dir.filePath(QStringLiteral("config")));
        // Without authentication everyone may use every collection.
        const QString rights = m_authentication ? QString() : QStringLiteral("[rights]\ntype = authenticated\n");
        const QString text = QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n%2\n"
                                            "[auth]\ntype = %5\nhtpasswd_filename = %3\n"
                                            "htpasswd_encryption = plain\ndelay = 0\n"
                                            "%6[storage]\nfilesystem_folder = %4\n"
                                            "[logging]\nlevel = warning\n")
                                 .arg(m_port)
                                 .arg(extra, users.fileName(), m_dir.filePath(QStringLiteral("storage")))
                                 .arg(m_authentication ? QStringLiteral("htpasswd") : QStringLiteral("none"), rights);
        if (!config.open(QIODevice::WriteOnly) || config.write(text.toUtf8()) < 0) {
            *error = config.errorString();
            return false;
        }
        config.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/radicale"), {QStringLiteral("--config"), config.fileName()});
        if (!m_process.waitForStarted(10000)) {
            *error = m_process.errorString();
            return false;
        }
        for (int i = 0; i < 200; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100)) {
                return true;
            }
            if (m_process.state() != QProcess::Running) {
                break;
            }
            QThread::msleep(50);
        }
        *error = QStringLiteral("Radicale did not start listening on port %1").arg(m_port);
        return false;
    }

    bool startTls(QString *error)
    {
        if (!m_dir.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                       QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                       QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"),
                       QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                       QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1"),
                       QStringLiteral("-keyout"), certificateKeyPath(), QStringLiteral("-out"), certificatePath()});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            *error = QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAll()) + openssl.errorString();
            return false;
        }
        m_scheme = QStringLiteral("https");
        return start(error,
                     QStringLiteral("ssl = True\ncertificate = %1\nkey = %2\n")
                         .arg(certificatePath(), certificateKeyPath()));
    }
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }

    void stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
    }

    // Ends the server at once, as a crash or a pulled cable would.
    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
            m_process.waitForFinished(5000);
        }
    }

    QString url() const { return QStringLiteral("%1://127.0.0.1:%2/").arg(m_scheme).arg(m_port); }
    quint16 port() const { return m_port; }

    // An address book made on the server by hand, as another program would; the HTTP status.
    int makeAddressBook(const QString &path, const QString &name) const
    {
        QNetworkAccessManager network;
        QNetworkRequest request(QUrl(url()).resolved(QUrl(path)));
        request.setRawHeader("Authorization", "Basic " + (QByteArray(user) + ':' + m_password).toBase64());
        QNetworkReply *reply = network.sendCustomRequest(
            request,
            "MKCOL",
            "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><set><prop>"
            "<resourcetype><collection/><C:addressbook/></resourcetype><displayname>"
                + name.toUtf8() + "</displayname></prop></set></mkcol>");
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!reply->isFinished()) {
            loop.exec();
        }
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        delete reply;
        return status;
    }

private:
    QString certificateKeyPath() const { return m_dir.filePath(QStringLiteral("key.pem")); }

    QTemporaryDir m_dir;
    QString m_scheme = QStringLiteral("http");
    QByteArray m_password = password;
    bool m_authentication = true;
    QProcess m_process;
    quint16 m_port = 0;
};
