#pragma once

#include "platform/linux/DataFolderLock.h"

#include <QString>
#include <QTextStream>

// What a command-line command takes the data folder alone for; it words the refusal.
enum class FolderUse
{
    Import,
    Sync
};

// Takes the data folder alone for the command (the lock is then held until it is destroyed). False
// when the running organiser or another command holds it, with the reason written to err.
[[nodiscard]] bool lockFolderAlone(DataFolderLock &lock, const QString &dataDir, FolderUse use, QTextStream &err);
