#pragma once

#include <QString>

// Who works on a data folder: the running organiser holds a shared lock on the folder itself, and
// a command-line import asks for it alone, so it never writes the address book under a running
// organiser (which would overwrite the import at its next save). The lock is on the folder, not on
// a file in it, so no file is left behind, every user and every runtime folder sees the same
// lock, and the kernel drops it when the process ends, however it ends. Nothing here waits.
class DataFolderLock
{
public:
    // Who keeps a lock from being taken: organisers share the folder, an import holds it alone.
    enum class Holder
    {
        None,
        Organiser,
        Import
    };

    explicit DataFolderLock(QString folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    // For the organiser: false while an import holds the folder. A folder that cannot be opened
    // gives true, and the organiser runs without the lock.
    bool tryLockShared();
    // For an import: None once the folder is held alone (or cannot be opened: the import reports
    // that), else who holds it.
    Holder tryLockExclusive();
    // Whether no other process holds the folder now (so none writes in it), with this one's lock
    // kept as it was. False without a lock of this one's.
    bool aloneNow();

private:
    bool open();

    QString m_folder;
    int m_fd = -1;
    bool m_exclusive = false;
    bool m_shared = false;
};
