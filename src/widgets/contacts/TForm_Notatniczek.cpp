#include "TForm_Notatniczek.h"

#include "CardPrinter.h"
#include "ContactEditors.h"
#include "ContactExchangeMenu.h"
#include "FindDialog.h"
#include "PhotoPicker.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"
#include "core/contacts/NameDays.h"
#include "core/contacts/PhotoStore.h"
#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStringListModel>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int windowWidth = 408;
constexpr int clientHeight = 335;

// Which editor holds which field; the name lives in the name box.
struct EditorField
{
    QLineEdit *TForm_Notatniczek::*editor;
    QString Contact::*field;
};

const EditorField editorFields[] = {
    {&TForm_Notatniczek::Edit_ID, &Contact::ID},
    {&TForm_Notatniczek::Edit_Dep, &Contact::Dep},
    {&TForm_Notatniczek::Edit_DomKod, &Contact::DomKod},
    {&TForm_Notatniczek::Edit_DomMiasto, &Contact::DomMiasto},
    {&TForm_Notatniczek::Edit_DomUlica, &Contact::DomUlica},
    {&TForm_Notatniczek::Edit_DomURL, &Contact::DomURL},
    {&TForm_Notatniczek::Edit_Email, &Contact::Email},
    {&TForm_Notatniczek::Edit_Faks, &Contact::Faks},
    {&TForm_Notatniczek::Edit_Firma, &Contact::Firma},
    {&TForm_Notatniczek::Edit_Imieniny, &Contact::Imieniny},
    {&TForm_Notatniczek::Edit_Parametry, &Contact::Parametry},
    {&TForm_Notatniczek::Edit_PracaKod, &Contact::PracaKod},
    {&TForm_Notatniczek::Edit_PracaMiasto, &Contact::PracaMiasto},
    {&TForm_Notatniczek::Edit_PracaUlica, &Contact::PracaUlica},
    {&TForm_Notatniczek::Edit_PracaURL, &Contact::PracaURL},
    {&TForm_Notatniczek::Edit_Pseudo, &Contact::Pseudo},
    {&TForm_Notatniczek::Edit_Rocznica, &Contact::Rocznica},
    {&TForm_Notatniczek::Edit_Slub, &Contact::Slub},
    {&TForm_Notatniczek::Edit_TelDom, &Contact::TelDom},
    {&TForm_Notatniczek::Edit_TelKom, &Contact::TelKom},
    {&TForm_Notatniczek::Edit_TelSlu, &Contact::TelSlu},
    {&TForm_Notatniczek::Edit_TelWew, &Contact::TelWew},
    {&TForm_Notatniczek::Edit_Tytul, &Contact::Tytul},
    {&TForm_Notatniczek::Edit_Urodziny, &Contact::Urodziny},
};

int fieldWidth(const char *name)
{
    const Contact::Column *column = Contact::column(QString::fromLatin1(name).sliced(5)); // after "Edit_"
    return column ? column->width : 32767;
}

QToolButton *speedButton(QWidget *parent, const char *name, const QString &hint, QRect geometry)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    return button;
}

// A web address the desktop may open: http or https only; text without a scheme is taken as http.
QUrl safeWebAddress(const QString &text)
{
    QString address = text;
    static const QRegularExpression scheme(u"^([A-Za-z][A-Za-z0-9+.-]*):(.*)$"_s);
    const QRegularExpressionMatch match = scheme.match(address);
    if (address.contains(u"://"_s)) {
        const QString name = address.left(address.indexOf(u"://"_s)).toLower();
        if (name != u"http"_s && name != u"https"_s) {
            return {};
        }
    } else if (match.hasMatch() && !QRegularExpression(u"^\\d+(/.*)?$"_s).match(match.captured(2)).hasMatch()) {
        return {}; // "file:", "javascript:", "c:\..." and the like
    } else {
        address.prepend(u"http://"_s);
    }
    const QUrl url(address, QUrl::StrictMode);
    const QString urlScheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (urlScheme != u"http"_s && urlScheme != u"https"_s)) {
        return {};
    }
    return url;
}

// "mailto:" with the address as its encoded path, so nothing in it can add headers or commands.
QUrl safeMailAddress(const QString &text)
{
    const qsizetype at = text.indexOf(u'@');
    if (at <= 0 || at == text.size() - 1) {
        return {};
    }
    for (const QChar ch : text) {
        if (ch.unicode() <= 0x20 || ch.unicode() == 0x7F || (ch.unicode() >= 0x80 && ch.unicode() < 0xA0)) {
            return {};
        }
    }
    QUrl url;
    url.setScheme(u"mailto"_s);
    url.setPath(text, QUrl::DecodedMode);
    return url.isValid() ? url : QUrl();
}

} // namespace

TForm_Notatniczek::TForm_Notatniczek(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
    , m_book(services.dataDir)
{
    setObjectName(u"Form_Notatniczek"_s);
    setWindowTitle(u"Morwinek - Kontakty"_s);
    setWindowFlags(ShellWindow::frameWithoutButtons());
    setFont(Fonts::pixelFont(u"MS Sans Serif"_s, 11));
    setFixedSize(windowWidth - 8, clientHeight);

    createLeftColumn();
    createRightColumn();
    connectEditors();
    connectContactTools();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TForm_Notatniczek::Timer1Timer);
    Timer1->start();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    FindDialog1->move(x() - 8, y() + 288);

    m_book.setBackup(m_services.backup);
    QString error;
    if (!m_book.load(&error)) {
        m_services.showError(this, error);
    }
}

QString TForm_Notatniczek::placeholderName()
{
    const QChar dot = Cp1250::decodeByte(255);
    return dot + u"Wprowadź nazwisko"_s + dot;
}

// ---- layout ----

QLabel *TForm_Notatniczek::addLabel(QWidget *parent, const QString &caption, QPoint at)
{
    auto *label = new QLabel(caption, parent);
    label->move(at);
    label->adjustSize();
    return label;
}

QLineEdit *TForm_Notatniczek::addEditor(QWidget *page, const char *name, int maxLength, QRect geometry)
{
    auto *edit = new QLineEdit(page);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    edit->setGeometry(geometry);
    edit->setValidator(new Cp1250Validator(
        [this] {
            refused();
        },
        edit));
    m_fieldEditors.append(edit);
    return edit;
}

