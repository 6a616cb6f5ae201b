#pragma once

#include "core/common/Cp1250.h"
#include "core/contacts/Contact.h"

#include <QByteArray>
#include <QString>

// A contacts file line (without its end) built by column position, independent of the contact
// classes: the identifier 10000 and only the given fields filled in (1-based columns).
inline QByteArray contactLineByColumns(const QString &name,
                                       const QString &city = {},
                                       const QString &nameDay = {},
                                       const QString &birthday = {},
                                       const QString &wedding = {})
{
    QByteArray line(690, ' ');
    const auto put = [&line](int column, const QString &text) {
        const QByteArray bytes = Cp1250::encode(text);
        line.replace(column - 1, bytes.size(), bytes);
    };
    put(1, QStringLiteral("10000"));
    put(42, city);
    put(333, nameDay);
    put(338, name);
    put(589, wedding);
    put(681, birthday);
    return line;
}

// A contact line with only an identifier, a name and maybe a mobile number, through the record itself.
inline QByteArray lineFor(const QString &id, const QString &name, const QString &mobile = {})
{
    Contact c;
    c.ID = id;
    c.Nazwa = name;
    c.TelKom = mobile;
    return c.toLine();
}
