#pragma once

#include <QByteArray>
#include <QString>

// Code page 1250 (Windows Central European), both ways, without any system locale.
// The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) decode to the
// C1 control of the same number and encode back to themselves, so every byte round-trips.
namespace Cp1250 {
QString decode(QByteArrayView bytes);
QChar decodeByte(unsigned char byte);
// Characters the code page cannot store become '?'.
QByteArray encode(QStringView text);
// The byte of one character beyond ASCII, or -1 when the code page has none for it.
int encodeBeyondAscii(QChar ch);
// The byte of one character, or -1 when the code page has none for it.
inline int encodeChar(QChar ch)
{
    return ch.unicode() < 0x80 ? ch.unicode() : encodeBeyondAscii(ch);
}
// True when every character of the text can be stored as itself.
bool canEncode(QStringView text);
} // namespace Cp1250
