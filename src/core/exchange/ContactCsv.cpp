#include "ContactCsv.h"

#include "StoredValue.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <QDate>
#include <QHash>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

constexpr QChar formulaMark = u'\'';

// A cell a spreadsheet would take for a formula: one starting with '=', '@', a tab or CR, or with
// '+' or '-' before anything but a number or a telephone number. A cell that is such a cell behind
// marks of its own is marked too, so that reading takes off exactly the mark the export added.
bool needsFormulaMark(QStringView value)
{
    qsizetype i = 0;
    while (i < value.size() && value[i] == formulaMark) {
        ++i;
    }
    if (i == value.size()) {
        return false;
    }
    const QChar first = value[i];
    if (first == u'=' || first == u'@' || first == u'\t' || first == u'\r') {
        return true;
    }
    if (first != u'+' && first != u'-') {
        return false;
    }
    const auto numberLike = [](QChar ch) {
        return (ch >= u'0' && ch <= u'9') || QStringView(u" -()./,").contains(ch);
    };
    return !std::all_of(value.begin() + i + 1, value.end(), numberLike);
}

void appendField(QString &out, const QString &value)
{
    const QString cell = needsFormulaMark(value) ? formulaMark + value : value;
    bool quote = false;
    for (const QChar ch : cell) {
        if (ch == u',' || ch == u'"' || ch == u'\r' || ch == u'\n' || ch == u';') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out.append(cell);
        return;
    }
    out.append(u'"');
    for (const QChar ch : cell) {
        if (ch == u'"') {
            out.append(u'"');
        }
        out.append(ch);
    }
    out.append(u'"');
}

// One field of a row as it stands in the file: a view of its bytes, or its bytes with doubled
// quotes made single.
struct RawField
{
    QByteArrayView view;
    QByteArray unquoted;
    bool copied = false;

    QByteArrayView bytes() const { return copied ? QByteArrayView(unquoted) : view; }
};

// Reads rows of RFC 4180 fields from the file's bytes, counting physical lines for messages.
// Separators, quotes and line breaks are ASCII in both encodings read here, so fields are split
// before they are decoded and the file is never held as text.
class Reader
{
public:
    Reader(QByteArrayView bytes, char separator)
        : m_bytes(bytes)
        , m_separator(separator)
    {
        m_stop.fill(false);
        m_stop[static_cast<unsigned char>(separator)] = true;
        m_stop['\r'] = true;
        m_stop['\n'] = true;
    }

    bool atEnd() const { return m_pos >= m_bytes.size(); }
    int line() const { return m_line; }

    // The next row; false with the reason when a quote is not closed or is followed by text.
    // Its fields stay valid until the next call.
    bool next(int *rowLine, QString *problem)
    {
        m_used = 0;
        *rowLine = m_line;
        const char *const data = m_bytes.data();
        const char *const end = data + m_bytes.size();
        const char *p = data + m_pos;
        while (true) {
            RawField &field = nextField();
            if (p < end && *p == '"') {
                const int openedOn = m_line;
                const char *const start = ++p;
                while (true) {
                    if (p >= end) {
                        *rowLine = openedOn;
                        *problem = u"cudzysłów otwarty w tym wierszu nie jest zamknięty."_s;
                        return false;
                    }
                    const char ch = *p++;
                    if (ch == '"') {
                        if (p < end && *p == '"') {
                            if (!field.copied) {
                                field.copied = true;
                                field.unquoted.clear();
                                field.unquoted.append(start, p - start); // one quote of the pair
                            } else {
                                field.unquoted.append('"');
                            }
                            ++p;
                            continue;
                        }
                        if (!field.copied) {
                            field.view = QByteArrayView(start, p - 1 - start);
                        }
                        break;
                    }
                    if (ch == '\n' || (ch == '\r' && (p >= end || *p != '\n'))) {
                        ++m_line;
                    }
                    if (field.copied) {
                        field.unquoted.append(ch);
                    }
                }
                if (p < end && *p != m_separator && *p != '\r' && *p != '\n') {
                    m_pos = p - data;
                    *rowLine = m_line;
                    *problem = u"po zamykającym cudzysłowie jest tekst zamiast separatora."_s;
                    return false;
                }
            } else {
                const char *const start = p;
                while (p < end && !m_stop[static_cast<unsigned char>(*p)]) {
                    ++p;
                }
                field.view = QByteArrayView(start, p - start);
            }
            if (p >= end) {
                break;
            }
            const char ch = *p++;
            if (ch == m_separator) {
                continue;
            }
            if (ch == '\r' && p < end && *p == '\n') {
                ++p;
            }
            ++m_line;
            break;
        }
        m_pos = p - data;
        return true;
    }

