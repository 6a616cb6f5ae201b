#pragma once

#include <QWidget>

class QMenu;

// Where the desktop has no system tray the program would be out of reach: this small window offers
// the tray menu's entries instead. Closing it ends the program as "Zakończ" does.
class TrayFallbackWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TrayFallbackWindow(QMenu *trayMenu, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QMenu *m_menu;
};
