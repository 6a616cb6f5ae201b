#include "VCard.h"

#include "ContentLines.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>
#include <cctype>

namespace {

using namespace Qt::StringLiterals;

// ---- writing ----

// "Kowalski Jan Maria" -> family "Kowalski", given "Jan Maria".
std::pair<QString, QString> splitName(const QString &nazwa)
{
    const QString name = nazwa.trimmed();
    const qsizetype space = name.indexOf(u' ');
    if (space < 0) {
        return {name, {}};
    }
    return {name.left(space), name.mid(space + 1)};
}

// A date field as a vCard date when it holds one, else as text so that nothing is lost; a
// birthday without its year as "--MMDD", as phones write it.
void appendDate(QByteArray &out, const char *property, const QString &text, bool yearless = false)
{
    if (text.isEmpty()) {
        return;
    }
    const QDate date = DateText::parseDate(text);
    if (yearless && DateText::isWithoutYear(text)) {
        const QString dayAndMonth = DateText::withoutYear(text);
        ContentLines::append(out, QLatin1String(property) + u":--"_s + dayAndMonth.mid(3, 2) + dayAndMonth.left(2));
    } else if (date.isValid()) {
        ContentLines::append(out, QLatin1String(property) + u':' + date.toString(u"yyyyMMdd"_s));
    } else {
        ContentLines::append(out, QLatin1String(property) + u";VALUE=text:"_s + ContentLines::escape(text));
    }
}

void appendText(QByteArray &out, const QString &property, const QString &text)
{
    if (!text.isEmpty()) {
        ContentLines::append(out, property + u':' + ContentLines::escape(text));
    }
}

// Characters a tel: URI cannot carry as they are, percent-encoded so the number reads back exactly.
QString telUriPart(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, "+-.()*#"));
}

// An extension written after a number as text: "22 555 66 77 wew. 12", "... x 12", ";ext=12".
const QRegularExpression &extensionSuffix()
{
    static const QRegularExpression suffix(u"\\s*(?:;\\s*ext=|\\s(?:ext\\.?|wew\\.?|x)\\s*)(\\d{1,6})$"_s,
                                           QRegularExpression::CaseInsensitiveOption);
    return suffix;
}

// Whether text may end in such an extension: "ext" and "x" have an x, "wew" a w. Most numbers have
// neither, and are not given to the expression at all.
// With a match, *numberEnd is where the number ends and *extension the extension's digits.
bool hasExtension(const QString &text, qsizetype *numberEnd = nullptr, QString *extension = nullptr)
{
    const bool letter = std::any_of(text.cbegin(), text.cend(), [](QChar ch) {
        const char16_t c = ch.unicode() | 0x20;
        return c == u'x' || c == u'w';
    });
    if (!letter) {
        return false;
    }
    const QRegularExpressionMatch found = extensionSuffix().match(text);
    if (!found.hasMatch()) {
        return false;
    }
    if (numberEnd) {
        *numberEnd = found.capturedStart();
    }
    if (extension) {
        *extension = found.captured(1);
    }
    return true;
}

// A number as text, or as a tel: URI when its text would not read back as it is (a reader takes
// "x 12" at its end for an extension, and "tel:" in front for a URI).
void appendTel(QByteArray &out, const QString &type, const QString &number)
{
    if (number.isEmpty()) {
        return;
    }
    const QString text = number.trimmed();
    if (text.startsWith(u"tel:", Qt::CaseInsensitive) || hasExtension(text)) {
        ContentLines::append(out, u"TEL;VALUE=uri;TYPE="_s + type + u":tel:"_s + telUriPart(number));
    } else {
        appendText(out, u"TEL;TYPE="_s + type, number);
    }
}

// The parts of a card that each hold one field or a group of fields written together.
enum class Unit
{
    Name,
    Nickname,
    HomePhone,
    Mobile,
    WorkPhone,
    Fax,
    Email,
    HomeAddress,
    WorkAddress,
    HomeUrl,
    WorkUrl,
    Organization,
    Title,
    Birthday,
    Wedding,
    NameDay,
    Notes,
    Photo,
    Count
};

// An extension that reads back from text after " wew. " (digits only, after a number as typed).
bool extensionAsText(const QString &number, const QString &extension)
{
    static const QRegularExpression digits(u"^\\d{1,6}$"_s);
    return !number.isEmpty() && number == number.trimmed() && !number.startsWith(u"tel:", Qt::CaseInsensitive)
           && !hasExtension(number) && digits.match(extension).hasMatch();
}

