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

QString unescape(QStringView text)
{
    if (!text.contains(u'\\')) {
        return text.toString();
    }
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            ++i;
            result.append(text[i] == u'n' || text[i] == u'N' ? QChar(u'\n') : text[i]);
        } else {
            result.append(text[i]);
        }
    }
    return result;
}

QString unescape(const QString &text)
{
    return text.contains(u'\\') ? unescape(QStringView(text)) : text;
}

QList<Line> split(const QByteArray &text)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        const QByteArrayView physical(text.constData() + start, end - start);
        QByteArrayView content = physical;
        while (content.endsWith('\n') || content.endsWith('\r')) {
            content.chop(1);
        }
        if (!lines.isEmpty() && (physical.startsWith(' ') || physical.startsWith('\t'))) {
            lines.last().raw += physical;
            lines.last().logical += content.sliced(1);
        } else {
            lines.append({physical.toByteArray(), content.toByteArray()});
        }
        start = end;
    }
    if (!lines.isEmpty() && !lines.last().raw.endsWith('\n')) {
        lines.last().raw += "\r\n";
    }
    return lines;
}

namespace {
qsizetype valueStart(QByteArrayView logical)
{
    bool quoted = false;
    for (qsizetype i = 0; i < logical.size(); ++i) {
        if (logical[i] == '"') {
            quoted = !quoted;
        } else if (logical[i] == ':' && !quoted) {
            return i;
        }
    }
    return -1;
}
} // namespace

QByteArray withCrLf(const QByteArray &text)
{
    if (text.contains('\r') || !text.contains('\n')) {
        return text;
    }
    QByteArray out = text;
    out.replace("\n", "\r\n");
    return out;
}

QByteArray name(QByteArrayView logical)
{
    qsizetype end = 0;
    while (end < logical.size() && logical[end] != ';' && logical[end] != ':') {
        ++end;
    }
    QByteArrayView found = logical.first(end).trimmed();
    if (const qsizetype dot = found.lastIndexOf('.'); dot >= 0) {
        found = found.sliced(dot + 1);
    }
    return found.toByteArray().toUpper();
}

QByteArrayView value(QByteArrayView logical)
{
    const qsizetype colon = valueStart(logical);
    return colon < 0 ? QByteArrayView() : logical.sliced(colon + 1);
}

QByteArrayView head(QByteArrayView logical)
{
    const qsizetype colon = valueStart(logical);
    return colon < 0 ? logical : logical.first(colon);
}

} // namespace ContentLines
