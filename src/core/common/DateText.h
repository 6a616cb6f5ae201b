#pragma once

#include <QDate>
#include <QString>

// The program's one date format, "dd.MM.yyyy", whatever the system's regional settings,
// and date values as day numbers counted from 30.12.1899 (day 0), so that the
// difference of two values is a number of days.
namespace DateText {
inline constexpr int invalid = -1;
// The most days between two dates the text can hold, 01.01.0001 and 31.12.9999.
inline constexpr int maxDaySpan = 3652058;
inline constexpr char format[] = "dd.MM.yyyy";

// The day number of the trimmed text, or -1 when it is not exactly ten characters in the
// form dd.MM.yyyy or not a real date. 29.12.1899 is day -1 and so counts as invalid too.
int parse(const QString &text);
// The date of a text, or a null QDate where parse() answers -1.
QDate parseDate(const QString &text);

int toDay(const QDate &date);
QDate fromDay(int day);
// "dd.MM.yyyy"; an empty text for a null date.
QString toText(const QDate &date);
QString fromDayToText(int day);

// A birthday known without its year is kept as its day and month, "dd.MM", a day that exists in a
// leap year (so 29.02 has one); "dd.MM.1604", as an earlier version kept it, means the same.
inline constexpr int noYear = 1604;
// True for either form, trimmed.
bool isWithoutYear(const QString &text);
// "dd.MM" for either form, as the editor shows it and the file keeps it; any other text as it is.
QString withoutYear(const QString &text);
} // namespace DateText

namespace FixedText {
// Exactly n characters: blanks appended to reach n, then cut to n. Nothing is trimmed.
QString padToWidth(const QString &text, int width);
// 7 -> "07", 12 -> "12".
QString twoDigits(int number);
// "Abc Def Ghi" -> "Def Ghi Abc "; a name stored surname first, printed first name first.
QString swapNameOrder(const QString &text);
// Leading and trailing blanks and control characters removed, as the data files store fields.
QString trimmed(const QString &text);
// The same on code page 1250 bytes, where no byte above 0x20 is a blank.
QByteArrayView trimmedBytes(QByteArrayView bytes);
} // namespace FixedText
