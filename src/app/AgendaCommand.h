#pragma once

#include "core/common/CommandLine.h"

// morwinek [--data-dir DIR] --agenda [DAYS]: the coming days on standard output, one entry a line.
// It only reads the files, so it runs beside the organiser without its locks. Exit code 0, or 1
// when a data file cannot be read (what could be read is printed).
namespace AgendaCommand {
int run(int argc, char *argv[], const CommandLine &commandLine);
} // namespace AgendaCommand
