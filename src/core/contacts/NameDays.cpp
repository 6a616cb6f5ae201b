#include "NameDays.h"

#include <QFile>

// Resources of a static library must be registered by name, outside any namespace.
static void registerNameDayResource()
{
    Q_INIT_RESOURCE(namedays);
}

NameDays::NameDays(const QByteArray &text)
{
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!line.isEmpty()) {
            m_rows.append(QString::fromUtf8(line));
        }
    }
}

const NameDays &NameDays::builtIn()
{
    static const NameDays calendar = [] {
        registerNameDayResource();
        QFile file(QStringLiteral(":/contacts/imieniny.txt"));
        (void)file.open(QIODevice::ReadOnly);
        return NameDays(file.readAll());
    }();
    return calendar;
}

QString NameDays::keyOf(const QDate &date)
{
    return QStringLiteral("%1.%2").arg(date.month(), 2, 10, QLatin1Char('0')).arg(date.day(), 2, 10, QLatin1Char('0'));
}

QStringList NameDays::namesOfRow(const QString &row)
{
    QStringList names;
    for (int slot = 0; slot < slotCount; ++slot) {
        const QString name = row.mid(slotStart + slot * slotWidth, slotWidth).trimmed();
        if (name.isEmpty()) {
            break;
        }
        names.append(name);
    }
    return names;
}

QStringList NameDays::namesFor(const QString &key) const
{
    for (const QString &row : m_rows) {
        if (QStringView(row).left(5) == key) {
            return namesOfRow(row);
        }
    }
    return {};
}

QString NameDays::namesText(const QDate &date) const
{
    return namesFor(keyOf(date)).join(QStringLiteral(", "));
}
