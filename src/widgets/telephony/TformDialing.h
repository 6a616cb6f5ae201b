#pragma once

#include "core/telephony/DialingView.h"

#include <QWidget>

class QLabel;
class QPushButton;

// The dialling window of the line component: asks the user to hang the modem up once the number has
// been dialled. It stays on top; its button and the frame's close button both hang up.
class TformDialing : public QWidget, public DialingView
{
    Q_OBJECT
public:
    explicit TformDialing(QWidget *parent = nullptr);

    void showDialing() override;
    void hideDialing() override;
    bool isDialingShown() const override;
    void setModemName(const QString &name) override;
    QObject *dialingObject() override { return this; }

    QLabel *RxLabel1 = nullptr;
    QLabel *Image = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *bHangUp = nullptr;
    QLabel *ModemName = nullptr;

public slots:
    void bHangUpClick();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormShow();
    void centreOnScreen();
};
