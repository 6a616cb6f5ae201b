#pragma once

#include <QDate>
#include <QStringList>

// The Polish name-day calendar: one row per day of a leap year, "MM.dd", a blank, then up to
// six names, each in a slot of 12 columns. The calendar the program carries is built in.
class NameDays
{
public:
    static constexpr int slotStart = 6; // zero-based column of the first name
    static constexpr int slotWidth = 12;
    static constexpr int slotCount = 6;

    // The rows as given (UTF-8 text, one row per line).
    explicit NameDays(const QByteArray &text);
    // The calendar built into the program.
    static const NameDays &builtIn();

    const QStringList &rows() const { return m_rows; }

    // "MM.dd" of a date: the month, a full stop, the day.
    static QString keyOf(const QDate &date);
    // The names of a row: each slot trimmed, up to the first empty one.
    static QStringList namesOfRow(const QString &row);
    // The names of the first row whose first five columns are the key; none when no row has it.
    QStringList namesFor(const QString &key) const;
    // Today's names as the today panel shows them: joined with ", ".
    QString namesText(const QDate &date) const;

private:
    QStringList m_rows;
};
