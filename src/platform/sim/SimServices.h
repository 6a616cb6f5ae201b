#pragma once

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "FakePrompter.h"
#include "FakeShellOpener.h"
#include "MemoryAutostartStore.h"

#include "core/common/Services.h"

// A complete set of fakes and the Services that point at them, for one test.
struct SimServices
{
    explicit SimServices(const QString &dataDir)
        : services{prompter, shell, clock, autostart, dataDir, dataDir + QStringLiteral("/morwinek")}
    {
        services.notifier = &notifier;
        services.wakeTimer = &wakeTimer;
    }
    FakePrompter prompter;
    FakeShellOpener shell;
    FakeClock clock;
    MemoryAutostartStore autostart;
    FakeNotifier notifier;
    FakeWakeTimer wakeTimer;
    Services services;
};
