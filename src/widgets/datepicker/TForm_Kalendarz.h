#pragma once

#include "core/common/Services.h"

#include <QDate>
#include <QDialog>
#include <QPointer>

#include <optional>

class QCalendarWidget;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The modal month calendar beside every date field. It opens under the mouse pointer at the date
// its Panel_Data caption holds (today when that is no date) and hands back "dd.MM.yyyy".
//
// Callers use one of the two pick() functions, which run the whole sequence: create the dialog in
// Form_Kalendarz, set the tag and the starting text, show it modally, read the answer, destroy it.
//
//     // appointments, birthday, wedding, biorhythm birth date: the whole text
//     TForm_Kalendarz::pick(this, eData, m_services);
//     // name day: the year locked, the field keeps "dd.MM"
//     TForm_Kalendarz::pick(this, Edit_Imieniny, m_services, TForm_Kalendarz::LockYear, 5);
class TForm_Kalendarz : public QDialog
{
    Q_OBJECT
public:
    // Tag values: LockYear disables the year editor; anything else leaves it editable.
    enum Tag
    {
        YearEditable = 0,
        LockYear = 1
    };

    explicit TForm_Kalendarz(Services &services, QWidget *parent = nullptr);

    // Shows the dialog modally, starting at startText. The picked "dd.MM.yyyy", or nothing when
    // the user cancelled. The field's own text is never changed here.
    static std::optional<QString> pick(QWidget *caller, Services &services, const QString &startText, int tag = 0);
    // The same starting at field's text; on OK the field gets the picked text, cut to its first
    // keepChars characters (5 keeps "dd.MM"). True when the user pressed OK.
    static bool pick(QWidget *caller, QLineEdit *field, Services &services, int tag = 0, int keepChars = 10);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    // The date the calendar holds now.
    QDate date() const { return m_date; }

    QFrame *Panel1 = nullptr;
    QPushButton *Button_Anuluj = nullptr;
    QPushButton *Button_OK = nullptr;
    QLabel *Panel_Data = nullptr; // its text is both the starting date and the answer
    QSpinBox *SpinEdit_Rok = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QCalendarWidget *Calendar1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void Calendar1Change();
    void ComboBox1Change(int index);
    void SpinEdit_RokChange(int year);
    void Button_OKClick();
    void Button_AnulujClick();

private:
    void FormCreate();
    void FormShow();
    void FormHide();
    void ComboBox1Exit();
    bool FormKeyPress(int key);
    // Puts a date into the calendar and lets every control show it.
    void setDate(const QDate &date);
    void showDate();

    Services &m_services;
    QDate m_date;
    int m_tag = 0;
    bool m_updating = false;
    // The picked day as its three texts: day and month with two digits, the year in plain decimal.
    QString m_dayText;
    QString m_monthText;
    QString m_yearText;
};

// Filled and cleared by pick(); null while no picker is open.
inline QPointer<TForm_Kalendarz> Form_Kalendarz;
