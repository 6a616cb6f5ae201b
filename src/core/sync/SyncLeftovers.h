#pragma once

#include <QString>

// Temporary files of a write that was killed before it was committed ("Morwinek.data.Ab12Cd",
// "notes/17.txt.x9YzQ1"): the data file itself is whole, the temporary copy is litter.
namespace SyncLeftovers {

// Removes those of the data folder and its notes, photos and conflicts folders that are older than
// a minute (younger ones may belong to a write under way). Returns how many were removed.
int remove(const QString &dataDir);

} // namespace SyncLeftovers
