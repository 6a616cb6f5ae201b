#pragma once

#include <QDate>
#include <QDateTime>

// "Now" for the whole program, so tests can pin the day. Timers still tick in real time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
