#include "StoredValue.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// The letter a character is built on, when code page 1250 holds it: "ñ" -> "n", "ø" -> "o".
std::optional<QChar> baseLetter(char32_t ch)
{
    switch (ch) {
    case U'ø':
        return QChar(u'o');
    case U'Ø':
        return QChar(u'O');
    case U'ı':
        return QChar(u'i');
    case U'ħ':
        return QChar(u'h');
    case U'Ħ':
        return QChar(u'H');
    case U'ŧ':
        return QChar(u't');
    case U'Ŧ':
        return QChar(u'T');
    default:
        break;
    }
    const QString decomposed = QChar::decomposition(ch);
    if (decomposed.isEmpty()) {
        return std::nullopt;
    }
    const QChar first = decomposed.at(0);
    if (first.isLetterOrNumber() && Cp1250::encodeChar(first) >= 0) {
        return first;
    }
    return std::nullopt;
}

} // namespace

namespace StoredValue {

bool isStorable(QStringView text, int width)
{
    if (text.isEmpty()) {
        return true;
    }
    if (text.size() > width || isEndBlank(text.front().unicode()) || isEndBlank(text.back().unicode())) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](QChar ch) {
        return !isControl(ch.unicode()) && Cp1250::encodeChar(ch) >= 0;
    });
}

bool storableBytes(QByteArrayView raw, bool utf8, int width, char *out, qsizetype *length)
{
    const auto *p = reinterpret_cast<const unsigned char *>(raw.data());
    const auto *end = p + raw.size();
    if (p == end) {
        *length = 0;
        return true;
    }
    // Bytes below 0x80 are the characters of their number in both encodings; a byte above is no
    // blank in either (a UTF-8 sequence's first or last byte, a letter of the code page).
    if (isEndBlank(*p) || isEndBlank(end[-1])) {
        return false;
    }
    qsizetype n = 0;
    while (p < end) {
        // A run of printable ASCII, most of any field, is copied as it is.
        const unsigned char *const runEnd = p + std::min<qsizetype>(end - p, width - n);
        const unsigned char *q = p;
        while (q < runEnd && *q >= 0x20 && *q < 0x7F) {
            ++q;
        }
        std::memcpy(out + n, p, static_cast<size_t>(q - p));
        n += q - p;
        p = q;
        if (p == end) {
            break;
        }
        if (n == width) {
            return false;
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            if (isControl(c)) {
                return false;
            }
            out[n++] = static_cast<char>(c);
            ++p;
            continue;
        }
        if (!utf8) {
            out[n++] = static_cast<char>(c); // every byte of the code page decodes and encodes back
            ++p;
            continue;
        }
        char16_t code = 0;
        if (c >= 0xC2 && c <= 0xDF && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
            code = static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c == 0xE2 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            code = static_cast<char16_t>(0x2000 | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)); // dashes, quotes, €, ™
            p += 3;
        } else {
            return false;
        }
        const int b = Cp1250::encodeBeyondAscii(QChar(code));
        if (b < 0) {
            return false;
        }
        out[n++] = static_cast<char>(b);
    }
    *length = n;
    return true;
}

QString storable(QString text, int width, bool *folded)
{
    // Most values are empty or stored already: no copy for them.
    if (isStorable(text, width)) {
        return text;
    }
    if (foldToCp1250(&text) && folded) {
        *folded = true;
    }
    const auto control = [](QChar ch) {
        return isControl(ch.unicode());
    };
    if (std::any_of(text.cbegin(), text.cend(), control)) {
        std::replace_if(text.begin(), text.end(), control, QChar(u' '));
    }
    // One byte a character by now.
    text = FixedText::trimmed(text);
    return text.size() > width ? FixedText::trimmed(text.left(width)) : text;
}

bool foldToCp1250(QString *text)
{
    if (Cp1250::canEncode(*text)) {
        return false;
    }
    QString result;
    result.reserve(text->size());
    bool replaced = false;
    for (qsizetype i = 0; i < text->size(); ++i) {
        const QChar ch = text->at(i);
        if (Cp1250::encodeChar(ch) >= 0) {
            result.append(ch);
            continue;
        }
        replaced = true;
        char32_t code = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < text->size() && text->at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(ch, text->at(i + 1));
            ++i;
        }
        const std::optional<QChar> base = baseLetter(code);
        result.append(base ? *base : QChar(u'?'));
    }
    *text = result;
    return replaced;
}

} // namespace StoredValue
