#pragma once

#include <QLocale>
#include <QString>

// The four-function calculator that pops up beside a number field: digits, a decimal
// separator, + - * /, =, sign change, backspace and clear, evaluated left to right.
class PocketCalculator
{
public:
    enum Operation
    {
        None,
        Add,
        Subtract,
        Multiply,
        Divide
    };

    explicit PocketCalculator(double start = 0);

    void digit(int d);
    void point();
    // Applies the pending operation and makes `op` the next one. False for a division by zero,
    // which changes nothing.
    [[nodiscard]] bool operation(Operation op);
    [[nodiscard]] bool equals();
    void negate();
    void backspace();
    void clear();

    // The number on the display.
    double value() const;
    QString displayText(const QLocale &locale = QLocale()) const;

private:
    [[nodiscard]] bool applyPending();
    static QString plain(double value);

    QString m_entry = QStringLiteral("0"); // digits, at most one '.', optional leading '-'
    double m_accumulator = 0;
    Operation m_pending = None;
    bool m_fresh = true; // the next digit starts a new entry
};
