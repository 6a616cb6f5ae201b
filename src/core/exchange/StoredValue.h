#pragma once

#include <QByteArrayView>
#include <QString>

// What the data files can keep of a value as it stands: one line of characters code page 1250
// holds, no blank or control character at either end (as FixedText::trimmed() takes off), at most
// its width of characters. The import, the CSV reader's quick way and the appointments read from
// calendars all ask here, so a value is never stored one way by one and another way by another.
namespace StoredValue {

// A character a stored value cannot hold anywhere: a control character, line breaks included.
constexpr bool isControl(char16_t ch)
{
    return ch < 0x20 || ch == 0x7F;
}
// A character a stored value cannot begin or end with: what trimming takes off.
constexpr bool isEndBlank(char16_t ch)
{
    return ch <= 0x20;
}

// True when the text can be stored as it stands.
bool isStorable(QStringView text, int width);

// The same for a value read as bytes of a file, UTF-8 or code page 1250: when it can be stored as it
// stands, its code page 1250 bytes go to out (room for width bytes) and their number to *length.
// False also when the UTF-8 is not plain two- or three-byte sequences: the caller then decodes it.
bool storableBytes(QByteArrayView raw, bool utf8, int width, char *out, qsizetype *length);

// The text made storable: characters the code page has no place for become their letter without
// the accent, or '?'; control characters become blanks; trimmed and cut to the width. *folded is
// set when a character had to be replaced (and left as it was otherwise).
QString storable(QString text, int width, bool *folded = nullptr);

// Only the characters made storable; true when some character was replaced.
bool foldToCp1250(QString *text);

} // namespace StoredValue
