#include "ContactFile.h"

#include "core/common/Cp1250.h"
#include "core/common/DailyBackup.h"
#include "core/common/FileError.h"
#include "core/common/TextFile.h"

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
    m_list.setReservedIdentifiers(m_reserve ? m_reserve(m_dataDir) : QSet<int>());
    return true;
}

bool ContactFile::save(QString *error)
{
    return readyToReplace(error) && TextFile::writeLines(path(), m_list.lines(), error);
}

bool ContactFile::readyToReplace(QString *error)
{
    if (!m_readError.isEmpty()) {
        if (error) {
            *error = m_readError;
        }
        return false;
    }
    if (!mayWrite(path(), error)) {
        return false;
    }
    if (m_backup) {
        m_backup->beforeWrite(path(), sideFolders());
    }
    return true;
}

bool ContactFile::mayWrite(const QString &file, QString *error) const
{
    if (!m_writeGate || m_writeGate(file)) {
        return true;
    }
    if (error) {
        *error = FileError::describe(FileError::Write, file, QStringLiteral("przerwano"));
    }
    return false;
}

bool ContactFile::removeSideFile(const QString &file, QString *error) const
{
    if (file.isEmpty() || !QFile::exists(file)) {
        return true;
    }
    return mayWrite(file, error) && TextFile::removeIfExists(file, error);
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
    if (!m_readError.isEmpty()) {
        return save(error);
    }
    // A new contact starts without notes or photo, whatever an earlier holder of the identifier
    // (or an import that died) left; cleared before the data file names the contact.
    if (!removeSideFile(notesPath(contact.ID), error) || !removeSideFile(photoPath(contact.ID), error)) {
        return false;
    }
    const QList<QByteArray> before = m_list.lines();
    m_list.append(contact.toLine());
    return saveOrRollBack(before, error);
}

bool ContactFile::store(int *position, const Contact &contact, const QString &notes, QString *error)
{
    if (*position < 0 || *position >= m_list.count()) {
        return true; // nothing shown, nothing to store
    }
    if (!m_readError.isEmpty()) {
        return save(error);
    }
    // The notes first: a program that dies between the two steps leaves the contact as it was
    // saved last with its newer notes, never a saved contact with notes it does not have.
    QString oldNotes;
    if (!readNotes(contact.ID, &oldNotes, error) || !writeNotes(contact.ID, notes, error)) {
        return false;
    }
    const QList<QByteArray> before = m_list.lines();
    const int oldPosition = *position;
    m_list.replace(*position, contact.toLine());
    m_list.Sortowanie(position);
    if (!saveOrRollBack(before, error)) {
        *position = oldPosition;
        if (oldNotes != notes) {
            (void)writeNotes(contact.ID, oldNotes, nullptr); // nothing of the contact has changed
        }
        return false;
    }
    return true;
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
        (void)removeSideFile(side, nullptr);
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

bool ContactFile::writeAdded(qsizetype count,
                             const std::function<QByteArrayView(qsizetype k)> &nameOf,
                             const std::function<void(qsizetype k, QByteArray *line)> &lineOf,
                             QString *error)
{
    if (!readyToReplace(error)) {
        return false;
    }
    const QList<QByteArray> &lines = m_list.lines();
    const qsizetype held = lines.size();
    const std::vector<int> order = ContactList::polishOrder(held + count, [&](qsizetype i) {
        return i < held ? ContactList::nameBytes(lines.at(i)) : nameOf(i - held);
    });
    TextFile::AtomicWriter file(path());
    if (!file.open(error)) {
        return false;
    }
    QByteArray added;
    for (const int i : order) {
        if (i < held) {
            file.write(lines.at(i));
        } else {
            lineOf(i - held, &added);
            file.write(added);
        }
        file.write("\r\n");
    }
    if (!file.commit(error)) {
        return false;
    }
    m_list.setLines({});
    m_readError = QStringLiteral("Do pliku %1 dopisano kontakty, których lista w pamięci nie zawiera: wczytaj go "
                                 "ponownie przed kolejną zmianą.")
                      .arg(path());
    return true;
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
        return removeSideFile(file, error);
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
    return mayWrite(file, error) && TextFile::writeLines(file, lines, error);
}

bool ContactFile::writePhoto(const QString &id, const QByteArray &bytes, QString *error) const
{
    const QString file = photoPath(id);
    if (file.isEmpty()) {
        return true;
    }
    if (bytes.isEmpty()) {
        return removeSideFile(file, error);
    }
    return mayWrite(file, error) && TextFile::writeAtomically(file, bytes, error);
}
