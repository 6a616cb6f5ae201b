#include "FakePrompter.h"

Prompter::Answer FakePrompter::messageBox(QWidget *, const QString &text, const QString &caption, unsigned flags)
{
    boxes.append({text, caption, flags, {}});
    if (!answers.isEmpty()) {
        return answers.takeFirst();
    }
    switch (flags & 0xF) {
    case MB_OK:
        return Ok;
    case MB_YESNO:
        return No;
    default:
        return Cancel;
    }
}

int FakePrompter::choose(
    QWidget *, const QString &text, const QString &caption, const QStringList &buttons, unsigned flags)
{
    boxes.append({text, caption, flags, buttons});
    if (!choices.isEmpty()) {
        return choices.takeFirst();
    }
    return static_cast<int>(buttons.size()) - 1;
}
