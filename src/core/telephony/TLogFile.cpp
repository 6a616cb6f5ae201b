#include "TLogFile.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"

#include <QLocale>

void TLogFile::AddEntry(const QDateTime &now, const QString &event, const QString &data)
{
    QString line = dateTimeText(now) + QStringLiteral(" - ") + event;
    if (!data.isEmpty()) {
        line += QStringLiteral(": ") + data;
    }
    m_lines.append(line);
}

bool TLogFile::SaveTo(const QString &path, QString *error) const
{
    QList<QByteArray> lines;
    lines.reserve(m_lines.size());
    for (const QString &line : m_lines) {
        lines.append(Cp1250::encode(line));
    }
    return TextFile::writeLines(path, lines, error);
}

QString TLogFile::dateTimeText(const QDateTime &now)
{
    // The long time format without the time zone, which the system's time format does not show.
    QString longTime = QLocale().timeFormat(QLocale::LongFormat);
    longTime.remove(QLatin1Char('t')).replace(QStringLiteral("  "), QStringLiteral(" "));
    return now.date().toString(QStringLiteral("dd.MM.yyyy")) + QLatin1Char(' ')
           + now.time().toString(longTime.trimmed());
}
