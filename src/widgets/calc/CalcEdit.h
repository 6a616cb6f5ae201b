#pragma once

#include <QFrame>
#include <QLineEdit>

class Prompter;
class PocketCalculator;
class QLabel;
class QToolButton;

// A number field of the calculations window: at most two decimals, "," and "." both typed as the
// decimal separator, refused keys beep, thousands grouped while it has no focus, 0 shown empty.
// The button at its right pops up a four-function calculator whose result goes into the field.
class CalcEdit : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int buttonWidth = 20;

    explicit CalcEdit(Prompter &prompter, QWidget *parent = nullptr);

    // Hundredths of the text; 0 for an empty one.
    qint64 value() const;
    // Shows the value with at most two decimals; the change is the program's, not the user's.
    void setValue(qint64 hundredths);
    // True while the text changes by the user's typing or the calculator's result.
    bool isUserChange() const { return m_userChange; }
    QToolButton *calculatorButton() const { return m_button; }
    void openCalculator();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void typeText(const QString &typed);
    void showGrouped(bool grouped);
    void takeResult(double result);

    Prompter &m_prompter;
    QToolButton *m_button = nullptr;
    bool m_userChange = false;
};

// The pop-up of a CalcEdit. Enter, "=" followed by "OK", or the OK button hands the display on;
// Esc or a click elsewhere closes it without a result.
class PopupCalculator : public QFrame
{
    Q_OBJECT
public:
    PopupCalculator(Prompter &prompter, double start, QWidget *parent = nullptr);
    ~PopupCalculator() override;

    // Types a key as the keyboard would: digits, ",", ".", + - * /, "=", Enter, Esc, Backspace.
    void press(const QString &key);
    QString displayText() const;

signals:
    void resultChosen(double value);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refresh();
    void accept();

    Prompter &m_prompter;
    PocketCalculator *m_calculator;
    QLabel *m_display = nullptr;
};
