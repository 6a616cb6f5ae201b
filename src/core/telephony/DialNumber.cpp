#include "DialNumber.h"

#include <algorithm>

namespace DialNumber {

namespace {

// Each character is judged as it stands, before any case folding: folding would turn letters of
// other forms into Latin ones the modem would take (the long s into S, the stored-number command).
char dialCharacter(char16_t c)
{
    if ((c >= u'0' && c <= u'9') || c == u'*' || c == u'#' || c == u',' || c == u'!' || c == u'@' || c == u'$') {
        return char(c);
    }
    if ((c >= u'A' && c <= u'D') || c == u'W' || c == u'P' || c == u'T') {
        return char(c);
    }
    if (c == u'w' || c == u'p' || c == u't') {
        return char(c - u'a' + u'A');
    }
    return 0;
}

bool isDialDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'D') || c == '*' || c == '#';
}

} // namespace

QByteArray dialString(QStringView number, Problem *problem)
{
    const auto result = [problem](Problem found, QByteArray dial) {
        if (problem) {
            *problem = found;
        }
        return dial;
    };
    QByteArray dial;
    for (const QChar ch : number) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'-' || c == u'.' || c == u'/' || c == u'(' || c == u')') {
            continue;
        }
        // '+' only opens the number. Lower-case a-d are far likelier part of a word than tones;
        // ';' would end the command. They are refused with everything else.
        const char d = c == u'+' && dial.isEmpty() ? '+' : dialCharacter(c);
        if (d == 0) {
            return result(Problem::Undialable, {});
        }
        dial.append(d);
    }
    if (std::none_of(dial.cbegin(), dial.cend(), isDialDigit)) {
        return result(Problem::NothingToDial, {});
    }
    if (dial.size() > maxDialLength) {
        return result(Problem::TooLong, {});
    }
    return result(Problem::None, dial);
}

QString refusalText(const QString &number)
{
    QString shown = number;
    for (QChar &ch : shown) {
        if (ch.category() == QChar::Other_Control) {
            ch = u'?'; // a line break or tab would tear the sentence apart
        }
    }
    shown = shown.trimmed();
    Problem problem = Problem::None;
    dialString(number, &problem);
    switch (problem) {
    case Problem::NothingToDial:
        return QStringLiteral("Numer %1 nie zawiera cyfr do wybrania").arg(shown);
    case Problem::TooLong:
        return QStringLiteral("Numer %1 ma więcej niż %2 znaków do wybrania").arg(shown).arg(maxDialLength);
    case Problem::None: // refused by the modem's side although it looked dialable
    case Problem::Undialable:
        break;
    }
    return QStringLiteral("Numer %1 zawiera znaki, których nie można wybrać").arg(shown);
}

QString withTrunkPause(const QString &number)
{
    if (number.startsWith(u'0') && (number.size() < 2 || number.at(1) != u',')) {
        return QStringLiteral("0,") + number.mid(1);
    }
    return number;
}

} // namespace DialNumber
