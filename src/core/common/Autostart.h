#pragma once

#include <QString>

#include <optional>

// The start-at-login entry, wherever the operating system keeps it.
class AutostartStore
{
public:
    virtual ~AutostartStore() = default;
    // The executable path the entry starts, if there is an entry.
    virtual std::optional<QString> read() const = 0;
    virtual bool write(const QString &executablePath) = 0;
    virtual bool remove() = 0;
};

namespace Autostart {
enum Mode
{
    QueryAndClean = 0,
    SwitchOn = 1,
    SwitchOff = 2
};
// Mode 0: true when the entry names exactly this path; an entry naming another path is removed.
// Mode 1: writes the entry unless one exists. Mode 2: removes it. Modes 1, 2 and others answer false.
bool apply(AutostartStore &store, int mode, const QString &executablePath);
} // namespace Autostart
