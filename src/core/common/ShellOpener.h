#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The desktop's "open" and "edit" verbs: a web page, a mail address, a local file.
class ShellOpener
{
public:
    virtual ~ShellOpener() = default;
    // Hands the address to the program the desktop associates with it; false when none took it.
    // Where the desktop learns only later that nothing could open it, failedLater runs then, once.
    virtual bool open(const QUrl &url, std::function<void()> failedLater = {}) = 0;
    // Opens a local file for editing (the desktop's editor for its type), as open() does.
    virtual bool edit(const QString &path, std::function<void()> failedLater = {}) = 0;
};
