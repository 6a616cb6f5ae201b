#pragma once

#include "core/common/Services.h"
#include "widgets/shell/ShellWindow.h"

#include <QPointer>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The about window: the version, the web page and the author's address as links, and the switch
// that starts the program at login.
class TForm_Inform : public ShellWindow
{
    Q_OBJECT
public:
    explicit TForm_Inform(Services &services, QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    QGroupBox *GroupBox5 = nullptr;
    QLabel *RxLabel1 = nullptr;
    QLabel *Label_www = nullptr;
    QLabel *Label_email = nullptr;
    QLabel *Label1 = nullptr;
    QCheckBox *Check_Rejestr = nullptr;
    QPushButton *Button_OK = nullptr;

    // Link colours: maroon while the button is down on a link, navy otherwise.
    static QColor pressedColour();
    static QColor releasedColour();

public slots:
    void Label_wwwClick();
    void Label_emailClick();
    void Check_RejestrClick(bool checked);
    void Label1DblClick();
    void Button_OKClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormShow();
    void setLinkColour(QLabel *label, const QColor &colour);

    Services &m_services;
    QString m_webPage;
    QString m_email;
    bool m_shown = false;
};

// The open about window; null while there is none.
inline QPointer<TForm_Inform> Form_Inform;