    qsizetype fieldCount() const { return m_used; }
    const RawField &field(qsizetype i) const { return m_fields[static_cast<size_t>(i)]; }

private:
    // A cleared field at the end of the row, reusing the buffer of an earlier row's.
    RawField &nextField()
    {
        if (m_used == static_cast<qsizetype>(m_fields.size())) {
            m_fields.emplace_back();
        }
        RawField &field = m_fields[static_cast<size_t>(m_used++)];
        field.view = {};
        field.copied = false;
        return field;
    }

    QByteArrayView m_bytes;
    char m_separator;
    std::array<bool, 256> m_stop; // the bytes that end a field outside quotes
    qsizetype m_pos = 0;
    int m_line = 1;
    std::vector<RawField> m_fields; // the fields of the row read last are the first m_used
    qsizetype m_used = 0;
};

// Columns of the tables that mail programs and phones export, by their usual names.
enum class NamePart
{
    None,
    First,
    Middle,
    Last,
    Notes,
    Display // the whole name as shown, used when the file has no parts of it
};

// Columns whose value goes somewhere only together with others of the same row.
enum class Joined
{
    None,
    Append, // after what an earlier column put into the same field: a second line of a street
    BirthYear,
    BirthMonth,
    BirthDay,
    Label, // the kind of the values of a numbered group: "Phone 1 - Label" = "Mobile"
    Phone,
    Email,
    Street,
    City,
    PostalCode,
    Website,
    Used // read through others: an address written whole beside its parts
};

struct Alias
{
    const char16_t *header; // lower case
    QString Contact::*field;
    NamePart part;
    Joined joined = Joined::None;
};

