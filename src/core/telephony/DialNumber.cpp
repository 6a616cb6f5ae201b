#include "DialNumber.h"

#include <algorithm>

namespace DialNumber {

QByteArray dialString(QStringView number)
{
    QByteArray dial;
    for (const QChar ch : number) {
        const char16_t c = ch.unicode();
        if (c == u' ' || c == u'-' || c == u'.' || c == u'/' || c == u'(' || c == u')') {
            continue;
        }
        const bool digit = (c >= u'0' && c <= u'9') || c == u'*' || c == u'#';
        // '+' only opens the number; a pause only follows something dialled. Any other character
        // (a letter would be a tone A-D or a dial modifier, ';' ends the command) is refused whole.
        const bool plus = c == u'+' && dial.isEmpty();
        const bool pause = c == u',' && !dial.isEmpty() && dial.back() != '+';
        if (!digit && !plus && !pause) {
            return {};
        }
        dial.append(char(c));
    }
    const bool anyDigit = std::any_of(dial.cbegin(), dial.cend(), [](char c) {
        return c != '+' && c != ',';
    });
    return anyDigit && dial.size() <= maxDialLength ? dial : QByteArray();
}

QString refusalText(const QString &number)
{
    QString shown = number;
    for (QChar &ch : shown) {
        if (ch.category() == QChar::Other_Control) {
            ch = u'?'; // a line break or tab would tear the sentence apart
        }
    }
    return QStringLiteral("Numer %1 zawiera znaki, których nie można wybrać").arg(shown.trimmed());
}

} // namespace DialNumber