void appendUnit(QByteArray &out, const ExchangeContact &item, Unit unit, int version)
{
    const Contact &c = item.contact;
    using ContentLines::escape;
    switch (unit) {
    case Unit::Name: {
        const auto [family, given] = splitName(c.Nazwa);
        ContentLines::append(out, u"FN:"_s + escape(given.isEmpty() ? family : given + u' ' + family));
        ContentLines::append(out, u"N:"_s + escape(family) + u';' + escape(given) + u";;;"_s);
        break;
    }
    case Unit::Nickname:
        appendText(out, u"NICKNAME"_s, c.Pseudo);
        break;
    case Unit::HomePhone:
        appendTel(out, u"home"_s, c.TelDom);
        break;
    case Unit::Mobile:
        appendTel(out, u"cell"_s, c.TelKom);
        break;
    case Unit::WorkPhone:
        // "58 765 43 21 wew. 12": shown by phones as it is typed, and read back into its two fields.
        if (extensionAsText(c.TelSlu, c.TelWew)) {
            appendText(out, u"TEL;TYPE=work"_s, c.TelSlu + u" wew. "_s + c.TelWew);
        } else if (!c.TelWew.isEmpty()) {
            ContentLines::append(
                out, u"TEL;VALUE=uri;TYPE=work:tel:"_s + telUriPart(c.TelSlu) + u";ext="_s + telUriPart(c.TelWew));
        } else {
            appendTel(out, u"work"_s, c.TelSlu);
        }
        break;
    case Unit::Fax:
        appendTel(out, u"fax"_s, c.Faks);
        break;
    case Unit::Email:
        appendText(out, u"EMAIL"_s, c.Email);
        break;
    case Unit::HomeAddress:
        if (!c.DomUlica.isEmpty() || !c.DomMiasto.isEmpty() || !c.DomKod.isEmpty()) {
            ContentLines::append(out,
                                 u"ADR;TYPE=home:;;"_s + escape(c.DomUlica) + u';' + escape(c.DomMiasto) + u";;"_s
                                     + escape(c.DomKod) + u';');
        }
        break;
    case Unit::WorkAddress:
        if (!c.PracaUlica.isEmpty() || !c.PracaMiasto.isEmpty() || !c.PracaKod.isEmpty()) {
            ContentLines::append(out,
                                 u"ADR;TYPE=work:;;"_s + escape(c.PracaUlica) + u';' + escape(c.PracaMiasto) + u";;"_s
                                     + escape(c.PracaKod) + u';');
        }
        break;
    // Addresses as they are, but for a backslash, which readers take for an escape.
    case Unit::HomeUrl:
        if (!c.DomURL.isEmpty()) {
            ContentLines::append(out, u"URL;TYPE=home:"_s + QString(c.DomURL).replace(u"\\"_s, u"\\\\"_s));
        }
        break;
    case Unit::WorkUrl:
        if (!c.PracaURL.isEmpty()) {
            ContentLines::append(out, u"URL;TYPE=work:"_s + QString(c.PracaURL).replace(u"\\"_s, u"\\\\"_s));
        }
        break;
    case Unit::Organization:
        if (!c.Firma.isEmpty() || !c.Dep.isEmpty()) {
            ContentLines::append(out,
                                 u"ORG:"_s + escape(c.Firma) + (c.Dep.isEmpty() ? QString() : u';' + escape(c.Dep)));
        }
        break;
    case Unit::Title:
        appendText(out, u"TITLE"_s, c.Tytul);
        break;
    case Unit::Birthday:
        appendDate(out, "BDAY", c.Urodziny, true);
        break;
    case Unit::Wedding:
        appendDate(out, version >= 4 ? "ANNIVERSARY" : "X-ANNIVERSARY", c.Slub);
        break;
    case Unit::NameDay:
        appendText(out, u"X-MORWINEK-IMIENINY"_s, c.Imieniny);
        break;
    case Unit::Notes:
        appendText(out, u"NOTE"_s, item.notes);
        break;
    case Unit::Photo:
        // vCard 4.0 carries a photo as a data: URI, 3.0 as base64 with its type.
        if (!item.photo.isEmpty()) {
            ContentLines::append(out,
                                 (version >= 4 ? u"PHOTO:data:image/jpeg;base64,"_s : u"PHOTO;ENCODING=b;TYPE=JPEG:"_s)
                                     + QString::fromLatin1(item.photo.toBase64()));
        }
        break;
    case Unit::Count:
        break;
    }
}

Unit unitOf(const QString &field)
{
    static const QHash<QString, Unit> units = {{u"Nazwa"_s, Unit::Name},
                                               {u"Pseudo"_s, Unit::Nickname},
                                               {u"TelDom"_s, Unit::HomePhone},
                                               {u"TelKom"_s, Unit::Mobile},
                                               {u"TelSlu"_s, Unit::WorkPhone},
                                               {u"TelWew"_s, Unit::WorkPhone},
                                               {u"Faks"_s, Unit::Fax},
                                               {u"Email"_s, Unit::Email},
                                               {u"DomUlica"_s, Unit::HomeAddress},
                                               {u"DomMiasto"_s, Unit::HomeAddress},
                                               {u"DomKod"_s, Unit::HomeAddress},
                                               {u"PracaUlica"_s, Unit::WorkAddress},
                                               {u"PracaMiasto"_s, Unit::WorkAddress},
                                               {u"PracaKod"_s, Unit::WorkAddress},
                                               {u"DomURL"_s, Unit::HomeUrl},
                                               {u"PracaURL"_s, Unit::WorkUrl},
                                               {u"Firma"_s, Unit::Organization},
                                               {u"Dep"_s, Unit::Organization},
                                               {u"Tytul"_s, Unit::Title},
                                               {u"Urodziny"_s, Unit::Birthday},
                                               {u"Slub"_s, Unit::Wedding},
                                               {u"Imieniny"_s, Unit::NameDay},
                                               {u"notes"_s, Unit::Notes},
                                               {u"photo"_s, Unit::Photo}};
    return units.value(field, Unit::Count);
}

