#pragma once

#include <QList>
#include <QString>

#include <functional>

// What the appointments window did to stored appointments since the sync last looked: "record A
// became record B", or "record A was removed". An appointment line has no identifier, so this is
// how the sync knows that an edited appointment is the same event on the server, and patches it
// instead of deleting one event and making another. Kept in the data folder, ASCII lines, replaced
// whole; only while the data folder is synced (wanted() says so), so a book that never syncs
// carries no such file.
class AppointmentEdits
{
public:
    static constexpr char fileName[] = "Morwinek.zmiany";
    // The most kept; the oldest go first (a sync reads them long before).
    static constexpr int kept = 1000;

    struct Edit
    {
        QString before;
        QString after; // empty: removed
        bool operator==(const Edit &) const = default;
    };

    AppointmentEdits(QString dataDir, std::function<bool()> wanted);

    // Records one change; a failure to write is reported and never stops the save it follows.
    [[nodiscard]] bool record(const QString &before, const QString &after, QString *error) const;

    // Every edit recorded, oldest first; an unreadable file reads as none.
    static QList<Edit> read(const QString &dataDir);
    // Forgets the first count edits (those a sync took), keeping any recorded since.
    [[nodiscard]] static bool consume(const QString &dataDir, qsizetype count, QString *error);

private:
    QString m_dataDir;
    std::function<bool()> m_wanted;
};
