#include "PackedContact.h"

#include "core/common/Cp1250.h"

#include <cstring>

// A bit a column in Builder::m_added; the columns' widths add up to the line's length.
static_assert(Contact::fieldCount <= 32);

PackedContact PackedContact::Builder::take() const
{
    PackedContact packed;
    packed.m_bytes = QByteArray(m_bytes, m_end - m_bytes);
    return packed;
}

QByteArrayView PackedContact::field(int column) const
{
    const char *p = m_bytes.constData();
    const char *end = p + m_bytes.size();
    while (p < end) {
        const int at = static_cast<unsigned char>(p[0]);
        const int length = static_cast<unsigned char>(p[1]);
        if (at == column) {
            return QByteArrayView(p + 2, length);
        }
        p += 2 + length;
    }
    return {};
}

QByteArray PackedContact::line() const
{
    QByteArray line;
    fillLine(&line);
    return line;
}

void PackedContact::fillLine(QByteArray *line) const
{
    line->resize(Contact::lineLength);
    char *out = line->data();
    std::memset(out, ' ', Contact::lineLength);
    const char *p = m_bytes.constData();
    const char *end = p + m_bytes.size();
    while (p < end) {
        const int column = static_cast<unsigned char>(p[0]);
        const int length = static_cast<unsigned char>(p[1]);
        std::memcpy(out + Contact::columns()[column].start, p + 2, static_cast<size_t>(length));
        p += 2 + length;
    }
}

PackedContact PackedContact::fromContact(const Contact &contact)
{
    Builder builder;
    const auto &columns = Contact::columns();
    for (int i = 0; i < Contact::fieldCount; ++i) {
        const QString &value = contact.*columns[i].field;
        if (value.isEmpty()) {
            continue;
        }
        char *out = builder.reserve(i);
        const qsizetype length = std::min<qsizetype>(value.size(), columns[i].width);
        const QChar *chars = value.constData();
        for (qsizetype k = 0; k < length; ++k) {
            const int b = Cp1250::encodeChar(chars[k]);
            out[k] = static_cast<char>(b < 0 ? '?' : b);
        }
        builder.commit(length);
    }
    return builder.take();
}
