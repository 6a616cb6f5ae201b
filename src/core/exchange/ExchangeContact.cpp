#include "ExchangeContact.h"

#include "core/common/Cp1250.h"

#include <algorithm>
#include <cstring>

QString ExchangeError::text() const
{
    if (line <= 0) {
        return message;
    }
    return QStringLiteral("Wiersz %1: %2").arg(line).arg(message);
}

namespace Exchange {

bool report(const ExchangeProgress &progress, qsizetype done, qsizetype total)
{
    if (!progress || (done % progressStep != 0 && done != total)) {
        return true;
    }
    return progress(done, total);
}

// Checked byte by byte, without decoding: overlong forms, surrogates and values past U+10FFFF fail.
bool isUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: most of a contacts file is ASCII.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL) {
                break;
            }
            p += 8;
        }
        if (p >= end) {
            break;
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        char32_t code = 0;
        char32_t lowest = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            code = c & 0x1F;
            lowest = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            code = c & 0x0F;
            lowest = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            code = c & 0x07;
            lowest = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more) {
            return false;
        }
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        p += more + 1;
    }
    return true;
}

QString decodeText(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    return isUtf8(bytes) ? QString::fromUtf8(bytes) : Cp1250::decode(bytes);
}

QString withoutControls(const QString &text, bool keepLineBreaks)
{
    const auto excluded = [keepLineBreaks](QChar ch) {
        const char16_t c = ch.unicode();
        if (c == u'\r' || c == u'\n') {
            return !keepLineBreaks;
        }
        return (c < 0x20 && c != u'\t') || c == 0x7F;
    };
    // Most text has none, and is then handed back without a copy.
    if (std::none_of(text.cbegin(), text.cend(), excluded)) {
        return text;
    }
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        if (!excluded(ch)) {
            result.append(ch);
        }
    }
    return result;
}

bool isJpeg(QByteArrayView bytes)
{
    return bytes.size() > 3 && static_cast<unsigned char>(bytes[0]) == 0xFF
           && static_cast<unsigned char>(bytes[1]) == 0xD8 && static_cast<unsigned char>(bytes[2]) == 0xFF;
}

bool collect(QList<ExchangeContact> *contacts, const std::function<bool(const ExchangeSink &sink)> &reader)
{
    contacts->clear();
    const bool done = reader([contacts](ExchangeContact &&item, QString *) {
        contacts->append(std::move(item));
        return true;
    });
    if (!done) {
        contacts->clear();
        contacts->squeeze();
    }
    return done;
}

} // namespace Exchange
