#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// A telephone number as the modem gets it behind "ATD".
namespace DialNumber {
inline constexpr qsizetype maxDialLength = 60;

// The dial string of a number: its digits, '*' and '#', a '+' before the first of them and ','
// (a pause) between them; blanks and "-./()" that group the digits are left out. Empty when the
// number holds anything else (a letter of any script, ';', a control character, a second '+'),
// nothing to dial, or more than maxDialLength characters to dial.
QByteArray dialString(QStringView number);

// The refusal told to the user, naming the number.
QString refusalText(const QString &number);
} // namespace DialNumber
