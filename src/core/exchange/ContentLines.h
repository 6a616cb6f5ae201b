#pragma once

#include <QByteArray>
#include <QList>
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
// The value again: "\n" and "\N" a line break, a backslash before any other character dropped.
QString unescape(QStringView text);
// The same, shared without a copy when nothing is escaped.
QString unescape(const QString &text);

// One property as it stands in a file: its physical lines with their line breaks (CR LF added to
// a last line without one), and the line unfolded.
struct Line
{
    QByteArray raw;
    QByteArray logical;
};
// The properties of a text, in order; raw lines joined give the text back (but a missing last line
// break), so a writer can replace some and keep the others byte for byte.
QList<Line> split(const QByteArray &text);
// The text with CR LF line breaks where it has bare LFs only (as an XML reader gives a card or an
// event back); a text with any CR stays as it is.
QByteArray withCrLf(const QByteArray &text);
// The property's name in upper case, without its group: "item1.TEL;type=CELL:1" -> "TEL".
QByteArray name(QByteArrayView logical);
// The value: what follows the first colon that is not inside a quoted parameter.
QByteArrayView value(QByteArrayView logical);
// The part before that colon: the name with its parameters.
QByteArrayView head(QByteArrayView logical);
} // namespace ContentLines
