#include "DataFolderLock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

DataFolderLock::DataFolderLock(QString folder)
    : m_folder(std::move(folder))
{}

DataFolderLock::~DataFolderLock()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool DataFolderLock::open()
{
    if (m_fd >= 0) {
        return true;
    }
    const QByteArray path = QFile::encodeName(m_folder);
    m_fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return m_fd >= 0;
}

bool DataFolderLock::tryLockShared()
{
    if (!open()) {
        return true;
    }
    m_shared = ::flock(m_fd, LOCK_SH | LOCK_NB) == 0;
    return m_shared;
}

bool DataFolderLock::aloneNow()
{
    if (m_exclusive) {
        return true;
    }
    if (!m_shared) {
        return false;
    }
    // Another holder keeps a shared lock from becoming exclusive. A refused change drops the lock
    // (flock), so it is taken again; never waiting, as the organiser's thread must not.
    const bool alone = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    m_shared = ::flock(m_fd, LOCK_SH | LOCK_NB) == 0;
    return alone;
}

DataFolderLock::Holder DataFolderLock::tryLockExclusive()
{
    if (!open()) {
        return Holder::None;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_exclusive = true;
        return Holder::None;
    }
    // A shared lock is refused only while someone holds the folder alone: another import.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
        return Holder::Import;
    }
    ::flock(m_fd, LOCK_UN);
    return Holder::Organiser;
}
