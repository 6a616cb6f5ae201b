#include "Contact.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

const std::array<Contact::Column, Contact::fieldCount> &Contact::columns()
{
    return contactColumns;
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
