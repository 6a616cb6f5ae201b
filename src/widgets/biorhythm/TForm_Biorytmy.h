#pragma once

#include "core/common/Services.h"
#include "widgets/shell/ShellWindow.h"

#include <QDate>
#include <QImage>
#include <QPointer>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPaintEvent;
class QPushButton;
class QSpinBox;
class QToolButton;

// The monthly chart of the three biorhythm cycles for a birth date, with today's values and day of
// life, and a readout of the day under the mouse pointer. The birth date is never stored from here.
class TForm_Biorytmy : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Biorytmy(Services &services, QWidget *parent = nullptr);

    // Opens the window preset with a birth date, as the contacts window's "&Biorytmy" button does;
    // when one is open already it beeps and brings that one to the front, its date unchanged.
    static TForm_Biorytmy *openFor(const QString &birthDate);

    static int Biorytm_Licz(int period, double day, double birthDate);
    // The whole chart and both readouts for the month and year in the controls.
    void Biorytm_Rysuj(const QString &birthText);
    // The picture as last drawn, 452 x 184.
    const QImage &chartImage() const { return m_chart; }
    // Days of the month last drawn, minus one.
    int lastDayIndex() const { return m_lastDay; }

    QGroupBox *GroupBox2 = nullptr;
    QLineEdit *Edit_Urodziny = nullptr;
    QToolButton *SB_Urodziny = nullptr;
    QCheckBox *CB_Inte = nullptr;
    QCheckBox *CB_Emoc = nullptr;
    QCheckBox *CB_Fizy = nullptr;
    QCheckBox *CB_Dzisiaj = nullptr;
    QCheckBox *CB_Zero = nullptr;
    QCheckBox *CB_Siatka = nullptr;
    QLabel *Label_rm = nullptr;
    QSpinBox *SpinEdit_Rok = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button_Zamknij = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;

public slots:
    void Edit_UrodzinyChange();
    void SB_UrodzinyClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button_ZamknijClick();
    void Image1MouseMove(int x, int y);
    void Panel1MouseMove();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void FormShow();
    bool CB_InteKeyPress(int key);
    void Biorytm_Rysuj_Sin(
        QPainter &painter, int lastDay, int mid, int month, int year, int birth, const QColor &colour, int period);
    void showChart();
    // Label1 and Label2 for today, as the drawing leaves them.
    void showTodayReadouts(int birth);
    QCheckBox *addCheckBox(const char *name, const QString &text, const QColor &colour, int y, bool checked);

    Services &m_services;
    QImage m_chart;
    int m_lastDay = -1;
    // Today as the window was shown: where the today band goes.
    int m_todayYear = 0;
    int m_todayMonth = 0;
    int m_todayDay = 0;
    bool m_shown = false;
};

// Null while no biorhythm window is open; clears itself when the window is freed.
inline QPointer<TForm_Biorytmy> Form_Biorytmy;