// Our own names first (Contact::columns()), then these: the exports of the usual mail programs in
// English and of Thunderbird in Polish, and the names people give such columns.
const Alias aliases[] = {
    {u"first name", nullptr, NamePart::First},
    {u"given name", nullptr, NamePart::First},
    {u"imię", nullptr, NamePart::First},
    {u"middle name", nullptr, NamePart::Middle},
    {u"additional name", nullptr, NamePart::Middle},
    {u"drugie imię", nullptr, NamePart::Middle},
    {u"last name", nullptr, NamePart::Last},
    {u"family name", nullptr, NamePart::Last},
    {u"nazwisko", nullptr, NamePart::Last},
    {u"display name", nullptr, NamePart::Display},
    {u"wyświetlana nazwa", nullptr, NamePart::Display},
    {u"notes", nullptr, NamePart::Notes},
    {u"notatka", nullptr, NamePart::Notes},
    {u"notatki", nullptr, NamePart::Notes},
    {u"name", &Contact::Nazwa, NamePart::None},
    {u"nickname", &Contact::Pseudo, NamePart::None},
    {u"pseudonim", &Contact::Pseudo, NamePart::None},
    {u"e-mail address", &Contact::Email, NamePart::None},
    {u"e-mail", &Contact::Email, NamePart::None},
    {u"adres e-mail", &Contact::Email, NamePart::None},
    {u"primary email", &Contact::Email, NamePart::None},
    {u"podstawowy e-mail", &Contact::Email, NamePart::None},
    {u"home phone", &Contact::TelDom, NamePart::None},
    {u"telefon domowy", &Contact::TelDom, NamePart::None},
    {u"mobile phone", &Contact::TelKom, NamePart::None},
    {u"mobile number", &Contact::TelKom, NamePart::None},
    {u"telefon komórkowy", &Contact::TelKom, NamePart::None},
    {u"numer telefonu komórkowego", &Contact::TelKom, NamePart::None},
    {u"business phone", &Contact::TelSlu, NamePart::None},
    {u"work phone", &Contact::TelSlu, NamePart::None},
    {u"telefon służbowy", &Contact::TelSlu, NamePart::None},
    {u"telefonu służbowy", &Contact::TelSlu, NamePart::None}, // Thunderbird's Polish header as it is
    {u"business fax", &Contact::Faks, NamePart::None},
    {u"fax number", &Contact::Faks, NamePart::None},
    {u"faks", &Contact::Faks, NamePart::None},
    {u"numer faksu", &Contact::Faks, NamePart::None},
    {u"home street", &Contact::DomUlica, NamePart::None},
    {u"home address", &Contact::DomUlica, NamePart::None},
    {u"adres domowy", &Contact::DomUlica, NamePart::None},
    {u"home street 2", &Contact::DomUlica, NamePart::None, Joined::Append},
    {u"home street 3", &Contact::DomUlica, NamePart::None, Joined::Append},
    {u"home address 2", &Contact::DomUlica, NamePart::None, Joined::Append},
    {u"adres domowy 2", &Contact::DomUlica, NamePart::None, Joined::Append},
    {u"home city", &Contact::DomMiasto, NamePart::None},
    {u"miasto (dom)", &Contact::DomMiasto, NamePart::None},
    {u"home postal code", &Contact::DomKod, NamePart::None},
    {u"home zipcode", &Contact::DomKod, NamePart::None},
    {u"kod pocztowy (dom)", &Contact::DomKod, NamePart::None},
    {u"business street", &Contact::PracaUlica, NamePart::None},
    {u"work address", &Contact::PracaUlica, NamePart::None},
    {u"adres służbowy", &Contact::PracaUlica, NamePart::None},
    {u"business street 2", &Contact::PracaUlica, NamePart::None, Joined::Append},
    {u"business street 3", &Contact::PracaUlica, NamePart::None, Joined::Append},
    {u"work address 2", &Contact::PracaUlica, NamePart::None, Joined::Append},
    {u"adres służbowy 2", &Contact::PracaUlica, NamePart::None, Joined::Append},
    {u"business city", &Contact::PracaMiasto, NamePart::None},
    {u"work city", &Contact::PracaMiasto, NamePart::None},
    {u"miasto (praca)", &Contact::PracaMiasto, NamePart::None},
    {u"business postal code", &Contact::PracaKod, NamePart::None},
    {u"work zipcode", &Contact::PracaKod, NamePart::None},
    {u"kod pocztowy (praca)", &Contact::PracaKod, NamePart::None},
    {u"company", &Contact::Firma, NamePart::None},
    {u"organization", &Contact::Firma, NamePart::None},
    {u"organization name", &Contact::Firma, NamePart::None},
    {u"firma/organizacja", &Contact::Firma, NamePart::None},
    {u"department", &Contact::Dep, NamePart::None},
    {u"organization department", &Contact::Dep, NamePart::None},
    {u"dział", &Contact::Dep, NamePart::None},
    {u"departament", &Contact::Dep, NamePart::None},
    {u"job title", &Contact::Tytul, NamePart::None},
    {u"organization title", &Contact::Tytul, NamePart::None},
    {u"stanowisko", &Contact::Tytul, NamePart::None},
    {u"birthday", &Contact::Urodziny, NamePart::None},
    {u"birth year", nullptr, NamePart::None, Joined::BirthYear},
    {u"birth month", nullptr, NamePart::None, Joined::BirthMonth},
    {u"birth day", nullptr, NamePart::None, Joined::BirthDay},
    {u"urodziny - rok", nullptr, NamePart::None, Joined::BirthYear},
    {u"urodziny - miesiąc", nullptr, NamePart::None, Joined::BirthMonth},
    {u"urodziny - dzień", nullptr, NamePart::None, Joined::BirthDay},
    {u"anniversary", &Contact::Slub, NamePart::None},
    {u"personal web page", &Contact::DomURL, NamePart::None},
    {u"web page", &Contact::PracaURL, NamePart::None},
    {u"web page 1", &Contact::PracaURL, NamePart::None}, // Thunderbird: the work page first
    {u"strona www 1", &Contact::PracaURL, NamePart::None},
    {u"web page 2", &Contact::DomURL, NamePart::None},
    {u"strona www 2", &Contact::DomURL, NamePart::None},
};