void writeCard(QByteArray &out, const ExchangeContact &item, int version = 4)
{
    out.append(version >= 4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n");
    if (!item.uid.isEmpty()) {
        ContentLines::append(out, u"UID:"_s + item.uid);
    }
    for (int unit = 0; unit < int(Unit::Count); ++unit) {
        appendUnit(out, item, Unit(unit), version);
    }
    out.append("END:VCARD\r\n");
}

// ---- reading ----

// One property after unfolding, with the physical line it starts on: a view of the file's bytes,
// or the joined bytes when the property was folded.
struct LogicalLine
{
    QByteArrayView view;
    QByteArray joined;
    int line = 0;
    int lastLine = 0; // the physical line it ends on

    QByteArrayView bytes() const { return joined.isNull() ? view : QByteArrayView(joined); }
    void append(QByteArrayView more)
    {
        if (joined.isNull()) {
            joined = view.toByteArray();
        }
        joined.append(more);
    }
};

// Whether a logical line's head (before its first colon) names quoted-printable, found while the
// line grows: only what was added since the last look is searched, so a value continued over
// many soft breaks costs its length once.
class QuotedPrintableHead
{
public:
    void reset() { *this = {}; }
    // The line lost its last byte (the '=' of a soft break) before more was appended.
    void chopped(qsizetype size) { m_checked = std::min(m_checked, size); }
    bool check(QByteArrayView line)
    {
        if (m_colon) {
            return m_found;
        }
        static constexpr QByteArrayView word = "QUOTED-PRINTABLE";
        const qsizetype colon = line.indexOf(':', m_checked);
        const qsizetype end = colon < 0 ? line.size() : colon;
        // The word may have begun before the bytes not yet looked at.
        qsizetype from = std::max<qsizetype>(0, m_checked - (word.size() - 1));
        for (; !m_found && from + word.size() <= end; ++from) {
            m_found = line.sliced(from, word.size()).compare(word, Qt::CaseInsensitive) == 0;
        }
        m_checked = end;
        m_colon = colon >= 0;
        return m_found;
    }

private:
    qsizetype m_checked = 0;
    bool m_colon = false;
    bool m_found = false;
};

// Physical lines joined, one logical line at a time: a line starting with a blank or tab
// continues the one before; in a quoted-printable value a final '=' joins the next line as it
// stands.
class Unfolder
{
public:
    explicit Unfolder(QByteArrayView bytes)
        : m_bytes(bytes)
    {}

    int physicalLine() const { return m_number; }

    bool next(LogicalLine *logical)
    {
        if (!m_pending && !readPhysical()) {
            return false;
        }
        *logical = {m_line, QByteArray(), m_number};
        m_pending = false;
        m_head.reset();
        bool softBreak = endsSoft(*logical, m_line);
        while (readPhysical()) {
            if (softBreak) {
                if (logical->joined.isNull()) {
                    logical->joined = logical->view.toByteArray();
                }
                logical->joined.chop(1); // the '='
                m_head.chopped(logical->joined.size());
                logical->joined.append(m_line);
            } else if (!m_line.isEmpty() && (m_line[0] == ' ' || m_line[0] == '\t')) {
                logical->append(m_line.sliced(1));
            } else {
                m_pending = true; // starts the next logical line
                logical->lastLine = m_number - 1;
                return true;
            }
            softBreak = endsSoft(*logical, m_line);
        }
        logical->lastLine = m_number;
        return true;
    }

private:
    bool endsSoft(const LogicalLine &logical, QByteArrayView physical)
    {
        return !physical.isEmpty() && physical.endsWith('=') && m_head.check(logical.bytes());
    }

    bool readPhysical()
    {
        const qsizetype size = m_bytes.size();
        if (m_start >= size) {
            return false;
        }
        const char *data = m_bytes.data();
        qsizetype end = m_start;
        while (end < size && data[end] != '\r' && data[end] != '\n') {
            ++end;
        }
        m_line = m_bytes.sliced(m_start, end - m_start);
        ++m_number;
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') {
            ++end;
        }
        m_start = end + 1;
        return true;
    }

    QByteArrayView m_bytes;
    qsizetype m_start = 0;
    int m_number = 0;
    QByteArrayView m_line;  // the physical line last read
    bool m_pending = false; // m_line is read but not yet used
    QuotedPrintableHead m_head;
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '=' && i + 2 < value.size() && hexValue(value[i + 1]) >= 0 && hexValue(value[i + 2]) >= 0) {
            out.append(static_cast<char>(hexValue(value[i + 1]) * 16 + hexValue(value[i + 2])));
            i += 2;
            continue;
        }
        if (c == '=' && i == value.size() - 1) {
            continue; // a soft break left at the very end
        }
        out.append(c);
    }
    return out;
}

// ISO 8859-2 agrees with code page 1250 except between 0x80 and 0xBF.
QString decodeLatin2(QByteArrayView bytes)
{
    static const char16_t upper[32] = {u'\u00A0', u'Ą', u'˘',      u'Ł', u'¤', u'Ľ', u'Ś', u'§', u'¨', u'Š', u'Ş',
                                       u'Ť',      u'Ź', u'\u00AD', u'Ž', u'Ż', u'°', u'ą', u'˛', u'ł', u'´', u'ľ',
                                       u'ś',      u'ˇ', u'¸',      u'š', u'ş', u'ť', u'ź', u'˝', u'ž', u'ż'};
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xA0) {
            text.append(QChar(b));
        } else if (b >= 0xA0 && b < 0xC0) {
            text.append(QChar(upper[b - 0xA0]));
        } else {
            text.append(Cp1250::decodeByte(b));
        }
    }
    return text;
}

