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
