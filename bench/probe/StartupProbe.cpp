// The organiser's start over a data folder, in a process of its own so that the benchmarks can
// read its peak memory and time: the main object is made as the program makes it (settings, tray
// icon, the start-up reminder), and the process ends before the main loop would run.
#include "platform/sim/SimServices.h"
#include "widgets/shell/TForm_Main.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SimServices sim(QString::fromLocal8Bit(argv[1]));
    TForm_Main main(sim.services);
    return main.trayIconIndex() >= 0 ? 0 : 1;
}
