#include "DateText.h"

namespace {

const QDate &epoch()
{
    static const QDate day0(1899, 12, 30);
    return day0;
}

bool digitsAt(const QString &text, int from, int count, int *value)
{
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9') {
            return false;
        }
        v = v * 10 + (c - u'0');
    }
    *value = v;
    return true;
}

} // namespace

namespace DateText {

QDate parseDate(const QString &text)
{
    const QString t = FixedText::trimmed(text);
    if (t.size() != 10 || t.at(2) != u'.' || t.at(5) != u'.') {
        return {};
    }
    int day = 0;
    int month = 0;
    int year = 0;
    if (!digitsAt(t, 0, 2, &day) || !digitsAt(t, 3, 2, &month) || !digitsAt(t, 6, 4, &year) || year == 0) {
        return {};
    }
    const QDate date(year, month, day);
    if (!date.isValid() || toDay(date) == invalid) {
        return {};
    }
    return date;
}

bool isWithoutYear(const QString &text)
{
    const QString t = FixedText::trimmed(text);
    const QDate date = parseDate(t.size() == 5 ? t + u'.' + QString::number(noYear) : t);
    return date.isValid() && date.year() == noYear;
}

QString withoutYear(const QString &text)
{
    return isWithoutYear(text) ? FixedText::trimmed(text).left(5) : text;
}

int parse(const QString &text)
{
    const QDate date = parseDate(text);
    return date.isValid() ? toDay(date) : invalid;
}

int toDay(const QDate &date)
{
    return static_cast<int>(epoch().daysTo(date));
}

QDate fromDay(int day)
{
    return epoch().addDays(day);
}

QString toText(const QDate &date)
{
    if (!date.isValid()) {
        return {};
    }
    const int year = date.year();
    if (year >= 0 && year <= 9999) {
        // "dd.MM.yyyy" by hand: reading a file of thousands of dates does this for each.
        const int day = date.day();
        const int month = date.month();
        const char16_t text[10] = {char16_t(u'0' + day / 10),
                                   char16_t(u'0' + day % 10),
                                   u'.',
                                   char16_t(u'0' + month / 10),
                                   char16_t(u'0' + month % 10),
                                   u'.',
                                   char16_t(u'0' + year / 1000),
                                   char16_t(u'0' + year / 100 % 10),
                                   char16_t(u'0' + year / 10 % 10),
                                   char16_t(u'0' + year % 10)};
        return QString(reinterpret_cast<const QChar *>(text), 10);
    }
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString fromDayToText(int day)
{
    return toText(fromDay(day));
}

} // namespace DateText

namespace FixedText {

QString padToWidth(const QString &text, int width)
{
    if (text.size() >= width) {
        return text.left(width);
    }
    return text + QString(width - text.size(), QLatin1Char(' '));
}

QString twoDigits(int number)
{
    return number <= 9 ? QStringLiteral("0") + QString::number(number) : QString::number(number);
}

QString swapNameOrder(const QString &text)
{
    const QString t = trimmed(text);
    const int blank = t.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        return t + QLatin1Char(' ');
    }
    return t.mid(blank + 1) + QLatin1Char(' ') + t.left(blank + 1);
}

QString trimmed(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20) {
        ++begin;
    }
    while (end > begin && text.at(end - 1).unicode() <= 0x20) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QByteArrayView trimmedBytes(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && static_cast<unsigned char>(bytes.front()) <= 0x20) {
        bytes = bytes.sliced(1);
    }
    while (!bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) <= 0x20) {
        bytes.chop(1);
    }
    return bytes;
}

} // namespace FixedText
