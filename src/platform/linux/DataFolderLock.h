#pragma once

#include <QString>

// Who works on a data folder: the running organiser holds a shared lock on the folder itself, and
// a command-line import asks for it alone, so it never writes the address book under a running
// organiser (which would overwrite the import at its next save). The lock is on the folder, not on
// a file in it, so no file is left behind, every user and every runtime folder sees the same
// lock, and the kernel drops it when the process ends, however it ends.
class DataFolderLock
{
public:
    explicit DataFolderLock(QString folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    // For the organiser: waits while an import holds the folder. False when the folder cannot be
    // opened, and then the organiser runs without the lock.
    bool lockShared();
    // For an import: false at once while anyone else holds the folder.
    bool tryLockExclusive();

private:
    bool open();

    QString m_folder;
    int m_fd = -1;
};