// What a column of a file fills.
struct ColumnRole
{
    QString Contact::*field = nullptr;
    NamePart part = NamePart::None;
    Joined joined = Joined::None;
    qsizetype label = -1; // the column naming the kind of this one's group, where there is one

    bool known() const { return field || part != NamePart::None || joined != Joined::None; }
    bool nameOnly() const
    {
        return field == &Contact::Nazwa
               || (part != NamePart::None && part != NamePart::Notes && joined == Joined::None && !field);
    }
};

// A numbered group's column as Google Contacts names them: "Phone 2 - Value", "Address 1 - City",
// with the group's kind in "... - Label" (or "... - Type" in older files).
bool groupColumn(const QString &header, QString *group, QString *part)
{
    const qsizetype dash = header.indexOf(u" - ");
    if (dash < 0) {
        return false;
    }
    const QString head = header.left(dash);
    const qsizetype blank = head.lastIndexOf(u' ');
    bool numbered = false;
    head.sliced(blank + 1).toInt(&numbered);
    if (blank <= 0 || !numbered) {
        return false;
    }
    *group = head;
    *part = header.sliced(dash + 3);
    return true;
}

ColumnRole roleOfGroupColumn(const QString &group, const QString &part)
{
    ColumnRole role;
    const QString kind = group.section(u' ', 0, -2);
    const bool first = group.section(u' ', -1) == u"1";
    if (part == u"label" || part == u"type") {
        role.joined = Joined::Label;
    } else if (kind == u"e-mail" && part == u"value") {
        role.joined = Joined::Email;
    } else if (kind == u"phone" && part == u"value") {
        role.joined = Joined::Phone;
    } else if (kind == u"website" && part == u"value") {
        role.joined = Joined::Website;
    } else if (kind == u"address") {
        role.joined = part == u"street"        ? Joined::Street
                      : part == u"city"        ? Joined::City
                      : part == u"postal code" ? Joined::PostalCode
                      : part == u"formatted"   ? Joined::Used
                                               : Joined::None;
    } else if (kind == u"organization" && first) {
        role.field = part == u"name"         ? &Contact::Firma
                     : part == u"title"      ? &Contact::Tytul
                     : part == u"department" ? &Contact::Dep
                                             : nullptr;
    }
    return role;
}

// The roles of a header row's columns.
QList<ColumnRole> columnRoles(const QStringList &headers)
{
    QList<ColumnRole> roles;
    QHash<QString, qsizetype> labels; // group -> its label column
    for (qsizetype i = 0; i < headers.size(); ++i) {
        QString group, part;
        if (groupColumn(headers[i].toLower(), &group, &part) && (part == u"label" || part == u"type")) {
            labels.insert(group, i);
        }
    }
    for (const QString &header : headers) {
        const QString name = header.toLower();
        ColumnRole role;
        if (name == QLatin1String(ContactCsv::notesColumn).toString().toLower()) {
            role.part = NamePart::Notes;
        }
        for (const Contact::Column &c : Contact::columns()) {
            if (header.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
                role.field = c.field;
            }
        }
        for (const Alias &alias : aliases) {
            if (!role.known() && name == QStringView(alias.header)) {
                role = {alias.field, alias.part, alias.joined};
            }
        }
        QString group, part;
        if (!role.known() && groupColumn(name, &group, &part)) {
            role = roleOfGroupColumn(group, part);
            role.label = labels.value(group, -1);
        }
        roles.append(role);
    }
    return roles;
}

