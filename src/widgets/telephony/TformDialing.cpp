#include "TformDialing.h"

#include "core/telephony/TTAPILine.h"
#include "widgets/shell/Fonts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

TformDialing::TformDialing(QWidget *parent)
    : QWidget(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::WindowContextHelpButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"formDialing"_s);
    setWindowTitle(u"Wybieranie..."_s);
    setFixedSize(264, 120);

    RxLabel1 = new QLabel(u"Morwinek"_s, this);
    RxLabel1->setObjectName(u"RxLabel1"_s);
    RxLabel1->setGeometry(0, 0, 264, 41);
    RxLabel1->setAlignment(Qt::AlignCenter);
    QFont title = Fonts::pixelFont(u"Times New Roman"_s, 35, true);
    title.setItalic(true);
    RxLabel1->setFont(title);

    Image = new QLabel(this);
    Image->setObjectName(u"Image"_s);
    Image->setGeometry(2, 0, 42, 41);
    Image->setAlignment(Qt::AlignCenter);
    Image->setPixmap(QPixmap(u":/icons/menu6.png"_s).scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(228, 4, 32, 32);

    Label1 = new QLabel(u"Po wybraniu numeru naciśnij przycisk Odłącz modem"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setGeometry(0, 44, 264, 16);
    Label1->setAlignment(Qt::AlignCenter);

    bHangUp = new QPushButton(u"Odłącz modem"_s, this);
    bHangUp->setObjectName(u"bHangUp"_s);
    bHangUp->setGeometry(8, 63, 249, 29);
    bHangUp->setDefault(true);
    connect(bHangUp, &QPushButton::clicked, this, &TformDialing::bHangUpClick);

    ModemName = new QLabel(this);
    ModemName->setObjectName(u"ModemName"_s);
    ModemName->setGeometry(0, 99, 264, 17);
    ModemName->setAlignment(Qt::AlignCenter);

    centreOnScreen();
}

void TformDialing::showDialing()
{
    show();
    raise();
    activateWindow();
}

void TformDialing::hideDialing()
{
    hide();
}

bool TformDialing::isDialingShown() const
{
    return isVisible();
}

void TformDialing::setModemName(const QString &name)
{
    ModemName->setText(name);
}

void TformDialing::bHangUpClick()
{
    if (TTAPILine *line = TTAPILine::instance()) {
        try {
            line->DropCall();
        } catch (const TelephonyError &) {
            // Hanging up goes on whatever the line says.
        }
    }
    hideDialing();
}

bool TformDialing::event(QEvent *event)
{
    TTAPILine *line = TTAPILine::instance();
    if (line && line->dialingWindowEvent(event)) {
        return true;
    }
    return QWidget::event(event);
}

void TformDialing::showEvent(QShowEvent *event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TformDialing::FormShow()
{
    Image1->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    centreOnScreen();
    bHangUp->setFocus();
}

void TformDialing::closeEvent(QCloseEvent *event)
{
    // The frame's close button hangs up as the window's own button does; the window then hides.
    event->ignore();
    bHangUpClick();
}

void TformDialing::centreOnScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}