void TForm_Notatniczek::createLeftColumn()
{
    Label_Data = new QLabel(u"Label_Data"_s, this);
    Label_Data->setObjectName(u"Label_Data"_s);
    Label_Data->setGeometry(6, 4, 70, 14);
    Label_Godzina = new QLabel(u"Label_Godzina"_s, this);
    Label_Godzina->setObjectName(u"Label_Godzina"_s);
    Label_Godzina->setGeometry(78, 4, 66, 14);
    Label_Godzina->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Panel1 = new QLabel(u"<brak zdjęcia>"_s, this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setTextFormat(Qt::PlainText);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(6, 20, 141, 150);
    Image_Zdjecie = new QLabel(Panel1);
    Image_Zdjecie->setObjectName(u"Image_Zdjecie"_s);
    Image_Zdjecie->setGeometry(4, 4, 133, 142);
    Image_Zdjecie->setScaledContents(true);
    Image_Zdjecie->hide();

    PMenu1 = new QMenu(this);
    PMenu1->setObjectName(u"PMenu1"_s);
    const auto photoItem = [this](const char *name, const QString &caption) {
        QAction *action = PMenu1->addAction(caption);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    pm_dodaj = photoItem("pm_dodaj", u"Dodaj"_s);
    pm_edytuj = photoItem("pm_edytuj", u"Edytuj"_s);
    pm_odswiez = photoItem("pm_odswiez", u"Odśwież"_s);
    pm_usun = photoItem("pm_usun", u"Usuń"_s);
    setPhotoCommands(false);
    connect(pm_edytuj, &QAction::triggered, this, &TForm_Notatniczek::pm_edytujClick);
    Panel1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Panel1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        PMenu1->popup(Panel1->mapToGlobal(at));
    });

    QStyle *st = style();
    const auto toolbarButton = [this, st](const char *name,
                                          const QString &hint,
                                          int column,
                                          int row,
                                          QStyle::StandardPixmap icon,
                                          const QString &text) {
        QToolButton *button = speedButton(this, name, hint, QRect(8 + column * 27, 174 + row * 25, 26, 25));
        button->setAutoRaise(false);
        if (icon != QStyle::SP_CustomBase) {
            button->setIcon(st->standardIcon(icon));
        } else {
            button->setText(text);
        }
        return button;
    };
    Button_Pierwszy = toolbarButton("Button_Pierwszy", u"Pierwszy"_s, 0, 0, QStyle::SP_MediaSkipBackward, {});
    Button_Poprzedni = toolbarButton("Button_Poprzedni", u"Poprzedni"_s, 1, 0, QStyle::SP_MediaSeekBackward, {});
    Button_Nastepny = toolbarButton("Button_Nastepny", u"Następny"_s, 2, 0, QStyle::SP_MediaSeekForward, {});
    Button_Ostatni = toolbarButton("Button_Ostatni", u"Ostatni"_s, 3, 0, QStyle::SP_MediaSkipForward, {});
    Button_Szukaj = toolbarButton("Button_Szukaj", u"Szukaj..."_s, 4, 0, QStyle::SP_FileDialogContentsView, {});
    Button_Dodaj = toolbarButton("Button_Dodaj", u"Nowy"_s, 0, 1, QStyle::SP_FileIcon, {});
    Button_Zapisz = toolbarButton("Button_Zapisz", u"Zapisz"_s, 1, 1, QStyle::SP_DialogSaveButton, {});
    Button_Drukuj = toolbarButton("Button_Drukuj", u"Drukuj..."_s, 2, 1, QStyle::SP_CustomBase, u"D"_s);
    Button_Kasuj = toolbarButton("Button_Kasuj", u"Skasuj"_s, 3, 1, QStyle::SP_TrashIcon, {});
    Button_Szybkie = toolbarButton("Button_Szybkie", u"Szybkie wybieranie"_s, 4, 1, QStyle::SP_CustomBase, u"S"_s);
    Button_Drukuj->setText({});
    Button_Drukuj->setIcon(QIcon(u":/icons/print.png"_s));
    Button_Szybkie->setText({});
    Button_Szybkie->setIcon(QIcon(u":/icons/menu6.png"_s));
    connect(Button_Pierwszy, &QToolButton::clicked, this, &TForm_Notatniczek::Button_PierwszyClick);
    connect(Button_Poprzedni, &QToolButton::clicked, this, &TForm_Notatniczek::Button_PoprzedniClick);
    connect(Button_Nastepny, &QToolButton::clicked, this, &TForm_Notatniczek::Button_NastepnyClick);
    connect(Button_Ostatni, &QToolButton::clicked, this, &TForm_Notatniczek::Button_OstatniClick);
    connect(Button_Dodaj, &QToolButton::clicked, this, &TForm_Notatniczek::Button_DodajClick);
    connect(Button_Zapisz, &QToolButton::clicked, this, &TForm_Notatniczek::Button_ZapiszClick);
    connect(Button_Kasuj, &QToolButton::clicked, this, &TForm_Notatniczek::Button_KasujClick);
    connect(Button_Szybkie, &QToolButton::clicked, this, &TForm_Notatniczek::Button_SzybkieClick);

    PMenu2 = new QMenu(this);
    PMenu2->setObjectName(u"PMenu2"_s);
    const auto printItem = [this](const char *name, const QString &caption, bool checkable) {
        QAction *action = PMenu2->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(checkable);
        return action;
    };
    druk1 = printItem("druk1", u"&Drukuj bieżący"_s, false);
    PMenu2->addSeparator();
    druk_osob = printItem("druk_osob", u"Dane &osobiste"_s, true);
    druk_sluz = printItem("druk_sluz", u"Dane &służbowe"_s, true);
    druk_komorka = printItem("druk_komorka", u"Tel. &komórkowy"_s, true);
    druk_email = printItem("druk_email", u"&E-mail"_s, true);
    PMenu2->addSeparator();
    druk_10 = printItem("druk_10", u"&10 kopii"_s, true);
    PMenu2->addSeparator();
    druk_Ustawienia = printItem("druk_Ustawienia", u"&Ustawienia..."_s, false);
    Button_Drukuj->setMenu(PMenu2);
    Button_Drukuj->setPopupMode(QToolButton::InstantPopup);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(u"Panel2"_s);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setGeometry(6, 228, 141, 76);
    QFont bold = font();
    bold.setBold(true);
    Label1 = new QLabel(u"Dziś"_s, Panel2);
    Label1->setObjectName(u"Label1"_s);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(2, 2, 137, 13);
    Label3 = new QLabel(u"dzień roku"_s, Panel2);
    Label3->setObjectName(u"Label3"_s);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setGeometry(2, 15, 137, 13);
    Label2 = new QLabel(u"Imieniny obchodzą"_s, Panel2);
    Label2->setObjectName(u"Label2"_s);
    Label2->setFont(bold);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(2, 29, 137, 13);
    Label_wypisz2 = new QLabel(u"imieniny"_s, Panel2);
    Label_wypisz2->setObjectName(u"Label_wypisz2"_s);
    Label_wypisz2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label_wypisz2->setWordWrap(true);
    Label_wypisz2->setGeometry(2, 42, 137, 32);

    Button_Zamknij = new QPushButton(u"&Zamknij"_s, this);
    Button_Zamknij->setObjectName(u"Button_Zamknij"_s);
    Button_Zamknij->setGeometry(6, 308, 141, 24);
    Button_Zamknij->setAutoDefault(false);
    connect(Button_Zamknij, &QPushButton::clicked, this, &TForm_Notatniczek::Button_ZamknijClick);
}

