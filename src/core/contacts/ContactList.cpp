#include "ContactList.h"

#include "PolishCollation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

std::optional<int> ContactList::identifierValue(QStringView id)
{
    if (id.isEmpty() || id.size() > Contact::idWidth) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar ch : id) {
        if (ch < u'0' || ch > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (ch.unicode() - u'0');
    }
    return value;
}

QStringList ContactList::names() const
{
    QStringList result;
    result.reserve(m_lines.size());
    for (const QByteArray &line : m_lines) {
        result.append(Contact::nameOf(line));
    }
    return result;
}

QByteArrayView ContactList::nameBytes(QByteArrayView line)
{
    if (line.size() <= Contact::nameStart) {
        return {};
    }
    return line.sliced(Contact::nameStart, std::min<qsizetype>(Contact::nameWidth, line.size() - Contact::nameStart));
}

std::vector<int> ContactList::polishOrder(qsizetype n, const std::function<QByteArrayView(qsizetype)> &nameAt)
{
    // Each name's ranks in a fixed row, blank-padded with 0 (below every rank), so that a name
    // that begins another sorts first and rows compare as plain bytes; ties keep the given order.
    struct Entry
    {
        std::array<unsigned char, Contact::nameWidth> key;
        int index;
    };
    std::vector<Entry> entries(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        Entry &entry = entries[static_cast<size_t>(i)];
        entry.key.fill(0);
        (void)PolishCollation::sortKey(nameAt(i), entry.key.data(), Contact::nameWidth);
        entry.index = static_cast<int>(i);
    }
    const auto before = [](const Entry &a, const Entry &b) {
        const int order = std::memcmp(a.key.data(), b.key.data(), a.key.size());
        return order != 0 ? order < 0 : a.index < b.index;
    };
    // The book is kept in order, and what is added (one contact, or an import of a file that was
    // exported in order) mostly follows it in order too: runs in order are merged, not sorted again.
    const auto sortedEnd = std::is_sorted_until(entries.begin(), entries.end(), before);
    if (sortedEnd != entries.end()) {
        if (!std::is_sorted(sortedEnd, entries.end(), before)) {
            std::sort(sortedEnd, entries.end(), before);
        }
        std::inplace_merge(entries.begin(), sortedEnd, entries.end(), before);
    }
    std::vector<int> order(static_cast<size_t>(n));
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = entries[i].index;
    }
    return order;
}

void ContactList::Sortowanie(int *position)
{
    const qsizetype n = m_lines.size();
    if (n < 2) {
        return;
    }
    const std::vector<int> order = polishOrder(n, [this](qsizetype i) {
        return nameBytes(m_lines.at(i));
    });
    QList<QByteArray> sorted;
    sorted.reserve(n);
    int newPosition = position ? *position : -1;
    for (qsizetype i = 0; i < n; ++i) {
        const int from = order[static_cast<size_t>(i)];
        sorted.append(m_lines.at(from));
        if (position && from == *position) {
            newPosition = static_cast<int>(i);
        }
    }
    m_lines = std::move(sorted);
    if (position) {
        *position = newPosition;
    }
}

bool ContactList::newIdentifier(QString *id, QString *error) const
{
    QStringList ids;
    if (!newIdentifiers(1, &ids, error)) {
        return false;
    }
    *id = ids.constFirst();
    return true;
}

bool ContactList::newIdentifiers(int count, QStringList *ids, QString *error) const
{
    std::vector<int> values;
    if (!newIdentifierValues(count, &values, error)) {
        return false;
    }
    QStringList found;
    found.reserve(count);
    for (const int value : values) {
        found.append(QString::number(value));
    }
    *ids = std::move(found);
    return true;
}

bool ContactList::newIdentifierValues(int count, std::vector<int> *ids, QString *error) const
{
    std::vector<bool> used(lastIdentifier + 1, false);
    int highest = -1;
    for (const QByteArray &line : m_lines) {
        if (const auto value = identifierValue(Contact::idOf(line))) {
            used[static_cast<size_t>(*value)] = true;
            highest = std::max(highest, *value);
        }
    }
    for (const int value : m_reserved) {
        if (value >= 0 && value <= lastIdentifier) {
            used[static_cast<size_t>(value)] = true;
        }
    }
    int candidate = firstIdentifier;
    if (!m_lines.isEmpty()) {
        const auto last = identifierValue(Contact::idOf(m_lines.constLast()));
        // A last line without a number gives no place to go on from; the highest number does.
        candidate = (last ? *last : std::max(highest, firstIdentifier - 1)) + 1;
    }
    // Past 99999 the search goes on once from the lowest identifier.
    bool wrapped = false;
    std::vector<int> found;
    found.reserve(static_cast<size_t>(std::max(count, 0)));
    while (static_cast<qsizetype>(found.size()) < count) {
        if (candidate > lastIdentifier) {
            if (wrapped) {
                if (error) {
                    *error = QStringLiteral("Nie można dodać kontaktu: wszystkie identyfikatory od %1 do %2 są zajęte.")
                                 .arg(firstIdentifier)
                                 .arg(lastIdentifier);
                }
                return false;
            }
            wrapped = true;
            candidate = firstIdentifier;
        }
        if (!used[static_cast<size_t>(candidate)]) {
            used[static_cast<size_t>(candidate)] = true;
            found.push_back(candidate);
        }
        ++candidate;
    }
    *ids = std::move(found);
    return true;
}
