#pragma once

#include <QString>

class Clock;

// Temporary files of a write that was killed before it was committed ("Morwinek.data.Ab12Cd",
// "notes/17.txt.x9YzQ1"): the data file itself is whole, the temporary copy is litter.
namespace SyncLeftovers {

// Removes those of the data folder and its notes, photos and conflicts folders that are older than
// a minute by the clock (younger ones may belong to a write under way). Returns how many were removed.
int remove(const QString &dataDir, const Clock &clock);

} // namespace SyncLeftovers
