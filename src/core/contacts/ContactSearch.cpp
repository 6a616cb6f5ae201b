#include "ContactSearch.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

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
    // Horspool's shifts, looked up by the raw byte at the window's end.
    const qsizetype m = m_needle.size();
    std::array<qsizetype, 256> foldedShift;
    foldedShift.fill(m);
    for (qsizetype i = 0; i + 1 < m; ++i) {
        foldedShift[static_cast<unsigned char>(m_needle[i])] = m - 1 - i;
    }
    const auto &upper = upperTable();
    for (int byte = 0; byte < 256; ++byte) {
        m_shift[byte] = foldedShift[upper[byte]];
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
    const auto *h = reinterpret_cast<const unsigned char *>(haystack.data());
    const auto *p = reinterpret_cast<const unsigned char *>(m_needle.constData());
    const unsigned char last = p[m - 1];
    for (qsizetype at = 0; at + m <= n;) {
        const unsigned char tail = h[at + m - 1];
        if (upper[tail] == last) {
            qsizetype i = 0;
            while (i < m - 1 && upper[h[at + i]] == p[i]) {
                ++i;
            }
            if (i == m - 1) {
                return true;
            }
        }
        at += m_shift[tail];
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
