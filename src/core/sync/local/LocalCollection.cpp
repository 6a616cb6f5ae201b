#include "core/sync/local/LocalCollection.h"

bool LocalCollection::changedSince(const SyncCollectionState &state) const
{
    qsizetype present = 0;
    for (const SyncItem &item : state.items) {
        if (item.key.isEmpty()) {
            continue;
        }
        if (item.pending || item.etag.isEmpty() || item.hash.isEmpty()) {
            return true;
        }
        if (!exists(item.key)) {
            if (isOld(item.key)) {
                continue; // dropped as old: left alone on the server
            }
            return true;
        }
        ++present;
        if (hash(item.key) != item.hash) {
            return true;
        }
    }
    return count() != present;
}
