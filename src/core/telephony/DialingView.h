#pragma once

#include <QString>

class QObject;

// What the line component needs of its dialling window. The window itself is a widget; the component
// only shows and hides it and names the modem in it.
class DialingView
{
public:
    virtual ~DialingView() = default;
    virtual void showDialing() = 0;
    virtual void hideDialing() = 0;
    virtual bool isDialingShown() const = 0;
    virtual void setModemName(const QString &name) = 0;
    // The window as an object: the sender of OnNewData and the receiver of the watcher's messages,
    // which it hands to TTAPILine::dialingWindowEvent.
    virtual QObject *dialingObject() = 0;
};
