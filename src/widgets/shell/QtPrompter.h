#pragma once

#include "core/common/Prompter.h"

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
