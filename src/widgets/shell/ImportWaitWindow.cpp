#include "ImportWaitWindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

ImportWaitWindow::ImportWaitWindow(const QString &dataDir, std::function<bool()> tryLock, QWidget *parent)
    : QDialog(parent)
    , m_tryLock(std::move(tryLock))
{
    setObjectName(u"ImportWaitWindow"_s);
    setWindowTitle(u"Morwinek"_s);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(message(dataDir), this);
    label->setObjectName(u"Label_Import"_s);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *progress = new QProgressBar(this);
    progress->setObjectName(u"ProgressBar_Import"_s);
    progress->setRange(0, 0); // moves while it waits: the program has not hung
    progress->setTextVisible(false);
    layout->addWidget(progress);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *end = buttons->addButton(u"Zakończ"_s, QDialogButtonBox::RejectRole);
    end->setObjectName(u"Button_Zakoncz"_s);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    m_timer = new QTimer(this);
    m_timer->setInterval(250);
    connect(m_timer, &QTimer::timeout, this, &ImportWaitWindow::poll);
}

QString ImportWaitWindow::message(const QString &dataDir)
{
    return u"Trwa import kontaktów do folderu danych %1. Organizer Morwinek uruchomi się, gdy import się "
           u"zakończy."_s.arg(QDir::toNativeSeparators(dataDir));
}

bool ImportWaitWindow::wait()
{
    if (m_tryLock()) {
        return true;
    }
    m_timer->start();
    return exec() == QDialog::Accepted;
}

void ImportWaitWindow::poll()
{
    if (m_tryLock()) {
        m_timer->stop();
        accept();
    }
}