QString decodeCharset(QByteArrayView bytes, const QByteArray &charset, bool fileIsUtf8)
{
    const QByteArray name = charset.toLower();
    if (name.isEmpty()) {
        return fileIsUtf8 ? QString::fromUtf8(bytes) : Cp1250::decode(bytes);
    }
    if (name == "utf-8" || name == "utf8") {
        return Exchange::decodeText(bytes);
    }
    if (name == "windows-1250" || name == "cp1250" || name == "x-cp1250") {
        return Cp1250::decode(bytes);
    }
    if (name == "iso-8859-2" || name == "latin2" || name == "iso8859-2") {
        return decodeLatin2(bytes);
    }
    if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii") {
        return QString::fromLatin1(bytes);
    }
    QStringDecoder decoder(name.constData());
    if (decoder.isValid()) {
        return decoder.decode(bytes);
    }
    return fileIsUtf8 ? QString::fromUtf8(bytes) : Cp1250::decode(bytes);
}

// Splits at separators that are neither escaped nor (with quotes) inside double quotes.
using ByteParts = QVarLengthArray<QByteArrayView, 8>;

ByteParts splitUnescaped(QByteArrayView text, char separator, bool quotes)
{
    ByteParts parts;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quotes && c == '"') {
            quoted = !quoted;
        } else if (!quotes && c == '\\') {
            ++i;
        } else if (c == separator && !quoted) {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

// The components of a structured value (N, ADR, ORG), still escaped; never more than a few.
using Components = QVarLengthArray<QStringView, 8>;

Components splitComponents(QStringView text)
{
    Components parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == u';') {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

using ContentLines::unescape;

// The kinds a TYPE parameter tells apart here.
enum TypeFlag : unsigned
{
    HomeType = 1,
    WorkType = 2,
    CellType = 4,
    FaxType = 8
};

// Which field of the record a number or an address is meant for, from its types and its label.
enum class Kind
{
    None, // neither a type nor a label: an old phone's only number
    Home,
    Work,
    Cell,
    Fax,
    Other, // a kind with no field of its own: "other", "main", a label that names no place
};

// ASCII text against a literal, case ignored on both sides, without a library call.
template <size_t N> bool sameName(QByteArrayView text, const char (&literal)[N])
{
    if (text.size() != qsizetype(N - 1)) {
        return false;
    }
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    };
    for (size_t i = 0; i + 1 < N; ++i) {
        if (upper(text[qsizetype(i)]) != upper(literal[i])) {
            return false;
        }
    }
    return true;
}

struct Property
{
    QByteArrayView group; // "item1" of "item1.TEL", or empty; a view of the line
    QByteArrayView name;  // without a group; a view of the line
    unsigned types = 0;   // TypeFlag bits
    QByteArray encoding;  // upper case
    QByteArray charset;
    QByteArray valueType; // lower case
    bool pref = false;
    int omitYear = 0;     // X-APPLE-OMIT-YEAR: the year that stands for none
    QByteArrayView value; // raw, before decoding; a view of the line
    VCard::LineSpan span;

    // Every property of a card is looked at against many names: the length decides most of them.
    template <size_t N> bool is(const char (&property)[N]) const { return sameName(name, property); }
};

bool parseProperty(QByteArrayView line, Property *property)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0) {
        return false;
    }
    const QByteArrayView headText = line.first(colon);
    const ByteParts head = splitUnescaped(headText, ';', true);
    QByteArrayView name = head.first().trimmed();
    if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0) {
        property->group = name.first(dot); // "item1.TEL" as some address books group properties
        name = name.sliced(dot + 1);
    }
    if (name.isEmpty()) {
        return false;
    }
    property->name = name;
    for (qsizetype i = 1; i < head.size(); ++i) {
        // Views of the line, compared without case; only kept values are copied.
        const QByteArrayView param = head[i].trimmed();
        const qsizetype eq = param.indexOf('=');
        QByteArrayView key = eq < 0 ? QByteArrayView("TYPE") : param.first(eq).trimmed();
        QByteArrayView value = (eq < 0 ? param : param.sliced(eq + 1)).trimmed();
        if (value.startsWith('"') && value.endsWith('"') && value.size() >= 2) {
            value = value.sliced(1, value.size() - 2);
        }
        const auto isKey = [&key](const auto &name) {
            return sameName(key, name);
        };
        if (eq < 0 && (sameName(value, "QUOTED-PRINTABLE") || sameName(value, "BASE64") || sameName(value, "B"))) {
            key = "ENCODING";
        }
        if (isKey("ENCODING")) {
            property->encoding = value.toByteArray().toUpper();
        } else if (isKey("CHARSET")) {
            property->charset = value.toByteArray();
        } else if (isKey("VALUE")) {
            property->valueType = value.toByteArray().toLower();
        } else if (isKey("PREF")) {
            property->pref = true;
        } else if (isKey("X-APPLE-OMIT-YEAR")) {
            property->omitYear = value.toByteArray().toInt();
        } else if (isKey("TYPE")) {
            for (const QByteArrayView type : splitUnescaped(value, ',', true)) {
                const auto isType = [type](const auto &name) {
                    return sameName(type.trimmed(), name);
                };
                if (isType("pref")) {
                    property->pref = true;
                } else if (isType("home")) {
                    property->types |= HomeType;
                } else if (isType("work")) {
                    property->types |= WorkType;
                } else if (isType("cell") || isType("mobile") || isType("iphone")) {
                    property->types |= CellType;
                } else if (isType("fax")) {
                    property->types |= FaxType;
                }
            }
        }
    }
    property->value = line.sliced(colon + 1);
    return true;
}

QString textValue(const Property &property, bool fileIsUtf8)
{
    if (property.encoding == "QUOTED-PRINTABLE") {
        return decodeCharset(decodeQuotedPrintable(property.value), property.charset, fileIsUtf8);
    }
    return decodeCharset(property.value, property.charset, fileIsUtf8);
}

