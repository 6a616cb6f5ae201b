#include "PhotoLoader.h"

#include "core/contacts/PhotoStore.h"

#include <mutex>
#include <thread>

// What a worker reaches the loader through; emptied when the loader goes, so a late worker posts nothing.
struct PhotoLoader::Mailbox
{
    std::mutex mutex;
    PhotoLoader *owner = nullptr;
};

PhotoLoader::PhotoLoader(QObject *parent)
    : QObject(parent)
    , decoder(&PhotoStore::load)
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->owner = this;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        cancel();
        emit failed(QStringLiteral("Odczyt zdjęcia trwał zbyt długo (ponad %1 s).").arg((timeLimitMs + 999) / 1000));
    });
}

PhotoLoader::~PhotoLoader()
{
    cancel();
    // Events already posted by a worker go with this object; none can be posted after this.
    std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

void PhotoLoader::load(const QString &path, QSize view)
{
    cancel();
    m_cancel = std::make_shared<std::atomic_bool>(false);
    const quint64 request = ++m_request;
    m_timer.start(timeLimitMs);
    // Detached: a worker stuck in a slow read must not hold up the window, even when it closes.
    std::thread([mailbox = m_mailbox, cancel = m_cancel, decode = decoder, path, view, request] {
        QImage picture;
        QString reason;
        const bool ok = decode(path, view, &picture, &reason, cancel.get());
        std::lock_guard lock(mailbox->mutex);
        if (mailbox->owner && !cancel->load()) {
            PhotoLoader *owner = mailbox->owner;
            QMetaObject::invokeMethod(
                owner,
                [owner, request, ok, picture = std::move(picture), reason] {
                    owner->finish(request, ok, picture, reason);
                },
                Qt::QueuedConnection);
        }
    }).detach();
}

void PhotoLoader::cancel()
{
    m_timer.stop();
    if (m_cancel) {
        m_cancel->store(true);
        m_cancel.reset();
    }
}

void PhotoLoader::finish(quint64 request, bool ok, const QImage &picture, const QString &reason)
{
    if (request != m_request || !m_timer.isActive()) {
        return; // a newer photo was asked for, or this one was given up
    }
    m_timer.stop();
    m_cancel.reset();
    if (ok) {
        emit loaded(picture);
    } else {
        emit failed(reason);
    }
}
