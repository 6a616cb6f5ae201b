#include "XdgShellOpener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool run(const QUrl &url, std::function<void()> failedLater)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return QDesktopServices::openUrl(url);
    }
    // The opener may wait for the program it started (a browser run in the foreground); that
    // program outlives this one, which at its end stops only the opener. Their messages go where
    // this program's go.
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProgram(opener);
    process->setArguments({url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(
        process, &QProcess::finished, process, [process, failedLater](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            if ((status != QProcess::NormalExit || exitCode != 0) && failedLater) {
                failedLater();
            }
        });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, failedLater](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            process->deleteLater();
            if (failedLater) {
                failedLater();
            }
        }
    });
    process->start();
    return true;
}

} // namespace

bool XdgShellOpener::open(const QUrl &url, std::function<void()> failedLater)
{
    return run(url, std::move(failedLater));
}

bool XdgShellOpener::edit(const QString &path, std::function<void()> failedLater)
{
    return run(QUrl::fromLocalFile(path), std::move(failedLater));
}
