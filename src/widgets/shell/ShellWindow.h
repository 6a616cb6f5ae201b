#pragma once

#include <QWidget>

// Base of every secondary window the tray opens (contacts, appointments, biorhythms, calculations,
// about, quick dial). It frees itself when closed, turns the tray icon to "open" when shown and,
// once gone, lets the main window apply its icon rule.
class ShellWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ShellWindow(QWidget *parent = nullptr);
    ~ShellWindow() override;

    // Shows the window application-modal and returns when it has closed (and so been freed).
    void execModal();
    // Makes a running execModal() return with its window still open, as when the program ends;
    // modal dialogs open at the time are cancelled.
    static void abortModal();
    // How many secondary windows exist now.
    static int openCount();

protected:
    void showEvent(QShowEvent *event) override;
};