// "yyyyMMdd" as QDate::fromString() reads it; eight plain digits, the usual case, without the
// format parser, which costs more than the rest of a card.
QDate compactDate(const QString &digits)
{
    if (digits.size() == 8) {
        int value[3] = {0, 0, 0};
        bool plain = true;
        for (qsizetype i = 0; i < 8 && plain; ++i) {
            const char16_t ch = digits[i].unicode();
            plain = ch >= u'0' && ch <= u'9';
            value[i < 4 ? 0 : (i < 6 ? 1 : 2)] = value[i < 4 ? 0 : (i < 6 ? 1 : 2)] * 10 + (ch - u'0');
        }
        if (plain && value[0] > 0) {
            return QDate(value[0], value[1], value[2]);
        }
    }
    return QDate::fromString(digits, u"yyyyMMdd"_s);
}

// "19800308", "1980-03-08", "1980-03-08T00:00:00Z" -> "08.03.1980". A date without a year
// ("--0308", "--03-08", or the year an iPhone names in X-APPLE-OMIT-YEAR) gives "08.03" where
// yearless allows, else an empty text, as does a day without its month ("---08").
QString dateValue(const Property &property, const QString &text, bool yearless = false)
{
    if (property.valueType == "text") {
        return unescape(text);
    }
    QString digits = text.trimmed();
    if (const qsizetype t = digits.indexOf(u'T'); t >= 0) {
        digits.truncate(t);
    }
    if (digits.startsWith(u"--")) {
        digits = digits.mid(2).remove(u'-');
        const QDate date = compactDate(QString::number(DateText::noYear) + digits);
        return yearless && digits.size() == 4 && date.isValid() ? DateText::toText(date).left(5) : QString();
    }
    digits.remove(u'-');
    const QDate date = compactDate(digits);
    if (date.isValid() && property.omitYear != 0 && date.year() == property.omitYear) {
        if (!yearless) {
            return {};
        }
        return DateText::toText(date).left(5);
    }
    return date.isValid() ? DateText::toText(date) : unescape(text);
}

// A telephone value: "tel:" URIs with an ";ext=" part, or text with an extension after the number.
std::pair<QString, QString> telValue(const Property &property, const QString &text)
{
    QString number = text.trimmed();
    QString extension;
    if (property.valueType == "uri" || number.startsWith(u"tel:", Qt::CaseInsensitive)) {
        if (number.startsWith(u"tel:", Qt::CaseInsensitive)) {
            number = number.mid(4);
        }
        const QStringList parts = number.split(u';');
        number = QUrl::fromPercentEncoding(parts.first().toUtf8());
        for (qsizetype i = 1; i < parts.size(); ++i) {
            if (parts[i].startsWith(u"ext=", Qt::CaseInsensitive)) {
                extension = QUrl::fromPercentEncoding(parts[i].mid(4).toUtf8());
            }
        }
        return {number, extension};
    }
    number = unescape(number);
    qsizetype numberEnd = 0;
    if (hasExtension(number, &numberEnd, &extension)) {
        number.truncate(numberEnd);
    }
    return {number, extension};
}

bool hasType(const Property &property, unsigned type)
{
    return (property.types & type) != 0;
}

// Whether a label the user typed names a place of work: "biuro Łódź", "Praca", "firmowy".
bool saysWork(const QString &label)
{
    static const QRegularExpression work(u"\\b(prac|biur|służb|sluzb|firm|work|office|job)"_s,
                                         QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::UseUnicodePropertiesOption);
    return work.match(label).hasMatch();
}

// The kind of a number or an address. A fax type makes a fax; else a phone's own label
// ("_$!<Mobile>!$_") decides, then a label the user typed that names work, then the types (cell
// before work and home: a work mobile is a mobile); any other label makes it a kind without a field.
Kind kindOf(unsigned types, const QString &label)
{
    if (types & FaxType) {
        return Kind::Fax;
    }
    if (label.startsWith(u"_$!<") && label.endsWith(u">!$_")) {
        const QString name = label.mid(4, label.size() - 8);
        if (name.contains(u"fax", Qt::CaseInsensitive)) {
            return Kind::Fax;
        }
        if (name.compare(u"mobile", Qt::CaseInsensitive) == 0 || name.compare(u"iphone", Qt::CaseInsensitive) == 0) {
            return Kind::Cell;
        }
        if (name.compare(u"home", Qt::CaseInsensitive) == 0) {
            return Kind::Home;
        }
        if (name.compare(u"work", Qt::CaseInsensitive) == 0) {
            return Kind::Work;
        }
        return Kind::Other;
    }
    if (!label.isEmpty() && saysWork(label)) {
        return Kind::Work;
    }
    if (types & CellType) {
        return Kind::Cell;
    }
    if (types & WorkType) {
        return Kind::Work;
    }
    if (types & HomeType) {
        return Kind::Home;
    }
    return label.isEmpty() ? Kind::None : Kind::Other;
}

// A number or an address met on a card, placed once the card's labels are all known.
struct Placed
{
    bool address = false;
    QByteArray group; // upper case
    unsigned types = 0;
    bool pref = false;
    Kind kind = Kind::None;
    QString first;  // the number, or the street
    QString second; // the extension, or the city
    QString third;  // the postal code
    VCard::LineSpan span;
};

