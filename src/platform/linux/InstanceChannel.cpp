#include "InstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray shownAnswer = "ok\n";

} // namespace

InstanceChannel::InstanceChannel(const QString &lockPath, QObject *parent)
    : QObject(parent)
    , m_socketPath(socketPath(lockPath))
{}

QString InstanceChannel::socketPath(const QString &lockPath)
{
    QString path = lockPath;
    if (path.endsWith(QStringLiteral(".lock"))) {
        path.chop(5);
    }
    return path + QStringLiteral(".socket");
}

bool InstanceChannel::listen()
{
    if (m_server) {
        return m_server->isListening();
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::answer);
    // Whoever holds the lock owns the name: a socket file still there is from a copy that died.
    QLocalServer::removeServer(m_socketPath);
    return m_server->listen(m_socketPath);
}

void InstanceChannel::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->abort();
                }
                return;
            }
            const QByteArray request = socket->readLine();
            if (request == showRequest) {
                socket->write(shownAnswer);
                socket->flush();
                emit showRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

bool InstanceChannel::askToShow(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    // The running copy takes the lock before it listens; give it that moment.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            socket.write(showRequest);
            if (!socket.waitForBytesWritten(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
                return false;
            }
            while (!socket.canReadLine()
                   && socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
            }
            return socket.canReadLine() && socket.readLine() == shownAnswer;
        }
        QThread::msleep(100);
    }
    return false;
}
