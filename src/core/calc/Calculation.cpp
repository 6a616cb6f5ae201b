#include "Calculation.h"

#include "core/common/DateText.h"

#include <algorithm>
#include <cmath>

namespace Calculation {

int effectiveRate(int rate, int fallback)
{
    return rate <= -100 ? fallback : std::min(rate, maxRate);
}

int validCategory(int index)
{
    return index >= 0 && index < categoryCount ? index : 0;
}

Category category(int index, int vat1, int vat2)
{
    switch (index) {
    case 1:
        return {QStringLiteral("Długość - cm"),
                {QStringLiteral("centymetry"), QStringLiteral("cale"), QStringLiteral("stopy")},
                {1, 0.3937, 0.0328083989}};
    case 2:
        return {QStringLiteral("Długość -   m"),
                {QStringLiteral("metry"), QStringLiteral("stopy"), QStringLiteral("jardy")},
                {1, 3.2808, 1.0989}};
    case 3:
        return {QStringLiteral("Długość - km"),
                {QStringLiteral("kilometry"), QStringLiteral("mile lądowe"), QStringLiteral("mile morskie")},
                {1, 0.62137, 0.53961}};
    case 4:
        return {QStringLiteral("Miary masy"),
                {QStringLiteral("kilogramy"), QStringLiteral("funty"), QStringLiteral("uncje")},
                {1, 2.2222, 3.4211}};
    default:
        return {QStringLiteral("Obliczenia VAT"),
                {QStringLiteral("Bez VAT"), QStringLiteral("VAT %1%").arg(vat1), QStringLiteral("VAT %1%").arg(vat2)},
                {1, vat1 / 100.0 + 1, vat2 / 100.0 + 1}};
    }
}

qint64 toHundredths(double value)
{
    const double scaled = std::round(value * 100);
    // Far beyond anything ten typed characters can reach, but never undefined.
    constexpr double limit = 9.0e17;
    if (std::isnan(scaled)) {
        return 0;
    }
    return static_cast<qint64>(std::clamp(scaled, -limit, limit));
}

qint64 convert(qint64 hundredths, double fromFactor, double toFactor)
{
    return toHundredths(hundredths / 100.0 * (toFactor / fromFactor));
}

QString taxText(qint64 hundredths)
{
    const qint64 magnitude = hundredths < 0 ? -hundredths : hundredths;
    return (hundredths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 100) + QLatin1Char(',')
           + FixedText::twoDigits(static_cast<int>(magnitude % 100));
}

} // namespace Calculation

namespace CalcNumber {

namespace {

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F);
}

// Digits with at most one separator and two decimals, optionally led by a minus; the separator
// is any of `separators`. Fills sign, whole and decimals on success.
bool split(const QString &text, const QString &separators, bool *negative, QString *whole, QString *decimals)
{
    int i = 0;
    *negative = false;
    if (i < text.size() && text.at(i) == u'-') {
        *negative = true;
        ++i;
    }
    whole->clear();
    decimals->clear();
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= u'0' && c <= u'9') {
            (separatorSeen ? decimals : whole)->append(c);
        } else if (!separatorSeen && separators.contains(c)) {
            separatorSeen = true;
        } else {
            return false;
        }
    }
    return decimals->size() <= 2;
}

} // namespace

qint64 parse(const QString &text, const QLocale &locale)
{
    const QString group = locale.groupSeparator();
    const QString decimal = locale.decimalPoint();
    QString t;
    for (const QChar c : text) {
        if (isBlank(c) || (group.size() == 1 && c == group.at(0) && group != decimal)) {
            continue;
        }
        t.append(c);
    }
    QString separators = decimal;
    for (const QChar c : {QChar(u','), QChar(u'.')}) {
        if (QString(c) != group) {
            separators.append(c);
        }
    }
    bool negative = false;
    QString whole;
    QString decimals;
    if (!split(t, separators, &negative, &whole, &decimals) || (whole.isEmpty() && decimals.isEmpty())) {
        return 0;
    }
    if (whole.size() > 15) {
        return 0;
    }
    const qint64 value = whole.toLongLong() * 100 + (decimals + QStringLiteral("00")).left(2).toLongLong();
    return negative ? -value : value;
}

QString format(qint64 hundredths, bool grouped, const QLocale &locale)
{
    if (hundredths == 0) {
        return {};
    }
    const qint64 magnitude = hundredths < 0 ? -hundredths : hundredths;
    QString whole = QString::number(magnitude / 100);
    if (grouped) {
        // Every three digits, as the system's number format groups; Qt's own grouping of some
        // locales leaves the leading four digits together ("1234 567").
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3) {
            whole.insert(at, locale.groupSeparator());
        }
    }
    QString text = (hundredths < 0 ? QStringLiteral("-") : QString()) + whole;
    const qint64 cents = magnitude % 100;
    if (cents != 0) {
        QString decimals = FixedText::twoDigits(static_cast<int>(cents));
        if (decimals.endsWith(u'0')) {
            decimals.chop(1);
        }
        text += locale.decimalPoint() + decimals;
    }
    return text;
}

bool isTypable(const QString &text, const QLocale &locale)
{
    bool negative = false;
    QString whole;
    QString decimals;
    return text.size() <= maxTypedLength && split(text, locale.decimalPoint(), &negative, &whole, &decimals);
}

} // namespace CalcNumber
