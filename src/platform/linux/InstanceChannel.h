#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// How a later start reaches the running copy: a local socket beside the single-instance lock
// file ("Morwinek.lock" -> "Morwinek.socket"), so it is per user as the lock is. Only the copy
// that holds the lock listens; a later start sends one request and ends.
class InstanceChannel : public QObject
{
    Q_OBJECT
public:
    explicit InstanceChannel(const QString &lockPath, QObject *parent = nullptr);

    // For the running copy. A socket left by a copy that died is replaced. False when the socket
    // cannot be made; the program runs on, only later starts cannot reach it.
    bool listen();
    // For a later start: asks the running copy to show itself and waits up to timeoutMs for its
    // answer, retrying while that copy is still starting. False when no copy answered.
    bool askToShow(int timeoutMs) const;

    static QString socketPath(const QString &lockPath);

signals:
    void showRequested();

private:
    void answer();

    QString m_socketPath;
    QLocalServer *m_server = nullptr;
};
