#include "PocketCalculator.h"

namespace {
constexpr int maxDigits = 15;
}

PocketCalculator::PocketCalculator(double start)
    : m_entry(plain(start))
    , m_accumulator(start)
{}

QString PocketCalculator::plain(double value)
{
    if (value == 0) {
        return QStringLiteral("0");
    }
    return QString::number(value, 'g', 12);
}

void PocketCalculator::digit(int d)
{
    if (m_fresh) {
        m_entry = QStringLiteral("0");
        m_fresh = false;
    }
    int digits = 0;
    for (const QChar c : m_entry) {
        digits += c.isDigit() ? 1 : 0;
    }
    if (digits >= maxDigits) {
        return;
    }
    const bool negative = m_entry.startsWith(u'-');
    if (m_entry == QStringLiteral("0") || m_entry == QStringLiteral("-0")) {
        m_entry = (negative ? QStringLiteral("-") : QString()) + QString::number(d);
    } else {
        m_entry += QString::number(d);
    }
}

void PocketCalculator::point()
{
    if (m_fresh) {
        m_entry = QStringLiteral("0");
        m_fresh = false;
    }
    if (!m_entry.contains(u'.') && !m_entry.contains(u'e')) {
        m_entry += u'.';
    }
}

bool PocketCalculator::applyPending()
{
    const double operand = m_entry.toDouble();
    double result = operand;
    switch (m_pending) {
    case None:
        break;
    case Add:
        result = m_accumulator + operand;
        break;
    case Subtract:
        result = m_accumulator - operand;
        break;
    case Multiply:
        result = m_accumulator * operand;
        break;
    case Divide:
        if (operand == 0) {
            return false;
        }
        result = m_accumulator / operand;
        break;
    }
    m_accumulator = result;
    m_entry = plain(result);
    return true;
}

bool PocketCalculator::operation(Operation op)
{
    // A second operator in a row only replaces the first.
    if (!(m_fresh && m_pending != None) && !applyPending()) {
        return false;
    }
    m_pending = op;
    m_fresh = true;
    return true;
}

bool PocketCalculator::equals()
{
    if (!applyPending()) {
        return false;
    }
    m_pending = None;
    m_fresh = true;
    return true;
}

void PocketCalculator::negate()
{
    if (m_entry.startsWith(u'-')) {
        m_entry.remove(0, 1);
    } else if (m_entry != QStringLiteral("0")) {
        m_entry.prepend(u'-');
    }
    if (m_fresh && m_pending == None) {
        m_accumulator = m_entry.toDouble();
    }
}

void PocketCalculator::backspace()
{
    if (m_fresh) {
        return;
    }
    m_entry.chop(1);
    if (m_entry.isEmpty() || m_entry == QStringLiteral("-")) {
        m_entry = QStringLiteral("0");
    }
}

void PocketCalculator::clear()
{
    m_entry = QStringLiteral("0");
    m_accumulator = 0;
    m_pending = None;
    m_fresh = true;
}

double PocketCalculator::value() const
{
    return m_entry.toDouble();
}

QString PocketCalculator::displayText(const QLocale &locale) const
{
    QString text = m_entry;
    text.replace(u'.', locale.decimalPoint());
    return text;
}
