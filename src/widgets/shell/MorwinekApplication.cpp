#include "MorwinekApplication.h"

#include <exception>

MorwinekApplication::MorwinekApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{}

bool MorwinekApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        if (errorDisplay) {
            errorDisplay(QString::fromLocal8Bit(e.what()));
        }
    } catch (...) {
        if (errorDisplay) {
            errorDisplay(QStringLiteral("Nieznany błąd"));
        }
    }
    return false;
}
