#include "KeychainPasswordStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

// An unlock prompt of the keyring waits for the user; a keyring that never answers does not
// hold the program longer than this.
constexpr int jobTimeoutMs = 120 * 1000;

// The keyring's refusal in the user's language; the library's own texts are English.
QString refusal(int error)
{
    switch (error) {
    case QKeychain::AccessDeniedByUser:
        return QStringLiteral("Portfel haseł nie został odblokowany (odmówiono dostępu).");
    case QKeychain::AccessDenied:
        return QStringLiteral("Portfel haseł jest zablokowany albo nie pozwolił na zapis.");
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return QStringLiteral("Nie ma portfela haseł (Secret Service ani KWallet).");
    default:
        return QStringLiteral("Portfel haseł nie odpowiedział albo zgłosił błąd; hasło nie zostało zapisane.");
    }
}

} // namespace

KeychainPasswordStore::KeychainPasswordStore(QString service)
    : m_service(std::move(service))
{}

QString KeychainPasswordStore::key(const QString &address, const QString &user)
{
    return user + QLatin1Char('@') + address;
}

int KeychainPasswordStore::run(QKeychain::Job &job) const
{
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(jobTimeoutMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done) {
        // Clicks and keys wait: nothing the user does may start another job meanwhile.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!done) {
        m_available = false;
        return QKeychain::OtherError;
    }
    return job.error();
}

bool KeychainPasswordStore::available() const
{
    if (!m_available) {
        // A read of a key nobody writes: "not found" means a keyring answered.
        QKeychain::ReadPasswordJob probe(m_service);
        probe.setKey(QStringLiteral("probe"));
        const int error = run(probe);
        m_available = error == QKeychain::NoError || error == QKeychain::EntryNotFound;
    }
    return *m_available;
}

std::optional<QString> KeychainPasswordStore::read(const QString &address, const QString &user)
{
    if (!available()) {
        return std::nullopt;
    }
    QKeychain::ReadPasswordJob job(m_service);
    job.setKey(key(address, user));
    if (run(job) != QKeychain::NoError) {
        return std::nullopt;
    }
    return job.textData();
}

bool KeychainPasswordStore::write(const QString &address, const QString &user, const QString &password, QString *error)
{
    if (!available()) {
        if (error) {
            *error = QStringLiteral("Nie ma portfela haseł (Secret Service ani KWallet).");
        }
        return false;
    }
    QKeychain::WritePasswordJob job(m_service);
    job.setKey(key(address, user));
    job.setTextData(password);
    if (const int failure = run(job); failure != QKeychain::NoError) {
        if (error) {
            *error = refusal(failure);
        }
        return false;
    }
    return true;
}

void KeychainPasswordStore::remove(const QString &address, const QString &user)
{
    if (!available()) {
        return;
    }
    QKeychain::DeletePasswordJob job(m_service);
    job.setKey(key(address, user));
    run(job);
}
