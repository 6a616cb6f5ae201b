#pragma once

#include "SyncEngine.h"

#include <optional>

class IniFile;

// The last sync's time and result, kept in the "Synchronizacja" section of "Morwinek.ini", so the
// sync window shows it after a restart and after a sync run from the command line:
// "Ostatnia_data" (yyyy-MM-dd HH:mm:ss, local time), "Ostatnie_kontakty" and "Ostatnie_terminy"
// (sent, received, deleted here, deleted on the server, conflicts, skipped) and "Ostatni_blad"
// (empty after a sync without error). Warnings are not kept: they concern the next sync.
namespace LastSync {

void write(IniFile &ini, const SyncOutcome &outcome);
// Nothing when no sync was recorded or the time cannot be read.
std::optional<SyncOutcome> read(const IniFile &ini);

// One collection's result as the window and "--sync" say it:
// "Kontakty: wysłano 1, odebrano 0, usunięto tutaj 0, usunięto na serwerze 0, konflikty 0."
QString summaryLine(const QString &name, const CollectionSummary &summary, bool calendar);

} // namespace LastSync
