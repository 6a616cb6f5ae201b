#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The coming days as text for scripts and panels: one line per stored appointment (with its time)
// and per contact's name day, birthday and wedding anniversary, in the list's order, e.g.
//   "07.12.2026 pon. 14:30-15:15 Dentysta - Jan Kowalski - Kraków"
namespace Agenda {
inline constexpr int defaultDays = 7;
inline constexpr int maxDays = 366;

// The entries of days days from today on (today included). Contact dates across the year's end
// count in the year they fall in. False with the system's text when a file cannot be read.
[[nodiscard]] bool lines(const QString &dataDir, const QDate &today, int days, QStringList *out, QString *error);
} // namespace Agenda
