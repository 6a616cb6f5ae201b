#include "Contact.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

const std::array<Contact::Column, Contact::fieldCount> &Contact::columns()
{
    static const std::array<Column, fieldCount> table = {{
        {"ID", 0, 5, &Contact::ID},
        {"Dep", 5, 30, &Contact::Dep},
        {"DomKod", 35, 6, &Contact::DomKod},
        {"DomMiasto", 41, 25, &Contact::DomMiasto},
        {"DomUlica", 66, 75, &Contact::DomUlica},
        {"DomURL", 141, 75, &Contact::DomURL},
        {"Email", 216, 50, &Contact::Email},
        {"Faks", 266, 16, &Contact::Faks},
        {"Firma", 282, 50, &Contact::Firma},
        {"Imieniny", 332, 5, &Contact::Imieniny},
        {"Nazwa", 337, 30, &Contact::Nazwa},
        {"Parametry", 367, 5, &Contact::Parametry},
        {"PracaKod", 372, 6, &Contact::PracaKod},
        {"PracaMiasto", 378, 25, &Contact::PracaMiasto},
        {"PracaUlica", 403, 75, &Contact::PracaUlica},
        {"PracaURL", 478, 75, &Contact::PracaURL},
        {"Pseudo", 553, 25, &Contact::Pseudo},
        {"Rocznica", 578, 10, &Contact::Rocznica},
        {"Slub", 588, 10, &Contact::Slub},
        {"TelDom", 598, 16, &Contact::TelDom},
        {"TelKom", 614, 16, &Contact::TelKom},
        {"TelSlu", 630, 16, &Contact::TelSlu},
        {"TelWew", 646, 4, &Contact::TelWew},
        {"Tytul", 650, 30, &Contact::Tytul},
        {"Urodziny", 680, 10, &Contact::Urodziny},
    }};
    return table;
}

const Contact::Column *Contact::column(const QString &name)
{
    for (const Column &c : columns()) {
        if (name == QLatin1String(c.name)) {
            return &c;
        }
    }
    return nullptr;
}

int Contact::columnIndex(QString Contact::*field)
{
    const auto &table = columns();
    for (int i = 0; i < fieldCount; ++i) {
        if (table[i].field == field) {
            return i;
        }
    }
    return -1;
}

QByteArrayView Contact::rawField(QByteArrayView line, const Column &column)
{
    if (column.start >= line.size()) {
        return {};
    }
    return line.sliced(column.start, std::min<qsizetype>(column.width, line.size() - column.start));
}

Contact Contact::fromLine(QByteArrayView line)
{
    Contact contact;
    for (const Column &c : columns()) {
        contact.*c.field = Cp1250::decode(FixedText::trimmedBytes(rawField(line, c)));
    }
    return contact;
}

QByteArray Contact::toLine() const
{
    QByteArray line;
    line.reserve(lineLength);
    for (const Column &c : columns()) {
        line.append(Cp1250::encode(FixedText::padToWidth(FixedText::trimmed(this->*c.field), c.width)));
    }
    // A pasted line break would split the record into two file lines, and a NUL reads as a blank.
    for (char &byte : line) {
        if (byte == '\r' || byte == '\n' || byte == '\0') {
            byte = ' ';
        }
    }
    return line;
}

QString Contact::idOf(QByteArrayView line)
{
    return Cp1250::decode(FixedText::trimmedBytes(rawField(line, columns()[0])));
}

QString Contact::placeholderName()
{
    const QChar dot = Cp1250::decodeByte(255);
    return dot + QStringLiteral("Wprowadź nazwisko") + dot;
}

QString Contact::nameOf(QByteArrayView line)
{
    static const Column &name = columns()[10];
    return Cp1250::decode(FixedText::trimmedBytes(rawField(line, name)));
}
