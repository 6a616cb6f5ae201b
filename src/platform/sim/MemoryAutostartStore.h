#pragma once

#include "core/common/Autostart.h"

// A start-at-login entry kept in memory.
class MemoryAutostartStore final : public AutostartStore
{
public:
    std::optional<QString> entry;
    int writes = 0;
    int removes = 0;

    std::optional<QString> read() const override { return entry; }
    bool write(const QString &executablePath) override
    {
        ++writes;
        entry = executablePath;
        return true;
    }
    bool remove() override
    {
        ++removes;
        entry.reset();
        return true;
    }
};
