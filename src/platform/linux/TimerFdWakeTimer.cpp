#include "TimerFdWakeTimer.h"

#include <QDateTime>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

TimerFdWakeTimer::TimerFdWakeTimer(QObject *parent)
    : WakeTimer(parent)
{
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &TimerFdWakeTimer::readable);
    }
}

TimerFdWakeTimer::~TimerFdWakeTimer()
{
    if (m_fd >= 0) {
        delete m_notifier;
        ::close(m_fd);
    }
}

void TimerFdWakeTimer::arm(const QDateTime &at, qint64)
{
    if (m_fd < 0) {
        return;
    }
    const qint64 ms = std::max<qint64>(at.toMSecsSinceEpoch(), 1);
    itimerspec spec = {};
    spec.it_value.tv_sec = static_cast<time_t>(ms / 1000);
    spec.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    // Cancelled when the clock is set, so a moment armed by the old clock never stands silently.
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
}

void TimerFdWakeTimer::readable()
{
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (n < 0 && errno == ECANCELED) {
        emit clockChanged();
    } else if (n == static_cast<ssize_t>(sizeof expirations)) {
        emit fired();
    }
}
