#include "AgendaCommand.h"

#include "core/alarms/Agenda.h"
#include "core/common/Clock.h"
#include "core/common/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace AgendaCommand {

int run(int argc, char *argv[], const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    const QString dataDir = DataFolder::choose(commandLine.dataDir, QCoreApplication::applicationDirPath());
    // A mistyped folder would read as one without appointments.
    if (!QDir(dataDir).exists()) {
        QTextStream(stderr) << QStringLiteral("Folder danych %1 nie istnieje.").arg(QDir::toNativeSeparators(dataDir))
                            << Qt::endl;
        return 1;
    }
    QStringList lines;
    QString error;
    const bool ok = Agenda::lines(dataDir, SystemClock().today(), commandLine.agendaDays, &lines, &error);
    QTextStream out(stdout);
    for (const QString &line : lines) {
        out << line << '\n';
    }
    out.flush();
    if (!ok) {
        QTextStream(stderr) << QStringLiteral("morwinek: ") << error << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace AgendaCommand
