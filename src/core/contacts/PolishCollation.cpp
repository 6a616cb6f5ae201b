#include "PolishCollation.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

#include <algorithm>
#include <array>

namespace {

std::array<int, 256> buildWeights()
{
    std::array<int, 256> w{};
    for (int b = 0; b < 256; ++b) {
        w[b] = (b >= 'A' && b <= 'Z') ? 3 * (b + 32) : 3 * b;
    }
    // Polish letters, capital and small: one above the base letter, "ż" two above "z".
    const struct
    {
        int capital, small, weight;
    } polish[] = {
        {165, 185, 292}, // Ą ą
        {198, 230, 298}, // Ć ć
        {202, 234, 304}, // Ę ę
        {163, 179, 325}, // Ł ł
        {209, 241, 331}, // Ń ń
        {211, 243, 334}, // Ó ó
        {140, 156, 346}, // Ś ś
        {143, 159, 367}, // Ź ź
        {175, 191, 368}, // Ż ż
    };
    for (const auto &p : polish) {
        w[p.capital] = p.weight;
        w[p.small] = p.weight;
    }
    return w;
}

const std::array<int, 256> &weights()
{
    static const std::array<int, 256> table = buildWeights();
    return table;
}

std::array<unsigned char, 256> buildRanks()
{
    const std::array<int, 256> &w = weights();
    std::array<int, 256> sorted = w;
    std::sort(sorted.begin(), sorted.end());
    const auto distinctEnd = std::unique(sorted.begin(), sorted.end());
    std::array<unsigned char, 256> ranks{};
    for (int b = 0; b < 256; ++b) {
        ranks[b] = static_cast<unsigned char>(1 + (std::lower_bound(sorted.begin(), distinctEnd, w[b]) - sorted.begin()));
    }
    return ranks;
}

const std::array<unsigned char, 256> &ranks()
{
    static const std::array<unsigned char, 256> table = buildRanks();
    return table;
}

} // namespace

namespace PolishCollation {

unsigned char rank(unsigned char byte)
{
    return ranks()[byte];
}


int PorowZmienPL(unsigned char byte)
{
    return weights()[byte];
}

int PorownaniePL(QByteArrayView a, QByteArrayView b)
{
    a = FixedText::trimmedBytes(a);
    b = FixedText::trimmedBytes(b);
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const int wa = PorowZmienPL(static_cast<unsigned char>(a[i]));
        const int wb = PorowZmienPL(static_cast<unsigned char>(b[i]));
        if (wa != wb) {
            return wa < wb ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return 0;
}

int PorownaniePL(const QString &a, const QString &b)
{
    return PorownaniePL(QByteArrayView(Cp1250::encode(a)), QByteArrayView(Cp1250::encode(b)));
}

std::string sortKey(QByteArrayView name)
{
    std::string key(static_cast<size_t>(name.size()), '\0');
    key.resize(static_cast<size_t>(
        sortKey(name, reinterpret_cast<unsigned char *>(key.data()), static_cast<qsizetype>(key.size()))));
    return key;
}

qsizetype sortKey(QByteArrayView name, unsigned char *out, qsizetype room)
{
    const std::array<unsigned char, 256> &table = ranks();
    name = FixedText::trimmedBytes(name);
    const qsizetype length = std::min(name.size(), room);
    for (qsizetype i = 0; i < length; ++i) {
        out[i] = table[static_cast<unsigned char>(name[i])];
    }
    return length;
}

} // namespace PolishCollation
