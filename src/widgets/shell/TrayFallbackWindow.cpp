#include "TrayFallbackWindow.h"

#include "TForm_Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

TrayFallbackWindow::TrayFallbackWindow(QMenu *trayMenu, QWidget *parent)
    : QWidget(parent)
    , m_menu(trayMenu)
{
    setObjectName(QStringLiteral("TrayFallbackWindow"));
    setWindowTitle(QStringLiteral("Morwinek"));
    auto *layout = new QVBoxLayout(this);
    // One button per entry of the menu, in the menu's order; the quick-dial block stays in "Menu...".
    const QList<QAction *> actions = m_menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator() || action->objectName().startsWith(QStringLiteral("MI"))) {
            continue;
        }
        auto *button = new QPushButton(action->icon(), action->text(), this);
        button->setObjectName(QStringLiteral("Fallback_") + action->objectName());
        button->setEnabled(action->isEnabled());
        connect(action, &QAction::changed, button, [button, action] {
            button->setEnabled(action->isEnabled());
        });
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        layout->addWidget(button);
    }
    auto *menuButton = new QPushButton(QStringLiteral("Menu..."), this);
    menuButton->setObjectName(QStringLiteral("Fallback_Menu"));
    connect(menuButton, &QPushButton::clicked, this, [this, menuButton] {
        m_menu->popup(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
    });
    layout->addWidget(menuButton);
}

void TrayFallbackWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (Form_Main) {
        Form_Main->Zakoncz1Click();
    }
}
