#pragma once

#include <QString>

// The text shown for a failed file operation: a Polish sentence that names the file and, for the
// common causes, the reason in Polish; the system's own text for anything else.
namespace FileError {
enum Operation
{
    Read,
    Write,
    Remove,
    CreateFolder
};
enum Reason
{
    Other,
    NoPermission,
    ReadOnlyFileSystem,
    DiskFull,
    MissingFolder,
    IsFolder,
    BrokenLink // a symbolic link to nothing stands where the file or folder should be
};

// Looks at the path after the failure (and at errorNumber, an errno value or 0) to tell the cause.
Reason reasonOf(Operation operation, const QString &path, int errorNumber = 0);
// systemText: what the system said (QFileDevice::errorString()), used when the cause is none of ours.
QString describe(Operation operation, const QString &path, const QString &systemText, int errorNumber = 0);
} // namespace FileError
