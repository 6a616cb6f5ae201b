#include "Biorhythm.h"

#include "core/common/DateText.h"

#include <cmath>
#include <numbers>

namespace Biorhythm {

int Biorytm_Licz(int period, double day, double birthDate)
{
    const qint64 days = static_cast<qint64>(std::trunc(day)) - static_cast<qint64>(std::trunc(birthDate));
    const double d = static_cast<double>(days);
    if (d < 0) {
        return 0;
    }
    const double q = d / period;
    const double f = q - std::trunc(q);
    // pi in extended precision, the product then held as a double: sin of the double nearest to pi
    // is a tiny positive number, so half a period floors to 0 rather than -1.
    const double angle = static_cast<double>(static_cast<long double>(f) * std::numbers::pi_v<long double> * 2);
    return static_cast<int>(std::floor(std::sin(static_cast<long double>(angle)) * 10000));
}

qint64 dayOfLife(double day, double birthDate)
{
    return static_cast<qint64>(std::trunc(day)) - static_cast<qint64>(std::trunc(birthDate)) + 1;
}

QString readoutText(double day, double birthDate)
{
    const auto pct = [&](int period) {
        return QString::number(percent(Biorytm_Licz(period, day, birthDate)));
    };
    return QStringLiteral("Intelektualny  ") + pct(intellectualPeriod) + QStringLiteral("%   Emocjonalny  ")
           + pct(emotionalPeriod) + QStringLiteral("%   Fizyczny  ") + pct(physicalPeriod) + QStringLiteral("%");
}

double dayValue(const QDateTime &moment)
{
    const QTime time = moment.time();
    return DateText::toDay(moment.date()) + time.msecsSinceStartOfDay() / 86400000.0;
}

} // namespace Biorhythm

namespace BiorhythmChart {

int lastDayIndex(int year, int month)
{
    int days = 0;
    for (int d = 1; d <= 31; ++d) {
        const QString text = FixedText::twoDigits(d) + QLatin1Char('.') + FixedText::twoDigits(month) + QLatin1Char('.')
                             + QString::number(year);
        if (DateText::parse(text) == DateText::invalid) {
            break;
        }
        ++days;
    }
    return days - 1;
}

int zeroLineY(int imageHeight)
{
    return (imageHeight - 1) / 2;
}

// The positions are truncated products of a width and a fraction i / c. Floating point can put
// 451 / 27 * 27 just under 451 and lose the last grid line, so they are taken in whole numbers.
int gridX(int i, int lastDay, int imageWidth)
{
    return (imageWidth - 1) * i / lastDay;
}

Band todayBand(int day, int lastDay, int imageWidth)
{
    return {gridX(day - 1, lastDay, imageWidth), gridX(day, lastDay, imageWidth)};
}

int curveX(int i, int lastDay, int imageWidth)
{
    return imageWidth * i / lastDay;
}

int curveY(int value, int mid)
{
    return mid + (mid * value) / -10000;
}

int dayAt(int x, int lastDay, int imageWidth)
{
    return x * lastDay / (imageWidth - 1) + 1;
}

} // namespace BiorhythmChart
