#pragma once

#include "Contact.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

// The address book in memory: the data file's lines exactly as read (code page 1250 bytes), so a
// line nobody edited is written back byte for byte, unknown bytes and reserved fields included.
// Positions are zero-based.
class ContactList
{
public:
    static constexpr int firstIdentifier = 10000;
    static constexpr int lastIdentifier = 99999; // the most five columns hold

    // The value of a trimmed identifier made of digits only (at most five of them).
    static std::optional<int> identifierValue(QStringView id);

    const QList<QByteArray> &lines() const { return m_lines; }
    void setLines(QList<QByteArray> lines) { m_lines = std::move(lines); }
    int count() const { return static_cast<int>(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }

    const QByteArray &line(int position) const { return m_lines.at(position); }
    Contact contact(int position) const { return Contact::fromLine(m_lines.at(position)); }
    // The trimmed names of all lines, in list order.
    QStringList names() const;

    void append(const QByteArray &line) { m_lines.append(line); }
    void replace(int position, const QByteArray &line) { m_lines[position] = line; }
    void removeAt(int position) { m_lines.removeAt(position); }

    // Stable Polish order of the names; *position (may be -1 or null) follows its line.
    void Sortowanie(int *position);
    // The positions of n names in the order Sortowanie gives their lines: nameAt(i) is the i-th
    // name's stored bytes (trimmed here).
    static std::vector<int> polishOrder(qsizetype n, const std::function<QByteArrayView(qsizetype)> &nameAt);
    // The stored name columns of a line (fewer or none on a short line).
    static QByteArrayView nameBytes(QByteArrayView line);

    // The identifier for a new contact: one above the last line's, stepping over every identifier
    // in use; past 99999 (or when the last one is no number) the search goes on from the lowest
    // free one. False with a message for the user when all five-digit identifiers are taken.
    [[nodiscard]] bool newIdentifier(QString *id, QString *error) const;
    // count identifiers as adding that many contacts one by one would give them. False, with
    // *ids untouched, when too few are free.
    [[nodiscard]] bool newIdentifiers(int count, QStringList *ids, QString *error) const;
    // The same as numbers.
    [[nodiscard]] bool newIdentifierValues(int count, std::vector<int> *ids, QString *error) const;
    // Identifiers the sync state still knows: never given to a new contact, so a deleted contact's
    // card cannot come back under another person.
    void setReservedIdentifiers(QSet<int> ids) { m_reserved = std::move(ids); }

private:
    QList<QByteArray> m_lines;
    QSet<int> m_reserved;
};
