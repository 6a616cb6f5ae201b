#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The log of one direct-access script run: one line per event, written out whole at the end.
class TLogFile
{
public:
    // "dd.MM.yyyy hh:mm:ss - event: data", without ": data" when data is empty.
    void AddEntry(const QDateTime &now, const QString &event, const QString &data);
    // Replaces the file with every line, each ended by CR LF; false with the system's text on failure.
    [[nodiscard]] bool SaveTo(const QString &path, QString *error) const;
    const QList<QString> &lines() const { return m_lines; }

    // The program's date, a blank, and the user's long time format.
    static QString dateTimeText(const QDateTime &now);

private:
    QList<QString> m_lines;
};
