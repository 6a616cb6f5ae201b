#include "DataFolderLock.h"

#include <QFile>

#include <cerrno>
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

bool DataFolderLock::lockShared()
{
    if (!open()) {
        return false;
    }
    int result;
    do {
        result = ::flock(m_fd, LOCK_SH);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool DataFolderLock::tryLockExclusive()
{
    // A folder that cannot be opened holds no data for an import either; the import reports that.
    if (!open()) {
        return true;
    }
    return ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
}
