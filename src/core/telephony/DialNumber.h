#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// A telephone number as the modem gets it behind "ATD".
namespace DialNumber {
inline constexpr qsizetype maxDialLength = 60;

enum class Problem
{
    None,
    Undialable,    // a character the modem would take otherwise than written
    NothingToDial, // only separators, pauses and waits
    TooLong        // more than maxDialLength characters to dial
};

// The dial string of a number in the form a Hayes modem takes it: digits, the tones A-D, '*' and
// '#', one '+' before anything else, the pause ',', the hook flash '!', the waits W (dial tone),
// @ (quiet answer) and $ (billing tone), and P/T (pulse or tone dialling from there on), letters
// in upper case. Blanks and "-./()" that group the digits are left out. Empty when the number
// holds anything else (another letter of any script, ';', a control character, a second '+'),
// nothing to dial, or more than maxDialLength characters to dial; problem tells which.
QByteArray dialString(QStringView number, Problem *problem = nullptr);

// The number with a pause after a leading 0 (a trunk prefix), so the exchange has time to give a
// dial tone: "0221234567" -> "0,221234567"; a number that has the pause already stays as it is.
QString withTrunkPause(const QString &number);

// Why a number is refused, told to the user and naming the number (for one that looks dialable,
// the sentence about undialable characters).
QString refusalText(const QString &number);
} // namespace DialNumber
