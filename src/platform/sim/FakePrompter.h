#pragma once

#include "core/common/Prompter.h"

#include <QList>

// Records every beep and box; answers boxes from a script, then Cancel (or No for Yes/No boxes), and
// questions with buttons of their own from another, then with the last button.
class FakePrompter final : public Prompter
{
public:
    struct Box
    {
        QString text;
        QString caption;
        unsigned flags = 0;
        QStringList buttons; // of a choose() question
    };
    QList<Beep> beeps;
    QList<Box> boxes;
    QList<Answer> answers;
    QList<int> choices; // for choose(): consumed in order; the last button once empty

    void beep(Beep type = Exclamation) override { beeps.append(type); }
    Answer messageBox(QWidget *parent, const QString &text, const QString &caption, unsigned flags) override;
    int choose(QWidget *parent,
               const QString &text,
               const QString &caption,
               const QStringList &buttons,
               unsigned flags) override;

    void clear()
    {
        beeps.clear();
        boxes.clear();
    }
};