void TForm_Notatniczek::createRightColumn()
{
    GroupBox1 = new QGroupBox(u"Nazwisko i imię"_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setGeometry(149, 0, 251, clientHeight - 2);

    Label_Ile = new QLabel(u"0/0"_s, GroupBox1);
    Label_Ile->setObjectName(u"Label_Ile"_s);
    Label_Ile->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_Ile->setGeometry(140, 0, 104, 14);

    ComboBox_Nazwa = new NameComboBox(GroupBox1);
    ComboBox_Nazwa->setObjectName(u"ComboBox_Nazwa"_s);
    ComboBox_Nazwa->setEditable(true);
    ComboBox_Nazwa->setCompleter(nullptr);
    ComboBox_Nazwa->setInsertPolicy(QComboBox::NoInsert);
    // Leaving the box must not pick the entry its text happens to match: a contact renamed to
    // another contact's name would jump there and lose its edits.
    disconnect(ComboBox_Nazwa->lineEdit(), &QLineEdit::editingFinished, ComboBox_Nazwa, nullptr);
    ComboBox_Nazwa->setMaxVisibleItems(15);
    ComboBox_Nazwa->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox_Nazwa->setFont(Fonts::pixelFont(u"Arial CE"_s, 16, true));
    ComboBox_Nazwa->setModel(new QStringListModel(ComboBox_Nazwa));
    ComboBox_Nazwa->lineEdit()->setMaxLength(Contact::nameWidth);
    ComboBox_Nazwa->setValidator(new Cp1250Validator(
        [this] {
            refused();
        },
        ComboBox_Nazwa));
    ComboBox_Nazwa->setGeometry(6, 16, 240, 26);
    if (auto *list = qobject_cast<QListView *>(ComboBox_Nazwa->view())) {
        list->setUniformItemSizes(true);
    }
    ComboBox_Nazwa->mayDropDown = [this] {
        if (m_book.isEmpty()) {
            m_services.prompter.beep(Prompter::Exclamation);
            return false;
        }
        return true;
    };
    // The list's own filter comes with its first drop-down; ours must see Esc before it does.
    ComboBox_Nazwa->droppedDown = [this] {
        ComboBox_Nazwa->view()->installEventFilter(this);
        // The list opens on the shown contact, not on its first entry.
        const QModelIndex shown = ComboBox_Nazwa->model()->index(m_position, 0);
        if (shown.isValid()) {
            ComboBox_Nazwa->view()->setCurrentIndex(shown);
            ComboBox_Nazwa->view()->scrollTo(shown, QAbstractItemView::PositionAtCenter);
        }
    };

    Label_Info = new QLabel(GroupBox1);
    Label_Info->setObjectName(u"Label_Info"_s);
    Label_Info->setGeometry(6, 43, 240, 14);

    PageControl1 = new QTabWidget(GroupBox1);
    PageControl1->setObjectName(u"PageControl1"_s);
    PageControl1->setGeometry(6, 59, 240, 270);
    // Four tabs must fit the page's width, as they do with the classic narrow tabs.
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setStyleSheet(u"QTabBar::tab { padding: 3px 7px; }"_s);
    createContactPage();
    createPersonalPage();
    createWorkPage();
    createNotesPage();

    // The two reserved fields and the identifier are kept in editors nobody sees.
    Edit_ID = addEditor(this, "Edit_ID", fieldWidth("Edit_ID"), QRect(windowWidth + 8, 8, 40, 21));
    Edit_Parametry =
        addEditor(this, "Edit_Parametry", fieldWidth("Edit_Parametry"), QRect(windowWidth + 8, 32, 40, 21));
    Edit_ID->hide();
    Edit_Parametry->hide();
}

void TForm_Notatniczek::createContactPage()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(u"TabSheet1"_s);
    PageControl1->addTab(TabSheet1, u"&Kontakt"_s);
    const QFont phone = Fonts::pixelFont(u"Arial"_s, 16, true);
    const auto quickLabel = [this](const char *name, const QString &caption, int y) {
        QToolButton *button = speedButton(TabSheet1, name, caption, QRect(6, y, 140, 15));
        button->setText(caption);
        return button;
    };
    const auto dialButton = [this](const char *name, const QString &hint, int y) {
        QToolButton *button = speedButton(TabSheet1, name, hint, QRect(200, y, 26, 26));
        button->setText(u"☎"_s);
        return button;
    };
    SB_SzybkieTelDom = quickLabel("SB_SzybkieTelDom", u"Telefon domowy"_s, 4);
    Edit_TelDom = addEditor(TabSheet1, "Edit_TelDom", fieldWidth("Edit_TelDom"), QRect(6, 20, 190, 26));
    SB_TelDom = dialButton("SB_TelDom", u"Wybierz numer domowy"_s, 20);
    SB_SzybkieTelSlu = quickLabel("SB_SzybkieTelSlu", u"Telefon służbowy"_s, 50);
    Edit_TelSlu = addEditor(TabSheet1, "Edit_TelSlu", fieldWidth("Edit_TelSlu"), QRect(6, 66, 140, 26));
    addLabel(TabSheet1, u"Wew."_s, QPoint(150, 50));
    Edit_TelWew = addEditor(TabSheet1, "Edit_TelWew", fieldWidth("Edit_TelWew"), QRect(150, 66, 46, 26));
    SB_TelSlu = dialButton("SB_TelSlu", u"Wybierz numer służbowy"_s, 66);
    SB_SzybkieTelKom = quickLabel("SB_SzybkieTelKom", u"Telefon komórkowy"_s, 96);
    Edit_TelKom = addEditor(TabSheet1, "Edit_TelKom", fieldWidth("Edit_TelKom"), QRect(6, 112, 190, 26));
    SB_TelKom = dialButton("SB_TelKom", u"Wybierz numer komórkowy"_s, 112);
    for (QLineEdit *edit : {Edit_TelDom, Edit_TelSlu, Edit_TelWew, Edit_TelKom}) {
        edit->setFont(phone);
    }
    addLabel(TabSheet1, u"Faks"_s, QPoint(6, 144));
    Edit_Faks = addEditor(TabSheet1, "Edit_Faks", fieldWidth("Edit_Faks"), QRect(6, 158, 190, 21));
    // A fax number cannot be dialled as a voice call.
    SB_Faks = dialButton("SB_Faks", QString(), 156);
    SB_Faks->setEnabled(false);
    SB_Faks->hide();
    SB_Faks->setAccessibleName(u"Faks"_s);
    connect(SB_TelDom, &QToolButton::clicked, this, &TForm_Notatniczek::SB_TelDomClick);
    connect(SB_TelSlu, &QToolButton::clicked, this, &TForm_Notatniczek::SB_TelSluClick);
    connect(SB_TelKom, &QToolButton::clicked, this, &TForm_Notatniczek::SB_TelKomClick);
    connect(SB_SzybkieTelDom, &QToolButton::clicked, this, &TForm_Notatniczek::SB_SzybkieTelDomClick);
    connect(SB_SzybkieTelSlu, &QToolButton::clicked, this, &TForm_Notatniczek::SB_SzybkieTelSluClick);
    connect(SB_SzybkieTelKom, &QToolButton::clicked, this, &TForm_Notatniczek::SB_SzybkieTelKomClick);
    addLabel(TabSheet1, u"E-mail"_s, QPoint(6, 184));
    Edit_Email = addEditor(TabSheet1, "Edit_Email", fieldWidth("Edit_Email"), QRect(6, 198, 220, 21));
    Button_Email = new QPushButton(u"Wyślij e-mail"_s, TabSheet1);
    Button_Email->setObjectName(u"Button_Email"_s);
    Button_Email->setGeometry(126, 222, 100, 22);
    Button_Email->setAutoDefault(false);
    connect(Button_Email, &QPushButton::clicked, this, &TForm_Notatniczek::Button_EmailClick);
}

