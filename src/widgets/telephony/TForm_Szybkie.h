#pragma once

#include "core/common/Services.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The quick-dial editor: eight named numbers, taken over into the settings by "&OK" only.
class TForm_Szybkie : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Szybkie(Services &services, QWidget *parent = nullptr);

    // The most characters a name or a number box holds.
    static constexpr int entryWidth = 32;

    QGroupBox *GroupBox1 = nullptr;
    std::array<QLineEdit *, 9> EN{}; // EN[1] .. EN[8]: names
    std::array<QLineEdit *, 9> ET{}; // ET[1] .. ET[8]: numbers
    QPushButton *Button_OK = nullptr;
    QPushButton *Button_Zamknij = nullptr;

public slots:
    void Button_OKClick();
    void Button_ZamknijClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void FormClose();
    bool EN1KeyDown(QKeyEvent *event);

    Services &m_services;
};

inline QPointer<TForm_Szybkie> Form_Szybkie; // null while no editor exists
