#pragma once

#include <QString>

class Clock;

// Temporary files of a write that was killed before it was committed ("Morwinek.data.Ab12Cd",
// "notes/17.txt.x9YzQ1"): the data file itself is whole, the temporary copy is litter.
namespace SyncLeftovers {

// Removes those of every file the organiser replaces whole: the data files and their side files
// in the data folder, the notes, photos and conflicts folders, the kept deleted items and the
// day's copies. Only names of such a temporary copy of one of those files are touched. alone:
// nobody else works on the folder (its lock says so), so no write is under way and every one goes;
// otherwise only those older than a minute by the clock. Returns how many were removed.
int remove(const QString &dataDir, const Clock &clock, bool alone = false);

} // namespace SyncLeftovers
