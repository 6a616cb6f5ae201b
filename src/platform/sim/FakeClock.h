#pragma once

#include "core/common/Clock.h"

// A clock that stands where the test puts it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime at = QDateTime(QDate(2026, 12, 6), QTime(12, 0)))
        : m_now(std::move(at))
    {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &at) { m_now = at; }
    void setDate(const QDate &day) { m_now = QDateTime(day, QTime(12, 0)); }

private:
    QDateTime m_now;
};
