#pragma once

#include "core/sync/PasswordStore.h"

#include <optional>

namespace QKeychain {
class Job;
}

// The sync password in the desktop's keyring (Secret Service or KWallet) through QtKeychain, under
// the service "Morwinek" and the key "user@address". Never falls back to a plain file: with no
// keyring it is not available. The keyring's jobs are waited for in a local event loop.
class KeychainPasswordStore final : public PasswordStore
{
public:
    explicit KeychainPasswordStore(QString service = QStringLiteral("Morwinek"));

    bool available() const override;
    std::optional<QString> read(const QString &address, const QString &user) override;
    [[nodiscard]] bool
    write(const QString &address, const QString &user, const QString &password, QString *error) override;
    void remove(const QString &address, const QString &user) override;

private:
    // Runs the job to its end; its error code. A keyring that does not answer in time is taken
    // for none from then on, as its queue of jobs is stuck.
    int run(QKeychain::Job &job) const;
    static QString key(const QString &address, const QString &user);

    QString m_service;
    mutable std::optional<bool> m_available; // asked once
};
