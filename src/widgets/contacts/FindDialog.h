#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// The modeless find dialog of the contacts window: a text box, "Znajdź &następny" (also Enter)
// and "Anuluj" (also Esc). It only asks; the window searches.
class FindDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FindDialog(QWidget *parent = nullptr);

    QString findText() const;

    QLineEdit *Edit_Tekst = nullptr;
    QPushButton *Button_Znajdz = nullptr;
    QPushButton *Button_Anuluj = nullptr;

signals:
    void shown();         // each time the dialog opens
    void findRequested(); // "Znajdź następny"

protected:
    void showEvent(QShowEvent *event) override;
};
