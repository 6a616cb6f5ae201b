#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// One address-book entry: 25 text fields, stored at fixed columns of a 690-character line of
// "Morwinek.data" (code page 1250, so one byte per character). After the identifier the fields
// follow the alphabetical order of their names.
struct Contact
{
    QString ID;
    QString Dep;
    QString DomKod;
    QString DomMiasto;
    QString DomUlica;
    QString DomURL;
    QString Email;
    QString Faks;
    QString Firma;
    QString Imieniny;
    QString Nazwa;
    QString Parametry; // reserved: carried through unchanged
    QString PracaKod;
    QString PracaMiasto;
    QString PracaUlica;
    QString PracaURL;
    QString Pseudo;
    QString Rocznica; // reserved: carried through unchanged
    QString Slub;
    QString TelDom;
    QString TelKom;
    QString TelSlu;
    QString TelWew;
    QString Tytul;
    QString Urodziny;

    // Where a field lives in a line; start is zero-based.
    struct Column
    {
        const char *name;
        int start;
        int width;
        QString Contact::*field;
    };
    static constexpr int fieldCount = 25;
    static constexpr int lineLength = 690;
    static constexpr int idWidth = 5;
    static constexpr int nameStart = 337;
    static constexpr int nameWidth = 30;
    static const std::array<Column, fieldCount> &columns();
    // The column of a field, at compile time for readers that take single columns from a line.
    static constexpr const Column &columnOf(QString Contact::*field);
    // The column of a field by its name (as in the table), or nullptr.
    static const Column *column(const QString &name);
    // The index in columns() of the column holding the field, or -1.
    static int columnIndex(QString Contact::*field);

    // Each field from its columns, trimmed; a field past the end of a short line is empty.
    static Contact fromLine(QByteArrayView line);
    // Each field trimmed, padded with blanks to its width and cut to it: always 690 bytes.
    // Characters code page 1250 cannot hold become '?'; line breaks and NULs become blanks.
    QByteArray toLine() const;

    // The raw columns of one field (fewer or none on a short line), untrimmed.
    static QByteArrayView rawField(QByteArrayView line, const Column &column);
    // The trimmed identifier and name of a stored line, decoded.
    static QString idOf(QByteArrayView line);
    static QString nameOf(QByteArrayView line);
    // The name "Nowy" stores until the user types one: "˙Wprowadź nazwisko˙" (byte 255 around it).
    static QString placeholderName();

    bool operator==(const Contact &other) const = default;
};

// The one description of the line: every reader and writer of "Morwinek.data" takes its columns
// from here.
inline constexpr std::array<Contact::Column, Contact::fieldCount> contactColumns = {{
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

constexpr const Contact::Column &Contact::columnOf(QString Contact::*field)
{
    for (const Column &c : contactColumns) {
        if (c.field == field) {
            return c;
        }
    }
    throw "not a field of the line"; // a compile error where it is used as a constant
}

static_assert(Contact::columnOf(&Contact::ID).width == Contact::idWidth);
static_assert(Contact::columnOf(&Contact::Nazwa).start == Contact::nameStart);
static_assert(Contact::columnOf(&Contact::Nazwa).width == Contact::nameWidth);
static_assert(Contact::columnOf(&Contact::Urodziny).start + Contact::columnOf(&Contact::Urodziny).width
              == Contact::lineLength);
