#include "ContactCsv.h"

#include "core/common/DateText.h"

#include <QDate>

#include <algorithm>

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

// Reads rows of RFC 4180 fields from decoded text, counting physical lines for messages.
class Reader
{
public:
    Reader(QStringView text, QChar separator)
        : m_text(text)
        , m_separator(separator)
    {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    int line() const { return m_line; }

    // The next row; false with the reason when a quote is not closed or is followed by text.
    bool next(QStringList *row, int *rowLine, QString *problem)
    {
        row->clear();
        *rowLine = m_line;
        QString field;
        while (true) {
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                const int openedOn = m_line;
                ++m_pos;
                while (true) {
                    if (m_pos >= m_text.size()) {
                        *rowLine = openedOn;
                        *problem = u"cudzysłów otwarty w tym wierszu nie jest zamknięty."_s;
                        return false;
                    }
                    const QChar ch = m_text[m_pos++];
                    if (ch == u'"') {
                        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                            field.append(u'"');
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    if (ch == u'\n' || (ch == u'\r' && (m_pos >= m_text.size() || m_text[m_pos] != u'\n'))) {
                        ++m_line;
                    }
                    field.append(ch);
                }
                if (m_pos < m_text.size() && m_text[m_pos] != m_separator && m_text[m_pos] != u'\r'
                    && m_text[m_pos] != u'\n') {
                    *rowLine = m_line;
                    *problem = u"po zamykającym cudzysłowie jest tekst zamiast separatora."_s;
                    return false;
                }
            } else {
                while (m_pos < m_text.size()) {
                    const QChar ch = m_text[m_pos];
                    if (ch == m_separator || ch == u'\r' || ch == u'\n') {
                        break;
                    }
                    field.append(ch);
                    ++m_pos;
                }
            }
            row->append(field);
            field.clear();
            if (m_pos >= m_text.size()) {
                return true;
            }
            const QChar ch = m_text[m_pos++];
            if (ch == m_separator) {
                continue;
            }
            if (ch == u'\r' && m_pos < m_text.size() && m_text[m_pos] == u'\n') {
                ++m_pos;
            }
            ++m_line;
            return true;
        }
    }

private:
    QStringView m_text;
    QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
};

// Columns of the tables that mail programs and phones export, by their usual names.
enum class NamePart
{
    None,
    First,
    Middle,
    Last,
    Notes
};

struct Alias
{
    const char16_t *header; // lower case
    QString Contact::*field;
    NamePart part;
};

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
    {u"notes", nullptr, NamePart::Notes},
    {u"notatka", nullptr, NamePart::Notes},
    {u"name", &Contact::Nazwa, NamePart::None},
    {u"nickname", &Contact::Pseudo, NamePart::None},
    {u"pseudonim", &Contact::Pseudo, NamePart::None},
    {u"e-mail address", &Contact::Email, NamePart::None},
    {u"e-mail", &Contact::Email, NamePart::None},
    {u"e-mail 1 - value", &Contact::Email, NamePart::None},
    {u"adres e-mail", &Contact::Email, NamePart::None},
    {u"home phone", &Contact::TelDom, NamePart::None},
    {u"telefon domowy", &Contact::TelDom, NamePart::None},
    {u"mobile phone", &Contact::TelKom, NamePart::None},
    {u"telefon komórkowy", &Contact::TelKom, NamePart::None},
    {u"business phone", &Contact::TelSlu, NamePart::None},
    {u"telefon służbowy", &Contact::TelSlu, NamePart::None},
    {u"business fax", &Contact::Faks, NamePart::None},
    {u"faks", &Contact::Faks, NamePart::None},
    {u"home street", &Contact::DomUlica, NamePart::None},
    {u"home city", &Contact::DomMiasto, NamePart::None},
    {u"home postal code", &Contact::DomKod, NamePart::None},
    {u"business street", &Contact::PracaUlica, NamePart::None},
    {u"business city", &Contact::PracaMiasto, NamePart::None},
    {u"business postal code", &Contact::PracaKod, NamePart::None},
    {u"company", &Contact::Firma, NamePart::None},
    {u"organization 1 - name", &Contact::Firma, NamePart::None},
    {u"department", &Contact::Dep, NamePart::None},
    {u"dział", &Contact::Dep, NamePart::None},
    {u"job title", &Contact::Tytul, NamePart::None},
    {u"stanowisko", &Contact::Tytul, NamePart::None},
    {u"birthday", &Contact::Urodziny, NamePart::None},
    {u"anniversary", &Contact::Slub, NamePart::None},
    {u"personal web page", &Contact::DomURL, NamePart::None},
    {u"web page", &Contact::PracaURL, NamePart::None},
};

