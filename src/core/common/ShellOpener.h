#pragma once

#include <QString>
#include <QUrl>

// The desktop's "open" and "edit" verbs: a web page, a mail address, a local file.
class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    // Hands the address to the program the desktop associates with it; false when none took it.
    virtual bool open(const QUrl &url) = 0;
    // Opens a local file for editing (the desktop's editor for its type).
    virtual bool edit(const QString &path) = 0;
};
