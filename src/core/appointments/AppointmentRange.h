#pragma once

#include "core/common/DateText.h"

#include <algorithm>

// How far around today the appointments list reaches, the one rule for the list, the alarms and the
// sync: a contact's date of this year is listed when it lies at most range days before or after
// today, and a stored appointment is kept until it is more than range days old. Day values as
// DateText counts them. The range is used within the span of all dates, whatever the settings hold.
class AppointmentRange
{
public:
    AppointmentRange(int today, int range)
        : m_today(today)
        , m_range(std::clamp(range, -DateText::maxDaySpan, DateText::maxDaySpan))
    {}

    // A contact's name day, birthday or anniversary in this year; false for DateText::invalid.
    bool nearToday(int day) const
    {
        return day != DateText::invalid && day - m_today >= -m_range && day - m_today <= m_range;
    }
    // A stored appointment stays in the list (and its file); false for DateText::invalid.
    bool keeps(int day) const { return day != DateText::invalid && m_today - day <= m_range; }

private:
    int m_today;
    int m_range;
};
