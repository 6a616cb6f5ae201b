#pragma once

#include <QString>

#include <functional>

// Where the organiser keeps its data files.
namespace DataFolder {
// True when files can be created in the folder (also false on a read-only file system).
bool isWritable(const QString &folder);

// The data folder, in this order: the folder given on the command line; the executable's folder
// when it holds "Morwinek.ini" or "Morwinek.data" already or can be written (a copy carried
// around with its data); otherwise $XDG_DATA_HOME/Morwinek, or ~/.local/share/Morwinek when
// that variable is unset or not absolute. Creates nothing.
QString choose(const QString &given,
               const QString &executableDir,
               const std::function<bool(const QString &)> &writable = isWritable);

// Creates the folder when it is missing; false with a Polish text when that fails.
[[nodiscard]] bool ensure(const QString &folder, QString *error);
} // namespace DataFolder