// What one card has gathered so far.
struct CardBuilder
{
    ExchangeContact item;
    QString formattedName;
    QString family;
    QString given;
    QString extraNames;
    bool hasN = false;
    bool showAsCompany = false;
    bool emailPref = false;
    QVarLengthArray<Placed, 6> placed;
    QVarLengthArray<std::pair<QByteArray, QString>, 4> labels; // group (upper case), label
    VCard::FieldSources *sources = nullptr;                    // where each field came from, when asked
    QList<VCard::LineSpan> nameSpans;                          // N, then FN
    VCard::LineSpan formattedSpan;
    VCard::LineSpan organizationSpan;

    void fed(const QString &field, const VCard::LineSpan &span, bool more = false)
    {
        if (sources) {
            QList<VCard::LineSpan> &spans = (*sources)[field];
            if (!more) {
                spans.clear();
            }
            spans.append(span);
        }
    }
    void fed(std::initializer_list<QString> fields, const VCard::LineSpan &span)
    {
        for (const QString &field : fields) {
            fed(field, span);
        }
    }

    QString *firstFree(std::initializer_list<QString Contact::*> fields)
    {
        for (QString Contact::*field : fields) {
            if ((item.contact.*field).isEmpty()) {
                return &(item.contact.*field);
            }
        }
        return nullptr;
    }

    void add(const Property &p, bool fileIsUtf8)
    {
        Contact &c = item.contact;
        if (p.is("PHOTO")) {
            addPhoto(p);
            return;
        }
        const QString text = textValue(p, fileIsUtf8);
        if (p.is("FN")) {
            formattedName = unescape(text).trimmed();
            formattedSpan = p.span;
        } else if (p.is("N")) {
            hasN = true;
            nameSpans = {p.span};
            const Components parts = splitComponents(text);
            family = unescape(parts.value(0));
            given = unescape(parts.value(1));
            extraNames = unescape(parts.value(2));
        } else if (p.is("NICKNAME")) {
            c.Pseudo = unescape(text);
            fed(u"Pseudo"_s, p.span);
        } else if (p.is("TEL")) {
            addTelephone(p, text);
        } else if (p.is("EMAIL")) {
            if (c.Email.isEmpty() || (p.pref && !emailPref)) {
                c.Email = unescape(text).trimmed();
                emailPref = p.pref;
                fed(u"Email"_s, p.span);
            }
        } else if (p.is("ADR")) {
            addAddress(p, text);
        } else if (p.is("URL")) {
            const bool work = hasType(p, WorkType);
            QString *slot = work ? (c.PracaURL.isEmpty() ? &c.PracaURL : nullptr)
                                 : firstFree({&Contact::DomURL, &Contact::PracaURL});
            if (slot) {
                *slot = unescape(text).trimmed();
                fed(slot == &c.PracaURL ? u"PracaURL"_s : u"DomURL"_s, p.span);
            }
        } else if (p.is("ORG")) {
            const Components parts = splitComponents(text);
            c.Firma = unescape(parts.value(0));
            QStringList units;
            for (qsizetype i = 1; i < parts.size(); ++i) {
                if (!parts[i].trimmed().isEmpty()) {
                    units.append(unescape(parts[i]));
                }
            }
            c.Dep = units.join(u", ");
            organizationSpan = p.span;
            fed({u"Firma"_s, u"Dep"_s}, p.span);
        } else if (p.is("TITLE")) {
            c.Tytul = unescape(text);
            fed(u"Tytul"_s, p.span);
        } else if (p.is("BDAY")) {
            c.Urodziny = dateValue(p, text, true);
            fed(u"Urodziny"_s, p.span);
        } else if (p.is("ANNIVERSARY") || p.is("X-ANNIVERSARY") || p.is("X-MS-ANNIVERSARY")) {
            c.Slub = dateValue(p, text);
            fed(u"Slub"_s, p.span);
        } else if (p.is("X-MORWINEK-IMIENINY")) {
            c.Imieniny = unescape(text);
            fed(u"Imieniny"_s, p.span);
        } else if (p.is("UID")) {
            // As written back: a line carries no control character.
            item.uid = Exchange::withoutControls(text, false).trimmed();
        } else if (p.is("X-ABLABEL")) {
            if (!p.group.isEmpty()) {
                labels.append({p.group.toByteArray().toUpper(), unescape(text).trimmed()});
            }
        } else if (p.is("X-ABSHOWAS")) {
            showAsCompany = sameName(text.trimmed().toLatin1(), "COMPANY");
        } else if (p.is("KIND") || p.is("X-ADDRESSBOOKSERVER-KIND")) {
            item.group = sameName(text.trimmed().toLatin1(), "group");
        } else if (p.is("NOTE")) {
            // Appended in place: a card may hold very many notes.
            if (!item.notes.isEmpty()) {
                item.notes.append(u'\n');
            }
            item.notes.append(unescape(text));
            fed(u"notes"_s, p.span, true);
        }
    }

    void addTelephone(const Property &p, const QString &text)
    {
        auto [number, extension] = telValue(p, text);
        if (number.isEmpty() && extension.isEmpty()) {
            return;
        }
        placed.append({false,
                       p.group.toByteArray().toUpper(),
                       p.types,
                       p.pref,
                       Kind::None,
                       number.trimmed(),
                       extension,
                       {},
                       p.span});
    }

    void addAddress(const Property &p, const QString &text)
    {
        const Components parts = splitComponents(text);
        QString street = unescape(parts.value(2)).trimmed();
        const QString extended = unescape(parts.value(1)).trimmed();
        if (!extended.isEmpty()) {
            street = street.isEmpty() ? extended : street + u", "_s + extended;
        }
        const QString city = unescape(parts.value(3)).trimmed();
        const QString code = unescape(parts.value(5)).trimmed();
        placed.append({true, p.group.toByteArray().toUpper(), p.types, p.pref, Kind::None, street, city, code, p.span});
    }

