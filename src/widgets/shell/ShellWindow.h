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
    // The frame of a window with a title bar and no buttons on it. It is a normal top-level window
    // (not a tool window), so window managers list it in the task bar and the window switcher.
    static Qt::WindowFlags frameWithoutButtons();

protected:
    void showEvent(QShowEvent *event) override;
};
