#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

// Decodes a contact's photo on a thread of its own, so that a slow or hostile picture never stops
// the window. Only the latest request is answered: a newer one cancels the older, whose result is
// dropped; one that takes longer than the time limit is cancelled and answered with a failure.
class PhotoLoader final : public QObject
{
    Q_OBJECT
public:
    // Runs on the worker thread; *cancel set means give up soon.
    using Decoder = std::function<bool(
        const QString &path, QSize view, QImage *image, QString *error, const std::atomic_bool *cancel)>;

    explicit PhotoLoader(QObject *parent = nullptr);
    ~PhotoLoader() override; // cancels; a worker still running drops its result

    void load(const QString &path, QSize view);
    // Nothing more is reported for the pending request.
    void cancel();
    bool isLoading() const { return m_timer.isActive(); }

    Decoder decoder;        // the photo file's decoder (PhotoStore::load); copied into each worker
    int timeLimitMs = 5000; // longer than any real photo takes

signals:
    void loaded(const QImage &picture);
    void failed(const QString &reason);

private:
    struct Mailbox;
    void finish(quint64 request, bool ok, const QImage &picture, const QString &reason);

    std::shared_ptr<Mailbox> m_mailbox;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_request = 0;
    QTimer m_timer;
};
