#pragma once

#include "core/common/ShellOpener.h"

#include <QList>
#include <QTimer>

// Records what the program asked the desktop to open or edit.
class FakeShellOpener final : public ShellOpener
{
public:
    QList<QUrl> opened;
    QList<QString> edited;
    bool answer = true;
    // Takes it, then finds a moment later that nothing opens it (the desktop's opener failed).
    bool failsLater = false;

    bool open(const QUrl &url, std::function<void()> failedLater) override
    {
        opened.append(url);
        return take(std::move(failedLater));
    }
    bool edit(const QString &path, std::function<void()> failedLater) override
    {
        edited.append(path);
        return take(std::move(failedLater));
    }

private:
    bool take(std::function<void()> failedLater) const
    {
        if (answer && failsLater && failedLater) {
            QTimer::singleShot(0, std::move(failedLater));
        }
        return answer;
    }
};
