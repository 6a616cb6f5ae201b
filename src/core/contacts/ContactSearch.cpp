#include "ContactSearch.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <cstring>

const std::array<unsigned char, 256> &ContactSearch::upperTable()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int byte = 0; byte < 256; ++byte) {
            t[byte] = static_cast<unsigned char>(byte);
            const QString upper = QString(Cp1250::decodeByte(static_cast<unsigned char>(byte))).toUpper();
            if (upper.size() == 1) {
                const int folded = Cp1250::encodeChar(upper.at(0));
                if (folded >= 0) {
                    t[byte] = static_cast<unsigned char>(folded);
                }
            }
        }
        return t;
    }();
    return table;
}

QByteArray ContactSearch::fold(const QString &text)
{
    if (!Cp1250::canEncode(text)) {
        return {};
    }
    QByteArray bytes = Cp1250::encode(text);
    const auto &upper = upperTable();
    for (char &c : bytes) {
        c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
    }
    return bytes;
}

ContactSearch::Matcher::Matcher(QByteArray foldedNeedle)
    : m_needle(std::move(foldedNeedle))
{
    // Candidates are found by the raw bytes that fold to the needle's first byte; the C
    // library's byte search runs far faster than any loop over folded bytes.
    if (!m_needle.isEmpty()) {
        const auto &upper = upperTable();
        const unsigned char first = static_cast<unsigned char>(m_needle.at(0));
        for (int byte = 0; byte < 256; ++byte) {
            if (upper[byte] == first) {
                m_firstBytes.append(static_cast<char>(byte));
            }
        }
    }
}

bool ContactSearch::Matcher::occursIn(QByteArrayView haystack) const
{
    const qsizetype m = m_needle.size();
    const qsizetype n = haystack.size();
    if (m == 0 || m > n) {
        return false;
    }
    const auto &upper = upperTable();
    const auto *needle = reinterpret_cast<const unsigned char *>(m_needle.constData());
    const char *const lastStart = haystack.data() + (n - m);
    for (const char first : m_firstBytes) {
        const char *at = haystack.data();
        while (at <= lastStart) {
            at = static_cast<const char *>(std::memchr(at, first, static_cast<size_t>(lastStart - at + 1)));
            if (!at) {
                break;
            }
            const auto *h = reinterpret_cast<const unsigned char *>(at);
            qsizetype i = 1;
            while (i < m && upper[h[i]] == needle[i]) {
                ++i;
            }
            if (i == m) {
                return true;
            }
            ++at;
        }
    }
    return false;
}

void ContactSearch::dialogShown()
{
    m_last = QLatin1String(openedMarker);
}

int ContactSearch::findNext(const ContactList &list, const QString &text)
{
    const QString wanted = FixedText::trimmed(text);
    if (wanted != m_last) {
        m_next = 0;
    }
    m_last = wanted;
    const Matcher matcher(fold(wanted));
    {
        for (int position = std::max(m_next, 0); position < list.count(); ++position) {
            const QByteArray &line = list.line(position);
            if (line.size() > firstColumn && matcher.occursIn(QByteArrayView(line).sliced(firstColumn))) {
                m_next = position + 1;
                return position;
            }
        }
    }
    m_last = QLatin1String(exhaustedMarker);
    return -1;
}
