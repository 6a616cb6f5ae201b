#pragma once

#include <QLocale>
#include <QString>

#include <array>

// Three-field conversions: one quantity in three units, or a price net and gross at two VAT rates.
// Field values are held as whole hundredths so that taxes come out in exact decimal.
namespace Calculation {
inline constexpr int categoryCount = 5;
inline constexpr int vatCategory = 0;
inline constexpr int defaultVat1 = 23;
inline constexpr int defaultVat2 = 8;

struct Category
{
    QString item;
    std::array<QString, 3> units;
    // Relative to a common base; the first is always 1.
    std::array<double, 3> factors;
};

// The highest rate a calculation uses; a higher one (edited by hand) counts as this.
inline constexpr int maxRate = 1000;
// A rate as the settings hold it, as the calculations use it: one of -100 % or less would make a
// factor of zero or below, so it falls back to the default; one above maxRate is maxRate.
int effectiveRate(int rate, int fallback);
// The category at index 0..4 with the given VAT rates (already made effective).
Category category(int index, int vat1, int vat2);
// A stored category index, with anything outside 0..4 meaning the first.
int validCategory(int index);

// Hundredths of a value, rounded half away from zero and held within range.
qint64 toHundredths(double value);
// value * (toFactor / fromFactor), rounded to hundredths, halves away from zero.
qint64 convert(qint64 hundredths, double fromFactor, double toFactor);
// "22,00", "4,05", "-4,05": always a comma, whatever the locale.
QString taxText(qint64 hundredths);
} // namespace Calculation

// The text of a number field: at most two decimals, the locale's decimal separator (or "," or
// "." as typed), an optional leading minus, and an empty text for 0.
namespace CalcNumber {
inline constexpr int maxTypedLength = 10;

// Hundredths of a field text; 0 for an empty text or one that is not such a number.
qint64 parse(const QString &text, const QLocale &locale = QLocale());
// Trailing zeros dropped; the integer part grouped only when `grouped`.
QString format(qint64 hundredths, bool grouped, const QLocale &locale = QLocale());
// Whether a text may stand in the field while typing ("-", "12,", "0,5" are fine; "1,234" is not).
bool isTypable(const QString &text, const QLocale &locale = QLocale());
} // namespace CalcNumber
