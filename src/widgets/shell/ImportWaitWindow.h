#pragma once

#include <QDialog>

#include <functional>

class QTimer;

// Shown at start while a command-line import holds the data folder: the organiser cannot read the
// address book until the import has written it. Tries the lock every quarter second and closes by
// itself once it is taken; "Zakończ" (or closing the window) gives up the start instead.
class ImportWaitWindow : public QDialog
{
    Q_OBJECT
public:
    // tryLock: true once the folder is held.
    ImportWaitWindow(const QString &dataDir, std::function<bool()> tryLock, QWidget *parent = nullptr);

    // Waits with the window shown; false when the start was given up, before anything was read.
    bool wait();

    static QString message(const QString &dataDir);

private:
    void poll();

    std::function<bool()> m_tryLock;
    QTimer *m_timer = nullptr;
};
