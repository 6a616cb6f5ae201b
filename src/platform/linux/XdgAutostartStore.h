#pragma once

#include "core/common/Autostart.h"

#include <QStringList>

// The start-at-login entry as an XDG autostart desktop file, $XDG_CONFIG_HOME/autostart/Morwinek.desktop.
// An entry marked Hidden=true counts as absent, as desktops treat it. The entry starts the program
// with this copy's arguments (a data folder); one with other arguments reads as an empty path, so
// it is never taken for this copy's entry.
class XdgAutostartStore final : public AutostartStore
{
public:
    // configHome empty: $XDG_CONFIG_HOME, or ~/.config when that is unset or not absolute.
    explicit XdgAutostartStore(QString configHome = {}, QStringList arguments = {});

    std::optional<QString> read() const override;
    bool write(const QString &executablePath) override;
    bool remove() override;

    QString filePath() const;

    // The Exec= value that starts exactly this program file, and the way back.
    static QString execValue(const QString &executablePath);
    static std::optional<QString> programFromExec(const QString &value);
    // Every argument of an Exec= value (program first); empty when it cannot be read.
    static QStringList argumentsFromExec(const QString &value);

private:
    QString command(const QString &executablePath) const;

    QString m_configHome;
    QStringList m_arguments;
};
