#pragma once

#include "core/common/CommandLine.h"

class PasswordStore;

// morwinek [--data-dir DIR] --sync: one two-way sync of the address book and the calendar with the
// server of "Morwinek.ini" ([Synchronizacja]), one summary line per collection. The password comes
// from the keyring (when one is given), else MORWINEK_SYNC_PASSWORD, else the terminal. Exit code
// 0 on success (conflicts kept included), 1 on an error, 2 when the settings lack the server, 3 when
// the organiser runs on the same data folder.
namespace SyncCommand {
int run(int argc, char *argv[], const CommandLine &commandLine, PasswordStore *passwords);
} // namespace SyncCommand