    QString labelOf(const QByteArray &group) const
    {
        if (!group.isEmpty()) {
            for (const auto &[labelled, label] : labels) {
                if (labelled == group) {
                    return label;
                }
            }
        }
        return {};
    }

    // Numbers and addresses go to the fields in three rounds, in the card's order within each:
    // first each one whose kind has a field takes that field, those marked PREF before the rest;
    // then those with neither a type nor a label take the first free field, home first; last the
    // rest (a second number of a kind already placed, or one of a kind without a field) take a
    // free field but home, which is only ever given to what says home or says nothing. What finds
    // no free field is left out.
    void placeAll()
    {
        Contact &c = item.contact;
        for (Placed &one : placed) {
            one.kind = kindOf(one.types, labelOf(one.group));
        }
        const auto homeFree = [&c] {
            return c.DomUlica.isEmpty() && c.DomMiasto.isEmpty() && c.DomKod.isEmpty();
        };
        const auto workFree = [&c] {
            return c.PracaUlica.isEmpty() && c.PracaMiasto.isEmpty() && c.PracaKod.isEmpty();
        };
        const auto putAddress = [this, &c](const Placed &one, bool work) {
            (work ? c.PracaUlica : c.DomUlica) = one.first;
            (work ? c.PracaMiasto : c.DomMiasto) = one.second;
            (work ? c.PracaKod : c.DomKod) = one.third;
            if (work) {
                fed({u"PracaUlica"_s, u"PracaMiasto"_s, u"PracaKod"_s}, one.span);
            } else {
                fed({u"DomUlica"_s, u"DomMiasto"_s, u"DomKod"_s}, one.span);
            }
        };
        const auto putNumber = [this, &c](const Placed &one, QString *slot) {
            *slot = one.first;
            if (slot == &c.TelSlu && !one.second.isEmpty()) {
                c.TelWew = one.second;
            }
            if (sources) {
                const QString field = slot == &c.TelDom   ? u"TelDom"_s
                                      : slot == &c.TelKom ? u"TelKom"_s
                                      : slot == &c.TelSlu ? u"TelSlu"_s
                                                          : u"Faks"_s;
                fed(field, one.span);
                if (slot == &c.TelSlu) {
                    fed(u"TelWew"_s, one.span);
                }
            }
        };
        // Round one: the field of the kind.
        QVarLengthArray<bool, 6> done(placed.size(), false);
        for (const bool preferred : {true, false}) {
            for (qsizetype i = 0; i < placed.size(); ++i) {
                const Placed &one = placed[i];
                if (done[i] || one.pref != preferred) {
                    continue;
                }
                if (one.address) {
                    if (one.kind == Kind::Home && homeFree()) {
                        putAddress(one, false);
                        done[i] = true;
                    } else if (one.kind == Kind::Work && workFree()) {
                        putAddress(one, true);
                        done[i] = true;
                    }
                    continue;
                }
                QString *slot = nullptr;
                switch (one.kind) {
                case Kind::Fax:
                    slot = &c.Faks;
                    break;
                case Kind::Cell:
                    slot = &c.TelKom;
                    break;
                case Kind::Work:
                    slot = &c.TelSlu;
                    break;
                case Kind::Home:
                    slot = &c.TelDom;
                    break;
                default:
                    break;
                }
                if (slot && slot->isEmpty()) {
                    putNumber(one, slot);
                    done[i] = true;
                }
            }
        }
        // Rounds two and three: what says nothing, then the rest.
        for (const bool untyped : {true, false}) {
            for (qsizetype i = 0; i < placed.size(); ++i) {
                const Placed &one = placed[i];
                if (done[i] || (one.kind == Kind::None) != untyped || one.kind == Kind::Fax) {
                    continue;
                }
                done[i] = true;
                if (one.address) {
                    if (untyped && homeFree()) {
                        putAddress(one, false);
                    } else if (workFree() && one.kind != Kind::Work) {
                        putAddress(one, true);
                    }
                } else if (QString *slot = untyped ? firstFree({&Contact::TelDom, &Contact::TelKom, &Contact::TelSlu})
                                                   : firstFree({&Contact::TelKom, &Contact::TelSlu})) {
                    putNumber(one, slot);
                }
            }
        }
    }

    void addPhoto(const Property &p)
    {
        QByteArray data;
        const QByteArrayView value = p.value.trimmed();
        if (value.startsWith("data:")) {
            const qsizetype comma = value.indexOf(',');
            if (comma < 0 || value.first(comma).toByteArray().toLower().indexOf(";base64") < 0) {
                return;
            }
            data = QByteArray::fromBase64(value.sliced(comma + 1).toByteArray());
        } else if (p.encoding == "B" || p.encoding == "BASE64") {
            data = QByteArray::fromBase64(value.toByteArray());
        }
        // Judged by the import, which counts what it leaves out; of several, the first JPEG is kept.
        if (!data.isEmpty() && !Exchange::isJpeg(item.photo)) {
            item.photo = data;
            fed(u"photo"_s, p.span);
        }
    }

