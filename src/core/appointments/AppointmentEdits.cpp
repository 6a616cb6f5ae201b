#include "AppointmentEdits.h"

#include "core/common/Cp1250.h"
#include "core/common/TextFile.h"

#include <QDir>

namespace {

QString pathIn(const QString &dataDir)
{
    return QDir(dataDir).filePath(QLatin1String(AppointmentEdits::fileName));
}

QByteArray encoded(const QString &record)
{
    return record.isEmpty() ? QByteArray("-") : Cp1250::encode(record).toBase64();
}

QString decoded(QByteArrayView text)
{
    return text == "-" ? QString() : Cp1250::decode(QByteArray::fromBase64(text.toByteArray()));
}

QList<QByteArray> readLines(const QString &dataDir)
{
    QList<QByteArray> lines;
    if (!TextFile::readLines(pathIn(dataDir), &lines, nullptr, nullptr)) {
        return {};
    }
    return lines;
}

} // namespace

AppointmentEdits::AppointmentEdits(QString dataDir, std::function<bool()> wanted)
    : m_dataDir(std::move(dataDir))
    , m_wanted(std::move(wanted))
{}

bool AppointmentEdits::record(const QString &before, const QString &after, QString *error) const
{
    if (before.isEmpty() || before == after || (m_wanted && !m_wanted())) {
        return true;
    }
    QList<QByteArray> lines = readLines(m_dataDir);
    lines.append("E " + encoded(before) + ' ' + encoded(after));
    if (lines.size() > kept) {
        lines.remove(0, lines.size() - kept);
    }
    return TextFile::writeLines(pathIn(m_dataDir), lines, error);
}

QList<AppointmentEdits::Edit> AppointmentEdits::read(const QString &dataDir)
{
    QList<Edit> edits;
    for (const QByteArray &line : readLines(dataDir)) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 3 && parts[0] == "E" && parts[1] != "-") {
            edits.append({decoded(parts[1]), decoded(parts[2])});
        }
    }
    return edits;
}

bool AppointmentEdits::consume(const QString &dataDir, qsizetype count, QString *error)
{
    if (count <= 0) {
        return true;
    }
    QList<QByteArray> lines = readLines(dataDir);
    // Lines that do not read as an edit were not counted; they go with the rest.
    qsizetype taken = 0;
    qsizetype i = 0;
    for (; i < lines.size() && taken < count; ++i) {
        const QList<QByteArray> parts = lines[i].trimmed().split(' ');
        taken += parts.size() == 3 && parts[0] == "E" && parts[1] != "-" ? 1 : 0;
    }
    lines.remove(0, i);
    if (lines.isEmpty()) {
        return TextFile::removeIfExists(pathIn(dataDir), error);
    }
    return TextFile::writeLines(pathIn(dataDir), lines, error);
}
