#pragma once

#include <QApplication>

#include <functional>

// The application object. An error that escapes the handling of an event is shown in a box and the
// program goes on; handlers are expected to catch their own errors, this is the last safety net.
class MorwinekApplication : public QApplication
{
    Q_OBJECT
public:
    MorwinekApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the text of an error that reached the event loop.
    std::function<void(const QString &)> errorDisplay;
};
