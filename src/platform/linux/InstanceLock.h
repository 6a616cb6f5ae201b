#pragma once

#include <QString>

// At most one running copy per user: an advisory lock on a file in the user's runtime folder.
// The kernel drops the lock when the process ends, however it ends, so a crash never blocks a start.
class InstanceLock
{
public:
    // lockPath empty: $XDG_RUNTIME_DIR/Morwinek.lock, or a per-user file in the temporary folder.
    explicit InstanceLock(QString lockPath = {});
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // False when another process holds the lock.
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};