void TForm_Notatniczek::createPersonalPage()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(u"TabSheet2"_s);
    PageControl1->addTab(TabSheet2, u"&Osobiste"_s);
    const auto calendarButton = [this](const char *name, QRect geometry) {
        QToolButton *button = speedButton(TabSheet2, name, u"Kalendarz"_s, geometry);
        button->setText(u"…"_s);
        return button;
    };
    addLabel(TabSheet2, u"Pseudonim"_s, QPoint(6, 2));
    Edit_Pseudo = addEditor(TabSheet2, "Edit_Pseudo", fieldWidth("Edit_Pseudo"), QRect(6, 16, 220, 21));
    addLabel(TabSheet2, u"Urodziny"_s, QPoint(6, 40));
    Edit_Urodziny = addEditor(TabSheet2, "Edit_Urodziny", fieldWidth("Edit_Urodziny"), QRect(6, 54, 76, 21));
    SB_Urodziny = calendarButton("SB_Urodziny", QRect(84, 54, 21, 21));
    addLabel(TabSheet2, u"Imieniny"_s, QPoint(120, 40));
    Edit_Imieniny = addEditor(TabSheet2, "Edit_Imieniny", fieldWidth("Edit_Imieniny"), QRect(120, 54, 50, 21));
    SB_Imieniny = calendarButton("SB_Imieniny", QRect(172, 54, 21, 21));
    addLabel(TabSheet2, u"Ślub"_s, QPoint(6, 78));
    Edit_Slub = addEditor(TabSheet2, "Edit_Slub", fieldWidth("Edit_Slub"), QRect(6, 92, 76, 21));
    SB_Slub = calendarButton("SB_Slub", QRect(84, 92, 21, 21));
    Button_Biorytmy = new QPushButton(u"&Biorytmy"_s, TabSheet2);
    Button_Biorytmy->setObjectName(u"Button_Biorytmy"_s);
    Button_Biorytmy->setGeometry(120, 91, 106, 23);
    Button_Biorytmy->setAutoDefault(false);
    Button_Biorytmy->setEnabled(false);
    connect(Button_Biorytmy, &QPushButton::clicked, this, &TForm_Notatniczek::Button_BiorytmyClick);
    addLabel(TabSheet2, u"Adres (Ulica, nr domu, nr mieszkania)"_s, QPoint(6, 118));
    Edit_DomUlica = addEditor(TabSheet2, "Edit_DomUlica", fieldWidth("Edit_DomUlica"), QRect(6, 132, 220, 21));
    addLabel(TabSheet2, u"Miasto"_s, QPoint(6, 156));
    Edit_DomMiasto = addEditor(TabSheet2, "Edit_DomMiasto", fieldWidth("Edit_DomMiasto"), QRect(6, 170, 150, 21));
    addLabel(TabSheet2, u"Kod poczt."_s, QPoint(162, 156));
    Edit_DomKod = addEditor(TabSheet2, "Edit_DomKod", fieldWidth("Edit_DomKod"), QRect(162, 170, 64, 21));
    addLabel(TabSheet2, u"Osobista strona internetowa"_s, QPoint(6, 194));
    Edit_DomURL = addEditor(TabSheet2, "Edit_DomURL", fieldWidth("Edit_DomURL"), QRect(6, 208, 150, 21));
    Button_DomURL = new QPushButton(u"Przeglądaj"_s, TabSheet2);
    Button_DomURL->setObjectName(u"Button_DomURL"_s);
    Button_DomURL->setGeometry(160, 207, 66, 23);
    Button_DomURL->setAutoDefault(false);
    connect(Button_DomURL, &QPushButton::clicked, this, &TForm_Notatniczek::Button_DomURLClick);
    Edit_Rocznica = addEditor(TabSheet2, "Edit_Rocznica", fieldWidth("Edit_Rocznica"), QRect(6, 236, 76, 21));
    Edit_Rocznica->setEnabled(false);
    Edit_Rocznica->hide();
}

void TForm_Notatniczek::createWorkPage()
{
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(u"TabSheet3"_s);
    PageControl1->addTab(TabSheet3, u"&Praca"_s);
    addLabel(TabSheet3, u"Firma"_s, QPoint(6, 2));
    Edit_Firma = addEditor(TabSheet3, "Edit_Firma", fieldWidth("Edit_Firma"), QRect(6, 16, 220, 21));
    addLabel(TabSheet3, u"Stanowisko"_s, QPoint(6, 40));
    Edit_Tytul = addEditor(TabSheet3, "Edit_Tytul", fieldWidth("Edit_Tytul"), QRect(6, 54, 220, 21));
    addLabel(TabSheet3, u"Departament"_s, QPoint(6, 78));
    Edit_Dep = addEditor(TabSheet3, "Edit_Dep", fieldWidth("Edit_Dep"), QRect(6, 92, 220, 21));
    addLabel(TabSheet3, u"Adres (Ulica, nr domu, nr mieszkania)"_s, QPoint(6, 118));
    Edit_PracaUlica = addEditor(TabSheet3, "Edit_PracaUlica", fieldWidth("Edit_PracaUlica"), QRect(6, 132, 220, 21));
    addLabel(TabSheet3, u"Miasto"_s, QPoint(6, 156));
    Edit_PracaMiasto = addEditor(TabSheet3, "Edit_PracaMiasto", fieldWidth("Edit_PracaMiasto"), QRect(6, 170, 150, 21));
    addLabel(TabSheet3, u"Kod poczt."_s, QPoint(162, 156));
    Edit_PracaKod = addEditor(TabSheet3, "Edit_PracaKod", fieldWidth("Edit_PracaKod"), QRect(162, 170, 64, 21));
    addLabel(TabSheet3, u"Firmowa strona internetowa"_s, QPoint(6, 194));
    Edit_PracaURL = addEditor(TabSheet3, "Edit_PracaURL", fieldWidth("Edit_PracaURL"), QRect(6, 208, 150, 21));
    Button_PracaURL = new QPushButton(u"Przeglądaj"_s, TabSheet3);
    Button_PracaURL->setObjectName(u"Button_PracaURL"_s);
    Button_PracaURL->setGeometry(160, 207, 66, 23);
    Button_PracaURL->setAutoDefault(false);
    connect(Button_PracaURL, &QPushButton::clicked, this, &TForm_Notatniczek::Button_PracaURLClick);
}

