#pragma once

#include "core/common/Prompter.h"
#include "core/common/ShellOpener.h"

// Message boxes as QMessageBox, beeps as the desktop's bell.
class QtPrompter final : public Prompter
{
public:
    void beep(Beep type = Exclamation) override;
    Answer messageBox(QWidget *parent, const QString &text, const QString &caption, unsigned flags) override;
    int choose(QWidget *parent,
               const QString &text,
               const QString &caption,
               const QStringList &buttons,
               unsigned flags) override;
};

// The desktop's handlers for web pages, mail addresses and files.
class DesktopShellOpener final : public ShellOpener
{
public:
    bool open(const QUrl &url) override;
    bool edit(const QString &path) override;
};
