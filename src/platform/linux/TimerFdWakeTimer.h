#pragma once

#include "core/alarms/Notifier.h"

class QSocketNotifier;

// A timer to a wall-clock moment on the kernel's real-time clock: it comes at that moment even when
// the computer slept through it (at the wake), and it reports a set clock at once.
class TimerFdWakeTimer final : public WakeTimer
{
    Q_OBJECT
public:
    explicit TimerFdWakeTimer(QObject *parent = nullptr);
    ~TimerFdWakeTimer() override;
    // False where the kernel offers no such timer; a plain timer is needed then.
    bool isValid() const { return m_fd >= 0; }
    void arm(const QDateTime &at, qint64 waitMs) override;

private:
    void readable();
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