void TForm_Notatniczek::createNotesPage()
{
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(u"TabSheet4"_s);
    PageControl1->addTab(TabSheet4, u"&Notatki"_s);
    Memo_Notatki = new NotesEdit(
        [this] {
            refused();
        },
        TabSheet4);
    Memo_Notatki->setObjectName(u"Memo_Notatki"_s);
    Memo_Notatki->setMaxLength(ContactFile::notesMaxLength);
    Memo_Notatki->setGeometry(4, 4, 226, 236);
    Memo_Notatki->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Notatki->setTabChangesFocus(false);
    Memo_Notatki->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Notatki->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TForm_Notatniczek::connectEditors()
{
    for (QLineEdit *edit : std::as_const(m_fieldEditors)) {
        if (edit == Edit_Urodziny) {
            connect(edit, &QLineEdit::textChanged, this, &TForm_Notatniczek::Edit_UrodzinyChange);
        } else {
            connect(edit, &QLineEdit::textChanged, this, &TForm_Notatniczek::Change);
        }
        edit->installEventFilter(this);
    }
    connect(Memo_Notatki, &QPlainTextEdit::textChanged, this, &TForm_Notatniczek::Change);
    connect(ComboBox_Nazwa, &QComboBox::currentIndexChanged, this, &TForm_Notatniczek::ComboBox_NazwaChange);
    connect(ComboBox_Nazwa->lineEdit(), &QLineEdit::textEdited, this, &TForm_Notatniczek::ComboBox_NazwaEdited);
    for (QObject *watched : std::initializer_list<QObject *>{ComboBox_Nazwa,
                                                             ComboBox_Nazwa->lineEdit(),
                                                             ComboBox_Nazwa->view(),
                                                             Memo_Notatki,
                                                             Button_Zamknij,
                                                             Button_Biorytmy}) {
        watched->installEventFilter(this);
    }
}

// ---- showing and closing ----

void TForm_Notatniczek::showEvent(QShowEvent *event)
{
    ShellWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TForm_Notatniczek::FormShow()
{
    QDir data(m_services.dataDir);
    data.mkpath(QLatin1String(ContactFile::notesFolder));
    data.mkpath(QLatin1String(ContactFile::photoFolder));
    if (!QFileInfo(data.filePath(QLatin1String(ContactFile::notesFolder))).isDir()) {
        m_services.prompter.messageBox(this,
                                       u"Przekopiuj program na twardy dysk !\rProgram nie może być uruchomiony z "
                                       u"sieci, CD-ROMu czy z dyskietki.\r"_s,
                                       u"Informacja"_s,
                                       MB_OK | MB_ICONEXCLAMATION);
        if (Form_Main) {
            Form_Main->Zakoncz1Click();
        }
        return;
    }
    Timer1Timer();
    if (m_book.isEmpty()) {
        Label_Info_Pokaz();
    } else {
        // A data file changed outside the program may no longer reach the stored position.
        const int stored = Form_Main ? Form_Main->settings().lastPosition : 0;
        m_position = std::clamp(stored, 0, m_book.count() - 1);
        Dane_Czytaj(m_position);
        Buduj_Combo();
    }
    if (Form_Main) {
        const Settings &s = Form_Main->settings();
        druk_osob->setChecked(s.printPersonal);
        druk_sluz->setChecked(s.printWork);
        druk_komorka->setChecked(s.printMobile);
        druk_email->setChecked(s.printEmail);
        druk_10->setChecked(s.printTenCopies);
    }
}

void TForm_Notatniczek::closeEvent(QCloseEvent *event)
{
    if (!m_closeAsked) {
        ChangeCheck();
    }
    m_closeAsked = true;
    if (Form_Main) {
        Settings &s = Form_Main->settings();
        s.lastPosition = m_position;
        s.printPersonal = druk_osob->isChecked();
        s.printWork = druk_sluz->isChecked();
        s.printMobile = druk_komorka->isChecked();
        s.printEmail = druk_email->isChecked();
        s.printTenCopies = druk_10->isChecked();
        Form_Main->saveSettings(this);
    }
    event->accept();
}

void TForm_Notatniczek::Button_ZamknijClick()
{
    ChangeCheck();
    m_closeAsked = true;
    close();
}

void TForm_Notatniczek::Timer1Timer()
{
    const QDateTime now = m_services.clock.now();
    QString longTime = QLocale().timeFormat(QLocale::LongFormat);
    longTime.remove(u't').replace(u"  "_s, u" "_s);
    Label_Godzina->setText(now.time().toString(longTime.trimmed()));
    const QString today = DateText::toText(now.date());
    if (Label_Data->text() != today) {
        Label_Data->setText(today);
        Imieniny();
    }
}

void TForm_Notatniczek::Imieniny()
{
    const QDate today = m_services.today();
    Label1->setText(u"Dziś jest "_s + QLocale().dayName(today.dayOfWeek(), QLocale::LongFormat));
    Label3->setText(QString::number(today.dayOfYear()) + u" dzień roku"_s);
    Label_wypisz2->setText(NameDays::builtIn().namesText(today));
}

// ---- reading and writing the shown contact ----

Contact TForm_Notatniczek::contactFromEditors() const
{
    Contact contact;
    for (const EditorField &f : editorFields) {
        contact.*f.field = (this->*f.editor)->text();
    }
    contact.Nazwa = ComboBox_Nazwa->currentText();
    return contact;
}

void TForm_Notatniczek::showContactInEditors(const Contact &contact)
{
    for (const EditorField &f : editorFields) {
        (this->*f.editor)->setText(contact.*f.field);
    }
    ComboBox_Nazwa->setEditText(contact.Nazwa);
}

void TForm_Notatniczek::Dane_Czytaj(int index)
{
    if (index < 0 || index >= m_book.count()) {
        return;
    }
    const Contact contact = m_book.list().contact(index);
    QString notes;
    QString error;
    const bool notesRead = m_book.readNotes(contact.ID, &notes, &error);
    m_filling = true;
    if (ComboBox_Nazwa->currentIndex() != index) {
        setSelection(-1); // a pick left from before browsing must not lead Enter back to it
    }
    showContactInEditors(contact);
    m_storedName = contact.Nazwa;
    m_photoPath = m_book.photoPath(contact.ID);
    showPhoto();
    Memo_Notatki->setPlainText(notes);
    m_filling = false;
    m_changed = false;
    setCounterBold(false);
    refreshCounter();
    Label_Info_Pokaz();
    if (!notesRead) {
        m_services.showError(this, error);
    }
}

void TForm_Notatniczek::Dane_Zeruj()
{
    m_filling = true;
    showContactInEditors(Contact());
    Memo_Notatki->clear();
    clearPhoto();
    m_filling = false;
    m_position = -1;
}

bool TForm_Notatniczek::Dane_Zapisz()
{
    QString error;
    if (!m_book.store(&m_position, contactFromEditors(), Memo_Notatki->toPlainText(), &error)) {
        Buduj_Combo(); // the contact may be saved and sorted with only its notes failed
        m_services.showError(this, error);
        return false;
    }
    m_storedName = FixedText::trimmed(ComboBox_Nazwa->currentText());
    return true;
}

void TForm_Notatniczek::Buduj_Combo()
{
    const bool any = !m_book.isEmpty();
    Button_Zapisz->setEnabled(any);
    Button_Kasuj->setEnabled(any);
    const QString text = ComboBox_Nazwa->currentText();
    const int cursor = ComboBox_Nazwa->lineEdit()->cursorPosition();
    {
        const QSignalBlocker block(ComboBox_Nazwa);
        static_cast<QStringListModel *>(ComboBox_Nazwa->model())->setStringList(m_book.list().names());
        ComboBox_Nazwa->setCurrentIndex(-1);
        ComboBox_Nazwa->setEditText(text);
        ComboBox_Nazwa->lineEdit()->setCursorPosition(cursor);
    }
    refreshCounter();
}

void TForm_Notatniczek::setSelection(int index)
{
    const QSignalBlocker block(ComboBox_Nazwa);
    ComboBox_Nazwa->setCurrentIndex(index);
}

void TForm_Notatniczek::refreshCounter()
{
    Label_Ile->setText(u"%1/%2"_s.arg(m_position + 1).arg(m_book.count()));
}

void TForm_Notatniczek::setCounterBold(bool bold)
{
    QFont f = Label_Ile->font();
    f.setBold(bold);
    Label_Ile->setFont(f);
}

void TForm_Notatniczek::Label_Info_Pokaz()
{
    const QString nick = FixedText::trimmed(Edit_Pseudo->text());
    const QString company = FixedText::trimmed(Edit_Firma->text());
    Label_Info->setText(nick + (!nick.isEmpty() && !company.isEmpty() ? u", "_s : QString()) + company);
}

void TForm_Notatniczek::setPhotoCommands(bool photoExists)
{
    pm_edytuj->setEnabled(photoExists);
    pm_odswiez->setEnabled(photoExists);
    pm_usun->setEnabled(photoExists);
}

// ---- change tracking ----

void TForm_Notatniczek::Change()
{
    if (m_filling) {
        return;
    }
    if (!m_book.isEmpty()) {
        m_changed = true;
    } else {
        m_services.prompter.messageBox(
            this, u"Użyj przycisku nowy, aby wprowadzić kontakt!"_s, u"Informacja!"_s, MB_OK | MB_ICONINFORMATION);
    }
    setCounterBold(true);
    Label_Info_Pokaz();
}

void TForm_Notatniczek::Edit_UrodzinyChange()
{
    Button_Biorytmy->setEnabled(DateText::parse(Edit_Urodziny->text()) != DateText::invalid);
    if (m_filling) {
        return;
    }
    m_changed = true;
    setCounterBold(true);
}

void TForm_Notatniczek::ChangeCheck()
{
    if (!m_changed || m_book.isEmpty()) {
        return;
    }
    const Prompter::Answer answer =
        m_services.prompter.messageBox(this,
                                       u"Dane zostały zmienione!\rChcesz zapisać bieżący kontakt?"_s,
                                       u"Ostrzeżenie!"_s,
                                       MB_YESNO | MB_ICONQUESTION);
    if (answer == Prompter::Yes) {
        Button_ZapiszClick();
    }
    m_changed = false;
}

void TForm_Notatniczek::ComboBox_NazwaChange(int index)
{
    if (ComboBox_Nazwa->isDroppedDown()) {
        return;
    }
    if (index >= 0 && index != m_position) {
        m_position = index;
        Dane_Czytaj(index);
        setSelection(index);
    }
}

void TForm_Notatniczek::ComboBox_NazwaEdited(const QString &text)
{
    // Typing a name drops the selection, as the list no longer names what the box holds.
    if (ComboBox_Nazwa->currentIndex() >= 0) {
        QLineEdit *edit = ComboBox_Nazwa->lineEdit();
        const int cursor = edit->cursorPosition();
        setSelection(-1);
        edit->setText(text);
        edit->setCursorPosition(cursor);
    }
    if (FixedText::trimmed(text) != m_storedName) {
        Change();
    }
}

void TForm_Notatniczek::refused()
{
    m_services.prompter.beep(Prompter::Exclamation);
}

// ---- commands ----

void TForm_Notatniczek::Button_PierwszyClick()
{
    if (m_position <= 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    ChangeCheck();
    m_position = 0;
    Dane_Czytaj(m_position);
}

void TForm_Notatniczek::Button_PoprzedniClick()
{
    if (m_position <= 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    ChangeCheck();
    m_position = std::min(m_position, m_book.count()) - 1;
    Dane_Czytaj(m_position);
}

void TForm_Notatniczek::Button_NastepnyClick()
{
    if (m_book.isEmpty() || m_position >= m_book.count() - 1) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    ChangeCheck();
    m_position = std::min(m_position + 1, m_book.count() - 1);
    Dane_Czytaj(m_position);
}

void TForm_Notatniczek::Button_OstatniClick()
{
    if (m_book.isEmpty() || m_position >= m_book.count() - 1) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    ChangeCheck();
    m_position = m_book.count() - 1;
    Dane_Czytaj(m_position);
}

void TForm_Notatniczek::Button_DodajClick()
{
    ChangeCheck();
    QString id;
    QString error;
    if (!m_book.list().newIdentifier(&id, &error)) {
        m_services.showError(this, error);
        return;
    }
    const int previous = m_position;
    Dane_Zeruj();
    {
        const QSignalBlocker block(ComboBox_Nazwa);
        ComboBox_Nazwa->setEditText(placeholderName());
    }
    m_filling = true; // the new identifier is not the user's edit
    Edit_ID->setText(id);
    m_filling = false;
    if (!m_book.add(contactFromEditors(), &error)) {
        m_services.showError(this, error);
        if (previous >= 0 && previous < m_book.count()) {
            m_position = previous;
            Dane_Czytaj(m_position);
        } else {
            Dane_Zeruj(); // no placeholder or identifier of a contact that was never stored
        }
        refreshCounter();
        return;
    }
    m_position = m_book.count() - 1;
    Dane_Czytaj(m_position);
    Buduj_Combo();
    ComboBox_Nazwa->setFocus();
    ComboBox_Nazwa->lineEdit()->selectAll();
}

void TForm_Notatniczek::Button_ZapiszClick()
{
    if (FixedText::trimmed(ComboBox_Nazwa->currentText()).isEmpty()) {
        m_services.prompter.messageBox(
            this, u"Nie wprowadzono nazwiska"_s, u"Wyjaśnienie"_s, MB_OK | MB_ICONEXCLAMATION);
    } else if (isPositionValid() && Dane_Zapisz()) {
        Buduj_Combo();
        m_changed = false;
        setCounterBold(false);
    }
    refreshCounter();
    Label_Info_Pokaz();
}

void TForm_Notatniczek::Button_KasujClick()
{
    if (m_book.isEmpty()) {
        m_services.prompter.messageBox(
            this, u"Nie wprowadzono żadnych kontaktów!"_s, u"Wyjaśnienie"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!isPositionValid()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    if (m_services.prompter.messageBox(
            this, u"Chcesz skasować bieżący kontakt?"_s, u"Ostrzeżenie!"_s, MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON2)
        != Prompter::Ok) {
        return;
    }
    QString error;
    if (!m_book.remove(m_position, &error)) {
        m_services.showError(this, error);
        return;
    }
    clearPhoto();
    setPhotoCommands(false);
    int position = m_position;
    if (position == m_book.count()) {
        --position;
    }
    Dane_Zeruj();
    m_position = position;
    if (!m_book.isEmpty()) {
        Dane_Czytaj(m_position);
    }
    m_changed = false;
    setCounterBold(false);
    Buduj_Combo();
}

void TForm_Notatniczek::Button_BiorytmyClick()
{
    // Beeps and brings the open one to the front when a chart is already shown.
    TForm_Biorytmy::openFor(Edit_Urodziny->text());
}

void TForm_Notatniczek::Button_EmailClick()
{
    const QString address = FixedText::trimmed(Edit_Email->text());
    const QUrl url = address.isEmpty() ? QUrl() : safeMailAddress(address);
    if (url.isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    m_services.shell.open(url);
}

void TForm_Notatniczek::openWebPage(const QLineEdit *edit)
{
    const QString address = FixedText::trimmed(edit->text());
    const QUrl url = address.isEmpty() ? QUrl() : safeWebAddress(address);
    if (url.isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    m_services.shell.open(url);
}

void TForm_Notatniczek::Button_DomURLClick()
{
    openWebPage(Edit_DomURL);
}

void TForm_Notatniczek::Button_PracaURLClick()
{
    openWebPage(Edit_PracaURL);
}

void TForm_Notatniczek::pm_edytujClick()
{
    if (m_photoPath.isEmpty() || !QFileInfo::exists(m_photoPath)) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    m_services.shell.edit(m_photoPath);
}

void TForm_Notatniczek::Edit_KodExit(QLineEdit *edit)
{
    const QString text = edit->text();
    if (text.size() == 5) {
        edit->setText(text.left(2) + u'-' + text.right(3));
    }
    if (edit->text().size() < 6) {
        m_services.prompter.beep(Prompter::Exclamation);
    }
}

// ---- date buttons, search, photo and business cards ----

namespace {

// Calls back on a double click anywhere in the watched widget or in children that pass it on.
class DoubleClickFilter : public QObject
{
public:
    DoubleClickFilter(std::function<void()> onDoubleClick, QObject *parent)
        : QObject(parent)
        , m_onDoubleClick(std::move(onDoubleClick))
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonDblClick) {
            m_onDoubleClick();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onDoubleClick;
};

constexpr char noPrinterText[] = "W tym komputerze nie zainstalowano drukarki!";

} // namespace

void TForm_Notatniczek::connectContactTools()
{
    for (QToolButton *button : {SB_Urodziny, SB_Imieniny, SB_Slub}) {
        connect(button, &QToolButton::clicked, this, &TForm_Notatniczek::SB_UrodzinyClick);
    }

    FindDialog1 = new FindDialog(this);
    FindDialog1->setObjectName(u"FindDialog1"_s);
    connect(FindDialog1, &FindDialog::shown, this, &TForm_Notatniczek::FindDialog1Show);
    connect(FindDialog1, &FindDialog::findRequested, this, &TForm_Notatniczek::FindDialog1Find);
    connect(Button_Szukaj, &QToolButton::clicked, this, &TForm_Notatniczek::Button_SzukajClick);

    connect(pm_dodaj, &QAction::triggered, this, &TForm_Notatniczek::Panel_ZdjecieDblClick);
    connect(pm_odswiez, &QAction::triggered, this, &TForm_Notatniczek::pm_odswiezClick);
    connect(pm_usun, &QAction::triggered, this, &TForm_Notatniczek::pm_usunClick);
    // With no contact shown a chosen picture would have no identifier to be stored under.
    connect(PMenu1, &QMenu::aboutToShow, this, [this] {
        pm_dodaj->setEnabled(isPositionValid());
    });
    Panel1->installEventFilter(new DoubleClickFilter(
        [this] {
            Panel_ZdjecieDblClick();
        },
        Panel1));

    connect(druk1, &QAction::triggered, this, &TForm_Notatniczek::druk1Click);
    connect(druk_Ustawienia, &QAction::triggered, this, &TForm_Notatniczek::druk_UstawieniaClick);
    PMenu2->addSeparator();
    druk_PDF = PMenu2->addAction(u"Zapisz jako &PDF..."_s);
    druk_PDF->setObjectName(u"druk_PDF"_s);
    connect(druk_PDF, &QAction::triggered, this, &TForm_Notatniczek::druk_PDFClick);

    // Export and import sit at the end of the print menu; an import re-sorts the list, so the
    // shown contact is found again by its identifier.
    auto *exchange = new ContactExchangeMenu(this, PMenu2, m_services, m_book);
    connect(exchange, &ContactExchangeMenu::aboutToUseBook, this, &TForm_Notatniczek::ChangeCheck);
    connect(exchange, &ContactExchangeMenu::imported, this, [this] {
        const QString shown = Edit_ID->text().trimmed();
        m_position = 0;
        for (int i = 0; i < m_book.count(); ++i) {
            if (!shown.isEmpty() && Contact::idOf(m_book.list().line(i)) == shown) {
                m_position = i;
            }
        }
        Buduj_Combo();
        Dane_Czytaj(m_position);
        setSelection(m_position);
    });
}

void TForm_Notatniczek::SB_UrodzinyClick()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == u"SB_Imieniny"_s) {
        pickDate(Edit_Imieniny, TForm_Kalendarz::LockYear, 5); // a name day keeps "dd.MM"
    } else if (name == u"SB_Slub"_s) {
        pickDate(Edit_Slub, TForm_Kalendarz::YearEditable, 10);
    } else if (name == u"SB_Urodziny"_s) {
        pickDate(Edit_Urodziny, TForm_Kalendarz::YearEditable, 10);
    }
}

void TForm_Notatniczek::pickDate(QLineEdit *field, int tag, int keepChars)
{
    // The new text reaches the field as an edit, so change tracking sees it.
    TForm_Kalendarz::pick(this, field, m_services, tag, keepChars);
}

void TForm_Notatniczek::Button_SzukajClick()
{
    if (FindDialog1->isVisible()) {
        FindDialog1->raise();
        FindDialog1->activateWindow();
        return;
    }
    FindDialog1->show();
}

void TForm_Notatniczek::FindDialog1Show()
{
    m_search.dialogShown();
}

void TForm_Notatniczek::FindDialog1Find()
{
    const int found = m_search.findNext(m_book.list(), FindDialog1->findText());
    if (found < 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    // Saving the shown contact re-sorts the list; the found one is then looked up again by its
    // line, the n-th of any identical lines, so the window still shows what was found.
    const int shown = m_position;
    const QByteArray foundLine = m_book.list().line(found);
    const auto twinsBefore = [this, &foundLine](int end, int skip) {
        int n = 0;
        for (int i = 0; i < end; ++i) {
            n += i != skip && m_book.list().line(i) == foundLine;
        }
        return n;
    };
    const int twins = found == shown ? 0 : twinsBefore(found, shown);
    ChangeCheck();
    int target = found;
    if (found == shown) {
        target = m_position;
    } else if (target >= m_book.count() || m_book.list().line(target) != foundLine
               || twinsBefore(target, m_position) != twins) {
        for (int i = 0, seen = 0; i < m_book.count(); ++i) {
            if (i != m_position && m_book.list().line(i) == foundLine && seen++ == twins) {
                target = i;
                break;
            }
        }
    }
    if (target != found) {
        m_search.continueAfter(target);
    }
    m_position = target;
    Dane_Czytaj(m_position);
}

void TForm_Notatniczek::clearPhoto()
{
    Image_Zdjecie->clear();
    Image_Zdjecie->hide();
    Panel1->setText(u"<brak zdjęcia>"_s);
    Panel1->setToolTip({});
}

void TForm_Notatniczek::showPhoto()
{
    clearPhoto();
    const bool exists = !m_photoPath.isEmpty() && QFileInfo::exists(m_photoPath);
    setPhotoCommands(exists);
    if (!exists) {
        return;
    }
    // A photo that cannot be shown says so in its frame; browsing goes on without a box.
    QImage picture;
    QString error;
    if (!PhotoStore::load(m_photoPath, Image_Zdjecie->size(), &picture, &error)) {
        Panel1->setText(u"<nieczytelne zdjęcie>"_s);
        Panel1->setToolTip(error);
        return;
    }
    Image_Zdjecie->setPixmap(
        QPixmap::fromImage(picture.scaled(Image_Zdjecie->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    Image_Zdjecie->show();
}

void TForm_Notatniczek::Panel_ZdjecieDblClick()
{
    if (!isPositionValid() || m_photoPath.isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    const QString chosen = PhotoPicker::choose(this);
    if (chosen.isEmpty()) {
        return;
    }
    PhotoStore::Prepared prepared;
    QString error;
    if (!PhotoStore::prepare(chosen, Image_Zdjecie->size(), &prepared, &error)
        || !PhotoStore::store(m_photoPath, prepared.bytes, &error)) {
        m_services.showError(this, error); // nothing written, the old photo stays
        return;
    }
    showPhoto();
}

void TForm_Notatniczek::pm_odswiezClick()
{
    showPhoto();
}

void TForm_Notatniczek::pm_usunClick()
{
    if (m_services.prompter.messageBox(
            this, u"Chcesz skasować zdjęcie?"_s, u"Ostrzeżenie!"_s, MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON2)
        != Prompter::Ok) {
        return;
    }
    clearPhoto();
    if (!m_photoPath.isEmpty()) {
        (void)TextFile::removeIfExists(m_photoPath, nullptr);
    }
    setPhotoCommands(false);
}

CardLayout::Content TForm_Notatniczek::cardContent() const
{
    CardLayout::Content c;
    c.name = ComboBox_Nazwa->currentText();
    c.Firma = Edit_Firma->text();
    c.Dep = Edit_Dep->text();
    c.Tytul = Edit_Tytul->text();
    c.Email = Edit_Email->text();
    c.TelKom = Edit_TelKom->text();
    c.TelDom = Edit_TelDom->text();
    c.DomMiasto = Edit_DomMiasto->text();
    c.DomKod = Edit_DomKod->text();
    c.DomUlica = Edit_DomUlica->text();
    c.PracaURL = Edit_PracaURL->text();
    c.Faks = Edit_Faks->text();
    c.TelSlu = Edit_TelSlu->text();
    c.TelWew = Edit_TelWew->text();
    c.PracaMiasto = Edit_PracaMiasto->text();
    c.PracaKod = Edit_PracaKod->text();
    c.PracaUlica = Edit_PracaUlica->text();
    return c;
}

CardLayout::Options TForm_Notatniczek::cardOptions() const
{
    return {druk_osob->isChecked(),
            druk_sluz->isChecked(),
            druk_komorka->isChecked(),
            druk_email->isChecked(),
            druk_10->isChecked()};
}

bool TForm_Notatniczek::refuseWithoutPrinter()
{
    if (CardPrinter::printersInstalled()) {
        return false;
    }
    m_services.prompter.beep(Prompter::Exclamation);
    m_services.prompter.messageBox(this, QString::fromUtf8(noPrinterText), u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void TForm_Notatniczek::druk1Click()
{
    if (refuseWithoutPrinter()) {
        return;
    }
    switch (CardPrinter::print(CardPrinter::sessionPrinter(), cardContent(), cardOptions())) {
    case CardPrinter::Outcome::Printed:
    case CardPrinter::Outcome::NoPrinter:
        break;
    case CardPrinter::Outcome::PaperTooSmall:
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(
            this, u"Drukarka ma ustawiony za mały format papieru!"_s, u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
        break;
    case CardPrinter::Outcome::Failed:
        m_services.showError(this, u"Nie udało się wydrukować wizytówki."_s);
        break;
    }
}

void TForm_Notatniczek::druk_UstawieniaClick()
{
    if (refuseWithoutPrinter()) {
        return;
    }
    QPrintDialog dialog(&CardPrinter::sessionPrinter(), this);
    dialog.setObjectName(u"PrinterSetupDialog"_s);
    dialog.setWindowTitle(u"Ustawienia wydruku"_s);
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok)) {
            ok->setText(u"OK"_s); // this dialog only chooses; printing is "Drukuj bieżący"
        }
    }
    dialog.exec();
}

void TForm_Notatniczek::druk_PDFClick()
{
    QFileDialog dialog(this, u"Zapisz jako PDF"_s, m_services.dataDir, u"Dokumenty PDF (*.pdf)"_s);
    dialog.setObjectName(u"SavePdfDialog"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"pdf"_s);
    // The suggested name comes from the contact; a slash in it would name a folder.
    QString name = FixedText::swapNameOrder(ComboBox_Nazwa->currentText()).trimmed();
    name.replace(u'/', u'_').replace(u'\\', u'_');
    dialog.selectFile((name.isEmpty() ? u"Wizytowka"_s : name) + u".pdf"_s);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    QString error;
    if (!CardPrinter::savePdf(dialog.selectedFiles().constFirst(), cardContent(), cardOptions(), &error)) {
        m_services.showError(this, error);
    }
}

// ---- keyboard ----

bool TForm_Notatniczek::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == Edit_DomKod || watched == Edit_PracaKod)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            Edit_KodExit(static_cast<QLineEdit *>(watched));
        }
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride && watched == ComboBox_Nazwa->view()
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Esc reaches the key handler, which closes the list itself
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && isWindowKey(static_cast<QKeyEvent *>(event))) {
        event->accept(); // the window's keys win over mnemonics such as "&Notatki"
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        return FormKeyDown(watched, static_cast<QKeyEvent *>(event));
    }
    return ShellWindow::eventFilter(watched, event);
}

bool TForm_Notatniczek::isWindowKey(const QKeyEvent *event) const
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if (mods == Qt::NoModifier && key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        return true;
    }
    if (mods == (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) && key == Qt::Key_Q) {
        return true;
    }
    return (mods == Qt::ControlModifier || mods == Qt::AltModifier)
           && (key == Qt::Key_F || key == Qt::Key_M || key == Qt::Key_N || key == Qt::Key_P || key == Qt::Key_S);
}

bool TForm_Notatniczek::FormKeyDown(QObject *watched, QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    const bool inList = watched == ComboBox_Nazwa->view();

    if (key == Qt::Key_Escape && mods == Qt::NoModifier) {
        if (inList || ComboBox_Nazwa->isDroppedDown()) {
            ComboBox_Nazwa->hidePopup();
            Dane_Czytaj(m_position);
        } else {
            close();
        }
        return true;
    }
    if (inList) {
        return false; // the dropped-down list moves and picks as usual
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        if (watched == Memo_Notatki) {
            return false;
        }
        // Only a pick of another contact moves there; rereading the shown one would just drop its edits.
        const int selected = ComboBox_Nazwa->currentIndex();
        if (selected >= 0 && selected < m_book.count() && selected != m_position) {
            m_position = selected;
            Dane_Czytaj(selected);
        } else {
            focusNextChild();
        }
        return true;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && mods == Qt::NoModifier) {
        if (watched == Memo_Notatki) {
            return false;
        }
        if (!ComboBox_Nazwa->isDroppedDown() && isPositionValid()) {
            setSelection(m_position);
        }
        return false;
    }
    if (!isWindowKey(event)) {
        return false;
    }
    if (mods == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_F5:
            Button_PierwszyClick();
            return true;
        case Qt::Key_F6:
            Button_PoprzedniClick();
            return true;
        case Qt::Key_F7:
            Button_NastepnyClick();
            return true;
        case Qt::Key_F8:
            Button_OstatniClick();
            return true;
        case Qt::Key_F9:
        case Qt::Key_F10:
        case Qt::Key_F11:
        case Qt::Key_F12:
            PageControl1->setCurrentIndex(key - Qt::Key_F9);
            return true;
        case Qt::Key_F1:
            SB_TelDomClick();
            return true;
        case Qt::Key_F2:
            SB_TelSluClick();
            return true;
        case Qt::Key_F3:
            SB_TelKomClick();
            return true;
        default:
            return true;
        }
    }
    if (key == Qt::Key_Q) {
        if (Form_Main) {
            Form_Main->Zakoncz1Click(); // at once, without the close steps
        }
        return true;
    }
    switch (key) {
    case Qt::Key_M:
        Button_EmailClick();
        break;
    case Qt::Key_N:
        Button_DodajClick();
        break;
    case Qt::Key_S:
        Button_ZapiszClick();
        break;
    case Qt::Key_F:
        Button_SzukajClick();
        break;
    case Qt::Key_P:
        druk1Click();
        break;
    default:
        break;
    }
    return true;
}

void TForm_Notatniczek::SB_TelDomClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelDom->text());
    }
}

void TForm_Notatniczek::SB_TelSluClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelSlu->text());
    }
}

