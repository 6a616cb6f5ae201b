#include "DesktopNotifier.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

AlarmWindow::AlarmWindow(const Notification &notification, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_Przypomnienie"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(notification.title);
    setMinimumWidth(400); // room for the whole title
    auto *layout = new QVBoxLayout(this);
    Label_Tresc = new QLabel(notification.body, this);
    Label_Tresc->setObjectName(QStringLiteral("Label_Tresc"));
    Label_Tresc->setTextFormat(Qt::PlainText);
    layout->addWidget(Label_Tresc);
    auto *buttons = new QHBoxLayout;
    const auto button = [&](const QString &name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    QPushButton *open = button(QStringLiteral("bOtworz"), Notifier::actionText(Notifier::Open));
    QPushButton *snooze = button(QStringLiteral("bPrzypomnij"), Notifier::actionText(Notifier::Snooze));
    QPushButton *closeButton = button(QStringLiteral("bZamknij"), QStringLiteral("&Zamknij"));
    layout->addLayout(buttons);
    connect(open, &QPushButton::clicked, this, [this] {
        emit chosen(Notifier::Open);
        close();
    });
    connect(snooze, &QPushButton::clicked, this, [this] {
        emit chosen(Notifier::Snooze);
        close();
    });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

DesktopNotifier::DesktopNotifier(Notifier *service, std::function<QSystemTrayIcon *()> tray, QObject *parent)
    : Notifier(parent)
    , m_service(service)
    , m_tray(std::move(tray))
{
    if (m_service) {
        connect(m_service, &Notifier::actionChosen, this, [this](quint32 id, Action action) {
            if (const quint32 ours = m_fromService.value(id)) {
                emit actionChosen(ours, action);
            }
        });
        // The service did not show it after all: the tray or a window does, under the same id.
        connect(m_service, &Notifier::notShown, this, [this](quint32 id, const Notification &notification) {
            if (const quint32 ours = m_fromService.take(id)) {
                showWithoutService(ours, notification);
            }
        });
    }
}

quint32 DesktopNotifier::show(const Notification &notification)
{
    const quint32 id = ++m_lastId;
    if (m_service) {
        if (const quint32 theirs = m_service->show(notification)) {
            m_fromService.insert(theirs, id);
            return id;
        }
    }
    showWithoutService(id, notification);
    return id;
}

void DesktopNotifier::showWithoutService(quint32 id, const Notification &notification)
{
    QSystemTrayIcon *tray = m_tray ? m_tray() : nullptr;
    if (tray && tray->isVisible() && QSystemTrayIcon::supportsMessages()) {
        m_trayId = id;
        tray->showMessage(notification.title, notification.body, QSystemTrayIcon::Information);
        return;
    }
    m_trayId = 0;
    auto *window = new AlarmWindow(notification);
    connect(window, &AlarmWindow::chosen, this, [this, id](Action action) {
        emit actionChosen(id, action);
    });
    window->show();
    window->raise();
}

void DesktopNotifier::trayMessageClicked()
{
    if (m_trayId) {
        emit actionChosen(m_trayId, Open);
    }
}
