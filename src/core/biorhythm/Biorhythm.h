#pragma once

#include <QDateTime>
#include <QString>

// The three-cycle model. Dates are day values counted from 30.12.1899 (as DateText's day numbers),
// possibly with a fraction for the time of day; only whole days count.
namespace Biorhythm {
inline constexpr int physicalPeriod = 23;
inline constexpr int emotionalPeriod = 28;
inline constexpr int intellectualPeriod = 33;

// Cycle value in hundredths of a percent, -10000..10000: floor(sin(phase) * 10000), where the
// phase is the fraction of completed periods since the birth date. 0 for a day before birth.
int Biorytm_Licz(int period, double day, double birthDate);
// Percent shown for a cycle value: truncated toward zero, so -1 hundredth reads as 0.
inline int percent(int value)
{
    return value / 100;
}
// The birth date is day 1 of life; a day before birth gives 0 or less.
qint64 dayOfLife(double day, double birthDate);
// "Intelektualny  18%   Emocjonalny  22%   Fizyczny  26%" for the given day.
QString readoutText(double day, double birthDate);
// The day value of a moment, with the time of day as the fraction.
double dayValue(const QDateTime &moment);
} // namespace Biorhythm

// Where things go on the monthly chart, for an image of width W and height H and a month whose
// last day index c is its number of days minus one. The grid and the today band span W - 1,
// the curves the full W, so the last curve point lies just outside the image.
namespace BiorhythmChart {
inline constexpr int width = 452;
inline constexpr int height = 184;

// Days of the month minus one, counted by parsing "dd.MM.yyyy" texts; -1 for a month of no days.
int lastDayIndex(int year, int month);
// Middle line of the chart: (H - 1) div 2.
int zeroLineY(int imageHeight);
// x of grid line i (0..c).
int gridX(int i, int lastDay, int imageWidth);
// Columns [first, last] of the today band for day of month `day`.
struct Band
{
    int first;
    int last;
};
Band todayBand(int day, int lastDay, int imageWidth);
// x of the curve point of day index i (0..c).
int curveX(int i, int lastDay, int imageWidth);
// y of a cycle value: +10000 at the top, -10000 at 2 * mid.
int curveY(int value, int mid);
// Day of month (1-based) under column x.
int dayAt(int x, int lastDay, int imageWidth);
} // namespace BiorhythmChart
