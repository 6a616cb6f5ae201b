#pragma once

#include "core/common/Services.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>
#include <QRect>

#include <array>

class CalcEdit;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

// VAT and unit conversions: three number fields hold one quantity in three units (or a net price
// and two gross ones); typing into any of them recomputes the other two.
class TForm_Kalk : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Kalk(Services &services, QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QLabel *L1 = nullptr;
    QLabel *L2 = nullptr;
    QLabel *L3 = nullptr;
    QLabel *LVAT1 = nullptr;
    QLabel *LVAT2 = nullptr;
    CalcEdit *C1 = nullptr;
    CalcEdit *C2 = nullptr;
    CalcEdit *C3 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QPushButton *Button1 = nullptr;
    QToolButton *Button_VAT = nullptr;

public slots:
    void ComboBox1Change();
    void C1Change();
    void C2Change();
    void C3Change();
    void VAT();
    void Button1Click();
    // Asks for the two VAT rates; chosen ones go into the settings and the fields are recomputed.
    void Button_VATClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void FormClose();
    // True when the key was Enter or Esc and has been dealt with.
    bool FormKeyDown(QKeyEvent *event);
    void recomputeFrom(int field);
    // Places a tax amount as laid out, or where it does not fit there, in the room right of its unit
    // label, in a smaller font when it needs one.
    void fitTaxLabel(QLabel *unit, QLabel *tax);
    // Where a tax label stands as laid out: right edge at 104.
    static QRect taxPlace(int top);

    Services &m_services;
    std::array<CalcEdit *, 3> m_fields{};
    std::array<double, 3> m_factors{1, 1, 1};
    int m_vat1;
    int m_vat2;
    bool m_shown = false;
};

// Null while no calculations window is open; clears itself when the window is freed.
inline QPointer<TForm_Kalk> Form_Kalk;
