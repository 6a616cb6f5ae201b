#include "TForm_Inform.h"

#include "core/common/Autostart.h"
#include "core/common/BuildConfig.h"
#include "core/common/DesktopOpen.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QUrl>

TForm_Inform::TForm_Inform(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("Form_Inform"));
    setWindowTitle(QStringLiteral("Morwinek - Informacje o programie"));
    setWindowFlags(ShellWindow::frameWithoutButtons() | Qt::WindowCloseButtonHint);
    setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(320, 226);
    if (Form_Main) {
        m_webPage = Form_Main->webPage();
        m_email = Form_Main->authorEmail();
    }

    GroupBox5 = new QGroupBox(QStringLiteral("Morwinek"), this);
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    GroupBox5->setGeometry(8, 4, 304, 178);

    Image1 = new QLabel(GroupBox5);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(14, 22, 32, 32);
    Image1->setAccessibleName(QStringLiteral("Ikona programu Morwinek"));

    RxLabel1 = new QLabel(QStringLiteral("Morwinek"), GroupBox5);
    RxLabel1->setObjectName(QStringLiteral("RxLabel1"));
    RxLabel1->setFont(Fonts::pixelFont(QStringLiteral("Times New Roman"), 30, true));
    RxLabel1->setGeometry(58, 16, 236, 40);

    Label1 = new QLabel(QStringLiteral("Organizer osobisty: kontakty, terminy, biorytmy i kalkulacje."), GroupBox5);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setGeometry(14, 62, 280, 30);

    const auto link = [this](const char *name, const QString &designText, int y) {
        auto *l = new QLabel(designText, GroupBox5);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(14, y, 280, 16);
        l->setCursor(Qt::PointingHandCursor);
        l->setFocusPolicy(Qt::NoFocus);
        l->installEventFilter(this);
        setLinkColour(l, releasedColour());
        return l;
    };
    Label_www = link("Label_www", QStringLiteral("strona domowa"), 98);
    Label_email = link("Label_email", QStringLiteral("email"), 118);

    Check_Rejestr = new QCheckBox(QStringLiteral("Uruchamiaj przy starcie systemu"), GroupBox5);
    Check_Rejestr->setObjectName(QStringLiteral("Check_Rejestr"));
    Check_Rejestr->setGeometry(14, 146, 280, 20);

    Button_OK = new QPushButton(QStringLiteral("&Zamknij"), this);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(120, 192, 80, 25);
    Button_OK->setDefault(true);

    Label1->installEventFilter(this);
    connect(Check_Rejestr, &QCheckBox::toggled, this, &TForm_Inform::Check_RejestrClick);
    connect(Button_OK, &QPushButton::clicked, this, &TForm_Inform::Button_OKClick);

    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

QColor TForm_Inform::pressedColour()
{
    return QColor(0x80, 0x00, 0x00);
}

QColor TForm_Inform::releasedColour()
{
    return QColor(0x00, 0x00, 0x80);
}

void TForm_Inform::setLinkColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void TForm_Inform::showEvent(QShowEvent *event)
{
    ShellWindow::showEvent(event); // icon 1 first
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm_Inform::FormShow()
{
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/tray1.png")).pixmap(32, 32));
    Label_email->setText(QStringLiteral("program napisał: ") + m_email);
    Label_www->setText(QStringLiteral("strona internetowa: ") + m_webPage);
    Label_email->setAccessibleName(Label_email->text());
    Label_www->setAccessibleName(Label_www->text());
    // A build without an address shows no link that would lead nowhere.
    Label_email->setVisible(!m_email.isEmpty());
    Label_www->setVisible(!m_webPage.isEmpty());
    GroupBox5->setTitle(QStringLiteral("Morwinek wersja ") + QString::fromUtf8(BuildConfig::versionText));
    // Showing the state is no switching: the box changes without adding or removing the entry.
    const QSignalBlocker block(Check_Rejestr);
    Check_Rejestr->setChecked(
        Autostart::apply(m_services.autostart, Autostart::QueryAndClean, m_services.executablePath));
}

void TForm_Inform::Label_wwwClick()
{
    DesktopOpen::webPage(m_services, this, QUrl(m_webPage));
}

void TForm_Inform::Label_emailClick()
{
    DesktopOpen::mail(
        m_services, this, QUrl(QStringLiteral("mailto:") + m_email + QStringLiteral("?subject=Morwinek")));
}

void TForm_Inform::Check_RejestrClick(bool checked)
{
    Autostart::apply(
        m_services.autostart, checked ? Autostart::SwitchOn : Autostart::SwitchOff, m_services.executablePath);
}

void TForm_Inform::Label1DblClick()
{
    m_services.prompter.messageBox(
        this, QStringLiteral("Witaj ") + m_services.defaultUserName(), QStringLiteral("Morwinek"), MB_OK);
}

void TForm_Inform::Button_OKClick()
{
    close();
}

// Esc closes this window as it closes every other; the buttons pass the key on to it.
void TForm_Inform::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    ShellWindow::keyPressEvent(event);
}

bool TForm_Inform::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (label == Label1 && event->type() == QEvent::MouseButtonDblClick) {
        Label1DblClick();
        return true;
    }
    if (label == Label_www || label == Label_email) {
        if (event->type() == QEvent::MouseButtonPress) {
            setLinkColour(label, pressedColour());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            setLinkColour(label, releasedColour());
            // A click is a release over the link it started on.
            if (label->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint())) {
                if (label == Label_www) {
                    Label_wwwClick();
                } else {
                    Label_emailClick();
                }
            }
            return true;
        }
    }
    return ShellWindow::eventFilter(watched, event);
}
