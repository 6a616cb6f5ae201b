#pragma once

#include <QByteArray>
#include <QString>

// The "content lines" that vCard and iCalendar files are made of: NAME;PARAM=...:value, UTF-8,
// CR LF, long lines folded by a line break and one blank.
namespace ContentLines {
inline constexpr int foldWidth = 75; // octets per physical line, the line break not counted

// Appends the line and CR LF, folded so that no physical line is longer than 75 octets and no
// UTF-8 sequence is split. Control characters but the tab are left out.
void append(QByteArray &out, const QString &line);
// A text value with backslash, comma, semicolon and line breaks escaped.
QString escape(QStringView text);
} // namespace ContentLines