    ExchangeContact finish()
    {
        placeAll();
        QString name;
        if (showAsCompany && !item.contact.Firma.trimmed().isEmpty()) {
            name = item.contact.Firma; // a company's card, named by its company
        } else if (!family.trimmed().isEmpty() || !given.trimmed().isEmpty()) {
            for (const QString &part : {family, given, extraNames}) {
                if (!part.trimmed().isEmpty()) {
                    name = name.isEmpty() ? part : name + u' ' + part;
                }
            }
            name = name.trimmed();
        } else if (!formattedName.isEmpty() && !hasN) {
            name = formattedName; // a card without N is named as written: "Piekarnia Złoty Kłos"
        } else if (!formattedName.isEmpty()) {
            // "Jan Maria Kowalski" with an empty N is kept surname first.
            const qsizetype space = formattedName.lastIndexOf(u' ');
            name = space < 0 ? formattedName : formattedName.mid(space + 1) + u' ' + formattedName.left(space);
        } else {
            name = item.contact.Firma;
        }
        item.contact.Nazwa = name;
        if (sources) {
            // The lines that name the card: the company's card by its FN, else N and FN as read.
            QList<VCard::LineSpan> spans;
            if (name.isEmpty() || name == item.contact.Firma) {
                if (formattedSpan.first > 0 && formattedName == name) {
                    spans.append(formattedSpan);
                }
            } else {
                if (hasN) {
                    spans = nameSpans;
                }
                if (formattedSpan.first > 0) {
                    spans.append(formattedSpan);
                }
            }
            if (!spans.isEmpty()) {
                sources->insert(u"Nazwa"_s, spans);
            }
        }
        return std::move(item);
    }
};

} // namespace

namespace VCard {

bool write(const QList<ExchangeContact> &contacts, QByteArray *out, const ExchangeProgress &progress)
{
    out->clear();
    out->reserve(contacts.size() * 400);
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        writeCard(*out, contacts[i]);
        if (!Exchange::report(progress, i + 1, contacts.size())) {
            out->clear();
            return false;
        }
    }
    return true;
}

void appendCard(QByteArray &out, const ExchangeContact &item, int version)
{
    writeCard(out, item, version);
}

bool looksLikeVCard(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    const QByteArrayView start = bytes.trimmed();
    return start.size() >= 11 && start.first(11).toByteArray().toUpper() == "BEGIN:VCARD";
}

bool read(QByteArrayView bytes,
          QList<ExchangeContact> *contacts,
          ExchangeError *error,
          const ExchangeProgress &progress)
{
    return Exchange::collect(contacts, [&](const ExchangeSink &sink) {
        return read(bytes, sink, error, progress);
    });
}

namespace {

bool readCards(QByteArrayView bytes,
               const ExchangeSink &sink,
               ExchangeError *error,
               const ExchangeProgress &progress,
               FieldSources *sources)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    const bool fileIsUtf8 = Exchange::isUtf8(bytes);
    // Progress goes by physical lines, as the logical ones are only known once read.
    const qsizetype physicalLines = progress ? bytes.count('\n') + 1 : 0;

    const auto fail = [&](int line, const QString &message) {
        if (error) {
            *error = {line, message};
        }
        return false;
    };
    Unfolder unfolder(bytes);
    LogicalLine line;
    std::optional<CardBuilder> card;
    int cardLine = 0;
    for (qsizetype i = 1; unfolder.next(&line); ++i) {
        if (progress && i % Exchange::progressStep == 0
            && !progress(std::min<qsizetype>(line.line, physicalLines), physicalLines)) {
            return fail(0, u"Przerwano."_s);
        }
        if (line.bytes().trimmed().isEmpty()) {
            continue;
        }
        Property property;
        if (!parseProperty(line.bytes(), &property)) {
            return fail(line.line, u"wiersz bez nazwy właściwości i dwukropka."_s);
        }
        property.span = {line.line, line.lastLine};
        const bool isCard = sameName(property.value.trimmed(), "VCARD");
        if (property.is("BEGIN") && isCard) {
            if (card) {
                return fail(line.line, u"nowa wizytówka przed końcem poprzedniej (brak END:VCARD)."_s);
            }
            card.emplace();
            card->sources = sources;
            cardLine = line.line;
        } else if (property.is("END") && isCard) {
            if (!card) {
                return fail(line.line, u"END:VCARD bez BEGIN:VCARD."_s);
            }
            QString reason;
            if (!sink(card->finish(), &reason)) {
                return fail(0, reason);
            }
            card.reset();
            sources = nullptr; // the first card's only
        } else if (!card) {
            return fail(line.line, u"oczekiwano BEGIN:VCARD."_s);
        } else {
            card->add(property, fileIsUtf8);
        }
    }
    if (card) {
        return fail(cardLine, u"wizytówka nie jest zamknięta (brak END:VCARD)."_s);
    }
    if (progress && !progress(physicalLines, physicalLines)) {
        return fail(0, u"Przerwano."_s);
    }
    return true;
}

} // namespace

bool read(QByteArrayView bytes, const ExchangeSink &sink, ExchangeError *error, const ExchangeProgress &progress)
{
    return readCards(bytes, sink, error, progress, nullptr);
}

bool readFirst(QByteArrayView bytes, ExchangeContact *contact, FieldSources *sources)
{
    sources->clear();
    bool found = false;
    const bool read = readCards(
        bytes,
        [&](ExchangeContact &&item, QString *reason) {
            if (!found) {
                *contact = std::move(item);
                found = true;
            }
            *reason = QString();
            return true;
        },
        nullptr,
        {},
        sources);
    return read && found;
}

QByteArray fieldLines(const ExchangeContact &item, const QString &field, int version)
{
    QByteArray out;
    appendUnit(out, item, unitOf(field), version);
    return out;
}

} // namespace VCard