// "1980-03-08" as spreadsheets and mail programs write dates -> "08.03.1980".
QString dateText(const QString &text)
{
    const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
    return date.isValid() && text.trimmed().size() == 10 ? DateText::toText(date) : text;
}

// ';' when the header row has more semicolons than commas outside quotes, else ','.
QChar detectSeparator(QStringView text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (const QChar ch : text) {
        if (ch == u'"') {
            quoted = !quoted;
        } else if (!quoted && (ch == u'\n' || ch == u'\r')) {
            break;
        } else if (!quoted && ch == u',') {
            ++commas;
        } else if (!quoted && ch == u';') {
            ++semicolons;
        }
    }
    return semicolons > commas ? u';' : u',';
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
    contacts->clear();
    const QString text = Exchange::decodeText(bytes);
    const auto fail = [&](int line, const QString &message) {
        contacts->clear();
        if (error) {
            *error = {line, message};
        }
        return false;
    };
    Reader reader(text, detectSeparator(text));
    QStringList row;
    int rowLine = 0;
    QString problem;
    if (reader.atEnd()) {
        return true;
    }
    if (!reader.next(&row, &rowLine, &problem)) {
        return fail(rowLine, problem);
    }
    // Which field (or part of the name) each column fills; nullptr and None for unknown columns.
    QList<QString Contact::*> fields;
    QList<NamePart> parts;
    bool known = false;
    for (qsizetype i = 0; i < row.size(); ++i) {
        const QString name = row[i].trimmed();
        QString Contact::*field = nullptr;
        NamePart part =
            name.compare(QLatin1String(notesColumn), Qt::CaseInsensitive) == 0 ? NamePart::Notes : NamePart::None;
        for (const Contact::Column &c : Contact::columns()) {
            if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) {
                field = c.field;
            }
        }
        for (const Alias &alias : aliases) {
            if (!field && part == NamePart::None && name.toLower() == QStringView(alias.header)) {
                field = alias.field;
                part = alias.part;
            }
        }
        known = known || field || part != NamePart::None;
        fields.append(field);
        parts.append(part);
    }
    if (!known) {
        return fail(1, u"pierwszy wiersz nie zawiera nazw pól kontaktu (np. Nazwa, Email, TelDom)."_s);
    }
    const qsizetype expected = text.count(u'\n') + 1;
    while (!reader.atEnd()) {
        if (!reader.next(&row, &rowLine, &problem)) {
            return fail(rowLine, problem);
        }
        if (std::all_of(row.cbegin(), row.cend(), [](const QString &field) {
                return field.trimmed().isEmpty();
            })) {
            continue; // an empty line, or a spreadsheet's row of empty cells
        }
        if (row.size() > fields.size()) {
            return fail(rowLine, u"%1 pól, a nagłówek ma tylko %2 kolumn."_s.arg(row.size()).arg(fields.size()));
        }
        ExchangeContact item;
        QString nameParts[3]; // first, middle, last
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (row[i].startsWith(formulaMark) && needsFormulaMark(QStringView(row[i]).mid(1))) {
                row[i].remove(0, 1); // the mark an export put before a cell that looks like a formula
            }
            if (fields[i]) {
                item.contact.*fields[i] = row[i];
            } else if (parts[i] == NamePart::Notes) {
                item.notes = row[i];
            } else if (parts[i] != NamePart::None) {
                nameParts[int(parts[i]) - int(NamePart::First)] = row[i].trimmed();
            }
        }
        if (item.contact.Nazwa.trimmed().isEmpty()) {
            // Kept surname first, as the name box holds it.
            item.contact.Nazwa = QStringList({nameParts[2], nameParts[0], nameParts[1]}).join(u' ').simplified();
        }
        item.contact.Urodziny = dateText(item.contact.Urodziny);
        item.contact.Slub = dateText(item.contact.Slub);
        contacts->append(item);
        if (!Exchange::report(progress, contacts->size(), expected)) {
            return fail(0, u"Przerwano."_s);
        }
    }
    return true;
}

} // namespace ContactCsv
