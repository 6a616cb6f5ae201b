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
    return ::flock(m_fd, LOCK_SH | LOCK_NB) == 0;
}

DataFolderLock::Holder DataFolderLock::tryLockExclusive()
{
    if (!open() || ::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        return Holder::None;
    }
    // A shared lock is refused only while someone holds the folder alone: another import.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0) {
        return Holder::Import;
    }
    ::flock(m_fd, LOCK_UN);
    return Holder::Organiser;
}
