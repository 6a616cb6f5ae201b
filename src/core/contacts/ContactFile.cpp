#include "ContactFile.h"

#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/TextFile.h"
#include "core/sync/SyncState.h"

#include <QDir>

ContactFile::ContactFile(QString dataDir)
    : m_dataDir(std::move(dataDir))
{}

QString ContactFile::path() const
{
    return QDir(m_dataDir).filePath(QLatin1String(fileName));
}

bool ContactFile::load(QString *error)
{
    m_list.setLines({});
    m_readError.clear();
    QList<QByteArray> lines;
    bool exists = false;
    QString readError;
    if (!TextFile::readLines(path(), &lines, &exists, &readError)) {
        m_readError = readError;
        if (error) {
            *error = readError;
        }
        return false;
    }
    m_list.setLines(std::move(lines));
    m_list.setReservedIdentifiers(SyncState::knownIdentifiers(m_dataDir));
    return true;
}

bool ContactFile::save(QString *error)
{
    if (!m_readError.isEmpty()) {
        if (error) {
            *error = m_readError;
        }
        return false;
    }
    if (m_backup) {
        m_backup->beforeWrite(path());
    }
    return TextFile::writeLines(path(), m_list.lines(), error);
}

bool ContactFile::saveOrRollBack(const QList<QByteArray> &before, QString *error)
{
    if (save(error)) {
        return true;
    }
    m_list.setLines(before);
    return false;
}

bool ContactFile::add(const Contact &contact, QString *error)
{
    const QList<QByteArray> before = m_list.lines();
    m_list.append(contact.toLine());
    if (!saveOrRollBack(before, error)) {
        return false;
    }
    // A new contact starts without notes, whatever an earlier holder of the identifier left.
    const QString notes = notesPath(contact.ID);
    if (!notes.isEmpty()) {
        (void)TextFile::removeIfExists(notes, nullptr);
    }
    return true;
}

bool ContactFile::store(int *position, const Contact &contact, const QString &notes, QString *error)
{
    if (*position < 0 || *position >= m_list.count()) {
        return true; // nothing shown, nothing to store
    }
    if (!m_readError.isEmpty()) {
        return save(error);
    }
    const QList<QByteArray> before = m_list.lines();
    const int oldPosition = *position;
    m_list.replace(*position, contact.toLine());
    m_list.Sortowanie(position);
    // The contact first: when it cannot be saved, nothing of it has changed, its notes included.
    if (!saveOrRollBack(before, error)) {
        *position = oldPosition;
        return false;
    }
    return writeNotes(contact.ID, notes, error);
}

bool ContactFile::remove(int position, QString *error)
{
    if (position < 0 || position >= m_list.count()) {
        return true;
    }
    const QString id = Contact::idOf(m_list.line(position));
    const QList<QByteArray> before = m_list.lines();
    m_list.removeAt(position);
    if (!saveOrRollBack(before, error)) {
        return false;
    }
    // Side files that cannot be removed are left; the contact itself is gone. A line that still
    // carries the same identifier (a file edited by hand) keeps them, as they are its files too.
    for (const QByteArray &line : m_list.lines()) {
        if (Contact::idOf(line) == id) {
            return true;
        }
    }
    for (const QString &side : {photoPath(id), notesPath(id)}) {
        if (!side.isEmpty()) {
            (void)TextFile::removeIfExists(side, nullptr);
        }
    }
    return true;
}

bool ContactFile::addSorted(const QList<QByteArray> &lines, QString *error)
{
    const QList<QByteArray> before = m_list.lines();
    for (const QByteArray &line : lines) {
        m_list.append(line);
    }
    m_list.Sortowanie(nullptr);
    return saveOrRollBack(before, error);
}

bool ContactFile::isSafeIdentifier(const QString &id)
{
    const QString t = id.trimmed();
    if (t.isEmpty()) {
        return false;
    }
    for (const QChar ch : t) {
        if (ch < u'0' || ch > u'9') {
            return false;
        }
    }
    return true;
}

QString ContactFile::notesPath(const QString &id) const
{
    if (!isSafeIdentifier(id)) {
        return {};
    }
    return QDir(m_dataDir).filePath(QLatin1String(notesFolder) + u'/' + id.trimmed() + QStringLiteral(".txt"));
}

QString ContactFile::photoPath(const QString &id) const
{
    if (!isSafeIdentifier(id)) {
        return {};
    }
    return QDir(m_dataDir).filePath(QLatin1String(photoFolder) + u'/' + id.trimmed() + QStringLiteral(".jpg"));
}

bool ContactFile::readNotes(const QString &id, QString *notes, QString *error) const
{
    notes->clear();
    const QString file = notesPath(id);
    if (file.isEmpty()) {
        return true;
    }
    QList<QByteArray> lines;
    bool exists = false;
    if (!TextFile::readLines(file, &lines, &exists, error)) {
        return false;
    }
    QStringList text;
    text.reserve(lines.size());
    for (const QByteArray &line : lines) {
        text.append(Cp1250::decode(line));
    }
    *notes = text.join(u'\n');
    return true;
}

bool ContactFile::writeNotes(const QString &id, const QString &notes, QString *error) const
{
    const QString file = notesPath(id);
    if (file.isEmpty()) {
        return true;
    }
    if (notes.isEmpty()) {
        return TextFile::removeIfExists(file, error);
    }
    // The page's lines: a line break at the very end starts no further line.
    QStringList pageLines = notes.split(u'\n');
    if (pageLines.size() > 1 && pageLines.last().isEmpty()) {
        pageLines.removeLast();
    }
    QList<QByteArray> lines;
    for (const QString &line : std::as_const(pageLines)) {
        lines.append(Cp1250::encode(line));
    }
    return TextFile::writeLines(file, lines, error);
}
