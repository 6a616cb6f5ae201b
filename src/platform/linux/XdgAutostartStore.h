#pragma once

#include "core/common/Autostart.h"

// The start-at-login entry as an XDG autostart desktop file, $XDG_CONFIG_HOME/autostart/Morwinek.desktop.
// An entry marked Hidden=true counts as absent, as desktops treat it.
class XdgAutostartStore final : public AutostartStore
{
public:
    // configHome empty: $XDG_CONFIG_HOME, or ~/.config when that is unset or not absolute.
    explicit XdgAutostartStore(QString configHome = {});

    std::optional<QString> read() const override;
    bool write(const QString &executablePath) override;
    bool remove() override;

    QString filePath() const;

    // The Exec= value that starts exactly this program file, and the way back.
    static QString execValue(const QString &executablePath);
    static std::optional<QString> programFromExec(const QString &value);

private:
    QString m_configHome;
};
