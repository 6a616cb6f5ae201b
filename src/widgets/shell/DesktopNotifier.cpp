#include "DesktopNotifier.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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
        // Room around the text, so the longest caption does not touch the button's edges.
        const QFontMetrics metrics = b->fontMetrics();
        b->setMinimumWidth(metrics.horizontalAdvance(text) + 4 * metrics.averageCharWidth());
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

DesktopNotifier::DesktopNotifier(Notifier *service, QObject *parent)
    : Notifier(parent)
    , m_service(service)
{
    if (m_service) {
        connect(m_service, &Notifier::actionChosen, this, [this](quint32 id, Action action) {
            if (const quint32 ours = m_fromService.value(id)) {
                emit actionChosen(ours, action);
            }
        });
        // The service did not show it after all, or let it go: a window does, under the same id.
        connect(m_service, &Notifier::notShown, this, [this](quint32 id, const Notification &notification) {
            if (const quint32 ours = m_fromService.take(id)) {
                showWindow(ours, notification);
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
    showWindow(id, notification);
    return id;
}

void DesktopNotifier::showWindow(quint32 id, const Notification &notification)
{
    auto *window = new AlarmWindow(notification);
    connect(window, &AlarmWindow::chosen, this, [this, id](Action action) {
        emit actionChosen(id, action);
    });
    // A modal window (the start-up reminder, a question) would keep its buttons from the user
    // until it is closed: the alarm then goes over it, as modal itself.
    if (QApplication::activeModalWidget()) {
        window->setWindowModality(Qt::ApplicationModal);
    }
    window->show();
    window->raise();
}
