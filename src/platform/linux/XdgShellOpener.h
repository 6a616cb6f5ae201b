#pragma once

#include "core/common/ShellOpener.h"

// The desktop's opener, xdg-open, for web pages, mail addresses and files. It starts the program
// the desktop associates with the address and returns at once; when it ends in failure (no
// browser, no mail program), failedLater runs. Without xdg-open the toolkit's own search is used.
class XdgShellOpener final : public ShellOpener
{
public:
    bool open(const QUrl &url, std::function<void()> failedLater = {}) override;
    bool edit(const QString &path, std::function<void()> failedLater = {}) override;
};
