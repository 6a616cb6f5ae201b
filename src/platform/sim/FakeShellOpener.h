#pragma once

#include "core/common/ShellOpener.h"

#include <QList>

// Records what the program asked the desktop to open or edit.
class FakeShellOpener final : public ShellOpener
{
public:
    QList<QUrl> opened;
    QList<QString> edited;
    bool answer = true;

    bool open(const QUrl &url) override
    {
        opened.append(url);
        return answer;
    }
    bool edit(const QString &path) override
    {
        edited.append(path);
        return answer;
    }
};
