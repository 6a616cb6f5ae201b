#pragma once

// Exchange with other programs from the command line, without a window:
//   morwinek [--data-dir DIR] --export-vcard FILE | --export-csv FILE | --export-ics FILE | --import FILE
// Several commands run in the order given. Nothing is asked: an import adds the contacts that are
// no duplicates and prints how many were read, added and skipped. The exit code is 0 when every
// command succeeded, 1 after an error, 2 for a command line that cannot be understood, and 3 when
// an import is refused because the organiser runs on the same data folder.
namespace ExchangeCommands {
// True when the arguments hold an exchange command, which then runs instead of the organiser.
bool requested(int argc, char *argv[]);
int run(int argc, char *argv[]);
} // namespace ExchangeCommands
