#include "ContentLines.h"

#include "ExchangeContact.h"

namespace ContentLines {

void append(QByteArray &out, const QString &line)
{
    // The formats allow no control character but the tab in a line; a value's line breaks are
    // escaped before this.
    const QByteArray bytes = Exchange::withoutControls(line, false).toUtf8();
    qsizetype start = 0;
    int width = foldWidth;
    while (bytes.size() - start > width) {
        qsizetype end = start + width;
        // Step back to the first byte of a UTF-8 sequence so the character stays whole.
        while (end > start && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
            --end;
        }
        out.append(bytes.constData() + start, end - start);
        out.append("\r\n ", 3);
        start = end;
        width = foldWidth - 1; // the leading blank of a continuation counts
    }
    out.append(bytes.constData() + start, bytes.size() - start);
    out.append("\r\n", 2);
}

QString escape(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        switch (ch.unicode()) {
        case u'\\':
            result.append(u"\\\\");
            break;
        case u',':
            result.append(u"\\,");
            break;
        case u';':
            result.append(u"\\;");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            result.append(u"\\n");
            break;
        case u'\n':
            result.append(u"\\n");
            break;
        default:
            result.append(ch);
        }
    }
    return result;
}

} // namespace ContentLines
