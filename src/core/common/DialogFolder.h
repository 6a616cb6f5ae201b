#pragma once

#include <QString>

// Where the program's file dialogs start: the folder last used in one of them during this run,
// else the user's documents folder (XDG), else the home folder. Never the data folder, which for
// an installed copy is hidden.
namespace DialogFolder {
QString start();
// The same folder with a file name in it, for a dialog that suggests a name.
QString startWith(const QString &fileName);
// Remembers the folder of a file the user chose; an empty answer (cancel) changes nothing.
void remember(const QString &chosenFile);
// Forgets the folder of this run (for tests).
void forget();
} // namespace DialogFolder