void TForm_Notatniczek::SB_TelKomClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelKom->text());
    }
}

void TForm_Notatniczek::Button_SzybkieClick()
{
    if (!Form_Main) {
        return;
    }
    if (Form_Main->lineDeviceCount() == 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(
            this, u"W tym komputerze nie zainstalowano modemu!"_s, u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Form_Main->openWindow(Form_Szybkie);
}

void TForm_Notatniczek::SB_SzybkieTelDomClick()
{
    addToQuickDial(Edit_TelDom, u" - dom"_s);
}

void TForm_Notatniczek::SB_SzybkieTelSluClick()
{
    const QString company = FixedText::trimmed(Edit_Firma->text());
    addToQuickDial(Edit_TelSlu, company.isEmpty() ? u" - praca"_s : u" - "_s + company);
}

void TForm_Notatniczek::SB_SzybkieTelKomClick()
{
    addToQuickDial(Edit_TelKom, u" - komórka"_s);
}

void TForm_Notatniczek::addToQuickDial(const QLineEdit *numberEdit, const QString &suffix)
{
    const QString number = FixedText::trimmed(numberEdit->text());
    if (number.isEmpty() || !Form_Main || Form_Main->lineDeviceCount() == 0) {
        return;
    }
    Settings &settings = Form_Main->settings();
    for (int n = 1; n <= 8; ++n) {
        if (FixedText::trimmed(settings.quickNames[n]).isEmpty()
            && FixedText::trimmed(settings.quickNumbers[n]).isEmpty()) {
            settings.quickNames[n] = FixedText::trimmed(ComboBox_Nazwa->currentText()) + suffix;
            settings.quickNumbers[n] = number;
            m_services.prompter.beep(Prompter::Default);
            return;
        }
    }
}

bool TForm_Notatniczek::hasUnsavedChanges() const
{
    return m_changed || ComboBox_Nazwa->currentText() == placeholderName();
}

void TForm_Notatniczek::reloadAfterSync()
{
    const QString shown = Edit_ID->text().trimmed();
    QString error;
    const bool read = m_book.load(&error);
    int position = std::clamp(m_position, 0, std::max(m_book.count() - 1, 0));
    for (int i = 0; i < m_book.count(); ++i) {
        if (!shown.isEmpty() && Contact::idOf(m_book.list().line(i)) == shown) {
            position = i;
        }
    }
    if (m_book.isEmpty()) {
        Dane_Zeruj();
    } else {
        m_position = position;
        Dane_Czytaj(m_position);
    }
    Buduj_Combo();
    setSelection(m_position);
    if (!read) {
        m_services.showError(this, error);
    }
}
