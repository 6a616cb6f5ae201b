#pragma once

#include <QString>

#include <optional>

// The desktop's keyring, or nothing: a sync password is kept only where the user allowed it and
// never in the settings file or a log.
class PasswordStore
{
public:
    virtual ~PasswordStore() = default;
    // False when no keyring answers; the password is then asked once per run and kept in memory.
    virtual bool available() const = 0;
    // The stored password of this user at this address, if any.
    virtual std::optional<QString> read(const QString &address, const QString &user) = 0;
    [[nodiscard]] virtual bool
    write(const QString &address, const QString &user, const QString &password, QString *error) = 0;
    virtual void remove(const QString &address, const QString &user) = 0;
};