// Where a value of a numbered group goes, by its kind; nullptr when that place is taken.
QString Contact::*groupTarget(Joined joined, const QString &kind, const Contact &contact)
{
    const QString k = kind.toLower();
    const bool work = k.contains(u"work") || k.contains(u"business") || k.contains(u"służb") || k.contains(u"prac");
    const bool fax = k.contains(u"fax") || k.contains(u"faks");
    const bool mobile = k.contains(u"mobile") || k.contains(u"cell") || k.contains(u"komór");
    const bool home = k.contains(u"home") || k.contains(u"dom");
    QList<QString Contact::*> candidates;
    switch (joined) {
    case Joined::Email:
        candidates = {&Contact::Email};
        break;
    case Joined::Phone:
        candidates = fax      ? QList<QString Contact::*>{&Contact::Faks}
                     : mobile ? QList<QString Contact::*>{&Contact::TelKom}
                     : work   ? QList<QString Contact::*>{&Contact::TelSlu}
                     : home   ? QList<QString Contact::*>{&Contact::TelDom}
                              : QList<QString Contact::*>{&Contact::TelKom, &Contact::TelDom, &Contact::TelSlu};
        break;
    case Joined::Street:
        candidates = {work ? &Contact::PracaUlica : &Contact::DomUlica};
        break;
    case Joined::City:
        candidates = {work ? &Contact::PracaMiasto : &Contact::DomMiasto};
        break;
    case Joined::PostalCode:
        candidates = {work ? &Contact::PracaKod : &Contact::DomKod};
        break;
    case Joined::Website:
        candidates = {work ? &Contact::PracaURL : &Contact::DomURL};
        break;
    default:
        break;
    }
    for (QString Contact::*field : std::as_const(candidates)) {
        if ((contact.*field).trimmed().isEmpty()) {
            return field;
        }
    }
    return nullptr;
}

// "1980-03-08" as spreadsheets and mail programs write dates, and "3/8/1980" (month first) as
// English exports do -> "08.03.1980". "0/0/00" stands for no date there.
QString dateText(const QString &text)
{
    if (text.isEmpty()) {
        return text;
    }
    const QString trimmed = text.trimmed();
    if (trimmed == u"0/0/00") {
        return {};
    }
    QDate date = QDate::fromString(trimmed, Qt::ISODate);
    if (date.isValid() && trimmed.size() == 10) {
        return DateText::toText(date);
    }
    const QStringList parts = trimmed.split(u'/');
    if (parts.size() == 3 && parts[2].size() == 4) {
        date = QDate(parts[2].toInt(), parts[0].toInt(), parts[1].toInt());
        if (date.isValid()) {
            return DateText::toText(date);
        }
    }
    return text;
}

// ';' when the header row has more semicolons than commas outside quotes, else ','.
char detectSeparator(QByteArrayView text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const char ch : text) {
        if (ch == '"') {
            quoted = !quoted;
        } else if (!quoted && (ch == '\n' || ch == '\r')) {
            break;
        } else if (!quoted && ch == ',') {
            ++commas;
        } else if (!quoted && ch == ';') {
            ++semicolons;
        }
    }
    return semicolons > commas ? ';' : ',';
}

// A field's text in the file's encoding.
QString decodeField(const RawField &field, bool utf8)
{
    return utf8 ? QString::fromUtf8(field.bytes()) : Cp1250::decode(field.bytes());
}

// True when the field's text trimmed is empty. Fields of plain ASCII are looked at without
// decoding them: a blank there is what QChar::isSpace() calls one.
bool isBlank(const RawField &field, bool utf8)
{
    for (const char c : field.bytes()) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80) {
            return decodeField(field, utf8).trimmed().isEmpty();
        }
        if (b != ' ' && (b < '\t' || b > '\r')) {
            return false;
        }
    }
    return true;
}

// A cell's text: the field decoded, without the mark an export put before a cell that looks like
// a formula.
QString cellText(const RawField &field, bool utf8)
{
    QString value = decodeField(field, utf8);
    if (value.startsWith(formulaMark) && needsFormulaMark(QStringView(value).mid(1))) {
        value.remove(0, 1);
    }
    return value;
}

