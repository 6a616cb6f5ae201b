#pragma once

#include "core/common/Prompter.h"

#include <QList>

// Records every beep and box; answers boxes from a script, then Cancel (or No for Yes/No boxes).
class FakePrompter final : public Prompter
{
public:
    struct Box
    {
        QString text;
        QString caption;
        unsigned flags = 0;
    };
    QList<Beep> beeps;
    QList<Box> boxes;
    QList<Answer> answers;

    void beep(Beep type = Exclamation) override { beeps.append(type); }
    Answer messageBox(QWidget *parent, const QString &text, const QString &caption, unsigned flags) override;

    void clear()
    {
        beeps.clear();
        boxes.clear();
    }
};
