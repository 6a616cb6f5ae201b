#pragma once

#include "core/sync/PasswordStore.h"

#include <QMap>

// A keyring in memory; `present` false plays a desktop without one.
class MemoryPasswordStore final : public PasswordStore
{
public:
    bool present = true;
    QMap<QString, QString> passwords; // by "user@address"
    int writes = 0;
    QString refusal; // not empty: a locked keyring, which refuses every write with this text

    bool available() const override { return present; }
    std::optional<QString> read(const QString &address, const QString &user) override
    {
        const auto it = passwords.constFind(user + QLatin1Char('@') + address);
        return present && it != passwords.cend() ? std::optional<QString>(*it) : std::nullopt;
    }
    bool write(const QString &address, const QString &user, const QString &password, QString *error) override
    {
        if (!present) {
            if (error) {
                *error = QStringLiteral("no keyring");
            }
            return false;
        }
        if (!refusal.isEmpty()) {
            if (error) {
                *error = refusal;
            }
            return false;
        }
        ++writes;
        passwords.insert(user + QLatin1Char('@') + address, password);
        return true;
    }
    void remove(const QString &address, const QString &user) override
    {
        passwords.remove(user + QLatin1Char('@') + address);
    }
};