// The code page 1250 bytes of a field to out (room for width bytes) when the data file can store
// it as it stands (see StoredValue::storableBytes()) and no formula mark is to be taken off it.
bool storedAsIs(QByteArrayView raw, bool utf8, int width, char *out, qsizetype *length)
{
    if (!raw.isEmpty() && raw.front() == static_cast<char>(formulaMark.unicode())) {
        return false;
    }
    return StoredValue::storableBytes(raw, utf8, width, out, length);
}

// "1980-03-08" as spreadsheets write dates, in place, as dateText() makes it: "08.03.1980"; a
// day no calendar has stays as it is. False for any other form.
bool isoDateToText(char *date)
{
    const auto digit = [date](int i) {
        return date[i] >= '0' && date[i] <= '9';
    };
    for (const int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (!digit(i)) {
            return false;
        }
    }
    if (date[4] != '-' || date[7] != '-') {
        return false;
    }
    const auto number = [date](int i, int n) {
        int value = 0;
        for (int k = i; k < i + n; ++k) {
            value = value * 10 + (date[k] - '0');
        }
        return value;
    };
    const QDate day(number(0, 4), number(5, 2), number(8, 2));
    if (day.isValid()) {
        const QByteArray text = DateText::toText(day).toLatin1();
        std::memcpy(date, text.constData(), 10);
    }
    return true;
}

// Where the fields of a row go when it is taken in the data file's form: each column's index among
// the contact's columns (-1 for the identifier, the notes, the parts of a name and unknown columns).
// Possible only when no field is filled from two columns.
struct StoredPlan
{
    QList<int> columns;
    qsizetype notes = -1; // the column of the notes
    int name = -1;
    int birthday = -1;
    int wedding = -1;
    bool nameParts = false;
    bool possible = false;
};

StoredPlan storedPlan(const QList<ColumnRole> &roles)
{
    StoredPlan plan;
    plan.possible = true;
    plan.name = Contact::columnIndex(&Contact::Nazwa);
    plan.birthday = Contact::columnIndex(&Contact::Urodziny);
    plan.wedding = Contact::columnIndex(&Contact::Slub);
    quint32 filled = 0;
    for (qsizetype i = 0; i < roles.size(); ++i) {
        const ColumnRole &role = roles[i];
        // Values joined with others of the row (dates in parts, numbered groups) go the long way.
        plan.possible = plan.possible && role.joined == Joined::None;
        int column = role.field && role.field != &Contact::ID ? Contact::columnIndex(role.field) : -1;
        if (column >= 0) {
            plan.possible = plan.possible && !(filled & (1u << column));
            filled |= 1u << column;
        } else if (!role.field && role.part == NamePart::Notes) {
            plan.possible = plan.possible && plan.notes < 0;
            plan.notes = i;
        } else if (!role.field && role.part != NamePart::None) {
            plan.nameParts = true;
        }
        plan.columns.append(column);
    }
    return plan;
}

// The row in the data file's form, as read() would have made it through an ExchangeContact; false
// when some field needs more than that, and the row must go the long way.
bool storedRow(const Reader &reader, const StoredPlan &plan, bool utf8, PackedContact::Builder *row, QString *notes)
{
    bool named = false;
    for (qsizetype i = 0; i < reader.fieldCount(); ++i) {
        const RawField &field = reader.field(i);
        const QByteArrayView raw = field.bytes();
        if (raw.isEmpty()) {
            continue;
        }
        if (i == plan.notes) {
            *notes = cellText(field, utf8);
            continue;
        }
        const int column = plan.columns[i];
        if (column < 0) {
            continue;
        }
        char *out = row->reserve(column);
        qsizetype length = 0;
        if (!out || !storedAsIs(raw, utf8, Contact::columns()[column].width, out, &length)) {
            return false;
        }
        const QByteArrayView value(out, length);
        if (column == plan.name) {
            // A name of blanks only is replaced from the parts of the name.
            named = std::any_of(value.begin(), value.end(), [](char c) {
                return c != ' ' && c != '\xA0';
            });
            if (!named) {
                return false;
            }
        } else if ((column == plan.birthday || column == plan.wedding) && value.contains('/')) {
            return false; // a date with the month first, or none ("0/0/00"), as English exports write them
        } else if ((column == plan.birthday || column == plan.wedding) && length == 10
                   && !(std::isdigit(static_cast<unsigned char>(value[4]))
                        && std::isdigit(static_cast<unsigned char>(value[7])))
                   && !isoDateToText(out)) {
            return false; // some other form a date might be read from
        }
        row->commit(length);
    }
    return named || !plan.nameParts;
}

} // namespace

