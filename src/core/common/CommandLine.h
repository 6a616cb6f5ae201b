#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line. Every option is one row of the table
// in CommandLine.cpp (name, value, help text, what it sets), so a new option is one row there
// plus, when it needs one, a field here.
struct CommandLine
{
    enum Action
    {
        Run,     // start the organiser
        Help,    // print the usage text and end
        Version, // print the version and end
        Invalid  // print errorText and end with a failure
    };

    Action action = Run;
    // The folder for the data files given with --data-dir, absolute; empty when none was given.
    QString dataDir;
    // Export and import asked for with --export-vcard, --export-csv, --export-ics and --import,
    // in the order given. When there are any, they run without a window instead of the organiser.
    struct Exchange
    {
        enum Kind
        {
            ExportVCard,
            ExportCsv,
            ExportCalendar,
            Import
        };
        Kind kind;
        QString file;
    };
    QList<Exchange> exchange;
    // --sync: one two-way sync with the server of the settings, without a window.
    bool sync = false;
    // With --sync, the answer to a sync that would delete many items here, or all that the server
    // lost at once: --delete-here (or the older --allow-deletions) deletes them here, --send-back
    // keeps them and sends them back to the server. Without either such a sync stops.
    bool deleteHere = false;
    bool sendBack = false;
    // --allow-copy with --sync: the book is sent into a newly chosen collection that holds items.
    bool allowCopy = false;
    // --restore-deleted: brings back what syncs deleted here in the last 30 days, without a window.
    bool restoreDeleted = false;
    // --agenda [DAYS]: the coming days printed, without a window; 0 when not asked for. DAYS is
    // defaultAgendaDays when not given and at most maxAgendaDays, a year, as the agenda takes.
    int agendaDays = 0;
    static constexpr int defaultAgendaDays = 7;
    static constexpr int maxAgendaDays = 366;
    // Why the arguments were refused (Polish), when action is Invalid.
    QString errorText;

    // arguments without the program's own name. Arguments that do not begin with "--" are left
    // to the toolkit (-platform, -display and their values) and ignored here.
    static CommandLine parse(const QStringList &arguments);
    // The arguments that start this copy again the same way (--data-dir and its folder).
    QStringList startArguments() const;

    // For every action but Run: prints the help, the version or the mistake and gives the exit code.
    int report() const;

    static QString helpText();
    static QString versionText();
};
