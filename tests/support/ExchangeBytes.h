#pragma once

#include <QByteArray>

namespace ExchangeBytes {

// The control bytes of an export that its format does not allow: all but the tab and CR LF line
// ends, and a lone line break too unless quoted text may hold one (CSV).
inline QByteArray strayControls(QByteArrayView bytes, bool lineBreaksInText)
{
    QByteArray stray;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool lineEnd =
            (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') || (c == '\n' && i > 0 && bytes[i - 1] == '\r');
        const bool textBreak = lineBreaksInText && (c == '\r' || c == '\n');
        if ((c < 0x20 && c != '\t' && !lineEnd && !textBreak) || c == 0x7F) {
            stray.append(char(c));
        }
    }
    return stray;
}

} // namespace ExchangeBytes