namespace ContactCsv {

bool write(const QList<ExchangeContact> &contacts, QByteArray *out, const ExchangeProgress &progress)
{
    out->clear();
    out->reserve(64 + contacts.size() * 200);
    out->append(header());
    for (qsizetype i = 0; i < contacts.size(); ++i) {
        appendRow(*out, contacts[i]);
        if (!Exchange::report(progress, i + 1, contacts.size())) {
            out->clear();
            return false;
        }
    }
    return true;
}

QByteArray header()
{
    QString text;
    for (const Contact::Column &c : Contact::columns()) {
        text.append(QLatin1String(c.name));
        text.append(u',');
    }
    text.append(QLatin1String(notesColumn));
    text.append(u"\r\n");
    return "\xEF\xBB\xBF" + text.toUtf8();
}

void appendRow(QByteArray &out, const ExchangeContact &item)
{
    // Made as text and encoded a row at a time: a row ends in CR LF, so no character is split.
    QString text;
    text.reserve(256);
    // Control characters of damaged fields are left out; the notes keep their line breaks.
    for (const Contact::Column &c : Contact::columns()) {
        appendField(text, Exchange::withoutControls(item.contact.*c.field, true));
        text.append(u',');
    }
    appendField(text, Exchange::withoutControls(item.notes, true));
    text.append(u"\r\n");
    out.append(text.toUtf8());
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

bool read(QByteArrayView bytes, const ExchangeSink &sink, ExchangeError *error, const ExchangeProgress &progress)
{
    return read(bytes, sink, {}, error, progress);
}

bool read(QByteArrayView bytes,
          const ExchangeSink &sink,
          const StoredSink &stored,
          ExchangeError *error,
          const ExchangeProgress &progress,
          ColumnReport *columns)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    }
    const bool utf8 = Exchange::isUtf8(bytes);
    const auto fail = [&](int line, const QString &message) {
        if (error) {
            *error = {line, message};
        }
        return false;
    };
    Reader reader(bytes, detectSeparator(bytes));
    int rowLine = 0;
    QString problem;
    if (reader.atEnd()) {
        return true;
    }
    if (!reader.next(&rowLine, &problem)) {
        return fail(rowLine, problem);
    }
    // What each column fills; the names of the others are told when they hold anything.
    QStringList headers;
    for (qsizetype i = 0; i < reader.fieldCount(); ++i) {
        headers.append(decodeField(reader.field(i), utf8).trimmed());
    }
    const QList<ColumnRole> roles = columnRoles(headers);
    if (std::none_of(roles.cbegin(), roles.cend(), [](const ColumnRole &role) {
            return role.known();
        })) {
        return fail(1, u"pierwszy wiersz nie zawiera nazw pól kontaktu (np. Nazwa, Email, TelDom)."_s);
    }
    QList<bool> skipped(roles.size(), false); // a column whose value was left out of some row
    if (columns) {
        columns->onlyName = std::all_of(roles.cbegin(),
                                        roles.cend(),
                                        [](const ColumnRole &role) {
                                            return role.nameOnly() || !role.known();
                                        })
                            && std::any_of(roles.cbegin(), roles.cend(), [](const ColumnRole &role) {
                                   return !role.known();
                               });
    }
    const auto noteSkipped = qScopeGuard([&] {
        if (columns) {
            columns->skipped.clear();
            for (qsizetype i = 0; i < roles.size(); ++i) {
                if (skipped[i] && !headers[i].isEmpty()) {
                    columns->skipped.append(headers[i]);
                }
            }
        }
    });
    const StoredPlan plan = stored ? storedPlan(roles) : StoredPlan();
    const qsizetype expected = progress ? bytes.count('\n') + 1 : 0;
    qsizetype count = 0;
    while (!reader.atEnd()) {
        if (!reader.next(&rowLine, &problem)) {
            return fail(rowLine, problem);
        }
        const qsizetype width = reader.fieldCount();
        bool blank = true;
        for (qsizetype i = 0; i < width && blank; ++i) {
            blank = isBlank(reader.field(i), utf8);
        }
        if (blank) {
            continue; // an empty line, or a spreadsheet's row of empty cells
        }
        if (width > roles.size()) {
            return fail(rowLine, u"%1 pól, a nagłówek ma tylko %2 kolumn."_s.arg(width).arg(roles.size()));
        }
        for (qsizetype i = 0; i < width; ++i) {
            if (!roles[i].known() && !skipped[i] && !isBlank(reader.field(i), utf8)) {
                skipped[i] = true;
            }
        }
        const auto report = [&] {
            ++count;
            return Exchange::report(progress, count, expected) || fail(0, u"Przerwano."_s);
        };
        if (plan.possible) {
            PackedContact::Builder row;
            QString notes;
            if (storedRow(reader, plan, utf8, &row, &notes)) {
                QString reason;
                if (!stored(row.take(), std::move(notes), &reason)) {
                    return fail(0, reason);
                }
                if (!report()) {
                    return false;
                }
                continue;
            }
        }
        ExchangeContact item;
        QString nameParts[4];     // first, middle, last, the name as shown
        int birth[3] = {0, 0, 0}; // year, month, day
        // The mark an export put before a cell that looks like a formula is taken off again.
        const auto cell = [&](qsizetype i) {
            return cellText(reader.field(i), utf8);
        };
        for (qsizetype i = 0; i < width; ++i) {
            const ColumnRole &role = roles[i];
            if (role.joined == Joined::None || role.joined == Joined::Label || role.joined == Joined::Used) {
                if (role.field) {
                    item.contact.*role.field = cell(i);
                } else if (role.part == NamePart::Notes) {
                    item.notes = cell(i);
                } else if (role.part != NamePart::None) {
                    nameParts[int(role.part) == int(NamePart::Display) ? 3 : int(role.part) - int(NamePart::First)] =
                        cell(i).trimmed();
                }
                continue;
            }
            // Several numbers or addresses in one cell are joined by " ::: "; the first is taken.
            const QString value = cell(i).section(u" ::: "_s, 0, 0).trimmed();
            if (value.isEmpty()) {
                continue;
            }
            switch (role.joined) {
            case Joined::Append: {
                QString &text = item.contact.*role.field;
                text = text.trimmed().isEmpty() ? value : text.trimmed() + u", "_s + value;
                break;
            }
            case Joined::BirthYear:
            case Joined::BirthMonth:
            case Joined::BirthDay:
                birth[int(role.joined) - int(Joined::BirthYear)] = value.toInt();
                break;
            default:
                if (QString Contact::*field =
                        groupTarget(role.joined,
                                    role.label >= 0 && role.label < width ? cell(role.label) : QString(),
                                    item.contact)) {
                    item.contact.*field = value;
                } else {
                    skipped[i] = true; // a second address of its kind has no place
                }
                break;
            }
        }
        if (item.contact.Nazwa.trimmed().isEmpty()) {
            // Kept surname first, as the name box holds it; the name as shown where there are no parts.
            item.contact.Nazwa = QStringList({nameParts[2], nameParts[0], nameParts[1]}).join(u' ').simplified();
            if (item.contact.Nazwa.isEmpty()) {
                item.contact.Nazwa = nameParts[3];
            }
        }
        const QDate born(birth[0], birth[1], birth[2]);
        if (item.contact.Urodziny.trimmed().isEmpty() && born.isValid() && birth[0] > 0) {
            item.contact.Urodziny = DateText::toText(born);
        }
        item.contact.Urodziny = dateText(item.contact.Urodziny);
        item.contact.Slub = dateText(item.contact.Slub);
        QString reason;
        if (!sink(std::move(item), &reason)) {
            return fail(0, reason);
        }
        if (!report()) {
            return false;
        }
    }
    return true;
}

} // namespace ContactCsv
