#include "FakePrompter.h"

Prompter::Answer FakePrompter::messageBox(QWidget *, const QString &text, const QString &caption, unsigned flags)
{
    boxes.append({text, caption, flags});
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
