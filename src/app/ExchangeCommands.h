#pragma once

#include "core/common/CommandLine.h"

// Exchange with other programs from the command line, without a window:
//   morwinek [--data-dir DIR] --export-vcard FILE | --export-csv FILE | --export-ics FILE | --import FILE
// The commands run in the order given, on the data folder the organiser would use. Nothing is
// asked: an import adds the contacts that are no duplicates and prints how many were read, added
// and skipped. The exit code is 0 when every command succeeded, 1 after an error, and 3 when an
// import is refused because the organiser runs on the same data folder.
namespace ExchangeCommands {
int run(int argc, char *argv[], const CommandLine &commandLine);
} // namespace ExchangeCommands
