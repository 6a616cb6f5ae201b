#pragma once

#include "core/telephony/TTAPILine.h"

#include <QObject>

// The dialling window as the line component sees it, recording what it was told.
class FakeDialingView final : public QObject, public DialingView
{
public:
    bool shown = false;
    int showCount = 0;
    int hideCount = 0;
    QString modemName;
    int modemNameCount = 0;

    void showDialing() override
    {
        shown = true;
        ++showCount;
    }
    void hideDialing() override
    {
        shown = false;
        ++hideCount;
    }
    bool isDialingShown() const override { return shown; }
    void setModemName(const QString &name) override
    {
        modemName = name;
        ++modemNameCount;
    }
    QObject *dialingObject() override { return this; }

protected:
    bool event(QEvent *e) override
    {
        TTAPILine *line = TTAPILine::instance();
        return (line && line->dialingWindowEvent(e)) || QObject::event(e);
    }
};
