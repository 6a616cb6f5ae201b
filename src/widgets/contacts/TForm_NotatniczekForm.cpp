// The window's widgets: their places, captions and limits, and the wiring of their signals.
// What the window does with them is in TForm_Notatniczek.cpp.

#include "ContactEditors.h"
#include "ContactExchangeMenu.h"
#include "FindDialog.h"
#include "TForm_Notatniczek.h"

#include "core/contacts/NameDays.h"
#include "widgets/shell/Accessibility.h"
#include "widgets/shell/Fonts.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStringListModel>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

#include <array>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

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

// The height of the tallest day's names in the today panel, drawn word-wrapped in the given width.
int tallestNameDayText(const QFont &font, int width)
{
    const QFontMetrics metrics(font);
    int tallest = 0;
    const QDate leapYear(2024, 1, 1);
    for (int day = 0; day < 366; ++day) {
        const QString names = NameDays::builtIn().namesText(leapYear.addDays(day));
        const QRect drawn =
            metrics.boundingRect(QRect(0, 0, width, 10000), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, names);
        tallest = std::max(tallest, drawn.height());
    }
    return tallest;
}

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

} // namespace

QLabel *TForm_Notatniczek::addLabel(QWidget *parent, const QString &caption, QPoint at, QWidget *field)
{
    auto *label = new QLabel(caption, parent);
    label->move(at);
    label->adjustSize();
    Accessibility::caption(label, field);
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
    // The names of every day must fit whole in the today panel, however tall the installed font
    // draws them. As laid out they have 32 pixels; where some day needs more, the gaps of the
    // column close up and the headings above them take the font's own line height, which gives
    // the room at 335 pixels with the photo at its full size. Only a font that needs more still
    // makes the window taller, and everything from the panel down moves with it.
    QLabel probe(this); // in the font a style sheet gives the names
    probe.ensurePolished();
    const int namesNeeded = tallestNameDayText(probe.font(), 137);
    QFont boldProbe = probe.font();
    boldProbe.setBold(true);
    const bool compact = namesNeeded > 32;
    const int lineHeight = std::max(QFontMetrics(probe.font()).height(), QFontMetrics(boldProbe).height());
    const int toolbarTop = compact ? 172 : 174;
    const int panelTop = compact ? 224 : 228;
    const std::array<int, 4> panelRows =
        compact ? std::array<int, 4>{2, 2 + lineHeight, 2 + 2 * lineHeight, 2 + 3 * lineHeight}
                : std::array<int, 4>{2, 15, 29, 42};
    const int panelBottom = compact ? 306 : 304; // the close button stands at 308
    const int namesRoom = panelBottom - panelTop - 2 - panelRows[3];
    const int extra = std::max(0, namesNeeded - namesRoom);
    const int namesHeight = namesRoom + extra;

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
    const auto toolbarButton = [this, st, toolbarTop](const char *name,
                                                      const QString &hint,
                                                      int column,
                                                      int row,
                                                      QStyle::StandardPixmap icon,
                                                      const QString &text) {
        QToolButton *button = speedButton(this, name, hint, QRect(8 + column * 27, toolbarTop + row * 25, 26, 25));
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
    Panel2->setGeometry(6, panelTop, 141, panelBottom - panelTop + extra);
    const int headingHeight = compact ? lineHeight : 13;
    QFont bold = font();
    bold.setBold(true);
    Label1 = new QLabel(u"Dziś"_s, Panel2);
    Label1->setObjectName(u"Label1"_s);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(2, panelRows[0], 137, headingHeight);
    Label3 = new QLabel(u"dzień roku"_s, Panel2);
    Label3->setObjectName(u"Label3"_s);
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setGeometry(2, panelRows[1], 137, headingHeight);
    Label2 = new QLabel(u"Imieniny obchodzą"_s, Panel2);
    Label2->setObjectName(u"Label2"_s);
    Label2->setFont(bold);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(2, panelRows[2], 137, headingHeight);
    Label_wypisz2 = new QLabel(u"imieniny"_s, Panel2);
    Label_wypisz2->setObjectName(u"Label_wypisz2"_s);
    Label_wypisz2->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label_wypisz2->setWordWrap(true);
    Label_wypisz2->setGeometry(2, panelRows[3], 137, namesHeight);

    Button_Zamknij = new QPushButton(u"&Zamknij"_s, this);
    Button_Zamknij->setObjectName(u"Button_Zamknij"_s);
    // Import and export have a button of their own beside "Zamknij", not the print button's menu.
    Button_Zamknij->setGeometry(6, 308 + extra, 113, 24);
    Button_Wymiana = speedButton(this, "Button_Wymiana", u"Import i eksport..."_s, QRect(121, 308 + extra, 26, 24));
    Button_Wymiana->setAutoRaise(false);
    Button_Wymiana->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    PMenu_Wymiana = new QMenu(this);
    PMenu_Wymiana->setObjectName(u"PMenu_Wymiana"_s);
    Button_Wymiana->setMenu(PMenu_Wymiana);
    Button_Wymiana->setPopupMode(QToolButton::InstantPopup);
    setFixedSize(width(), clientHeight + extra);
    Button_Zamknij->setAutoDefault(false);
    connect(Button_Zamknij, &QPushButton::clicked, this, &TForm_Notatniczek::Button_ZamknijClick);
}

void TForm_Notatniczek::createRightColumn()
{
    GroupBox1 = new QGroupBox(u"Nazwisko i imię"_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    GroupBox1->setGeometry(149, 0, 251, height() - 2);

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
    ComboBox_Nazwa->setAccessibleName(u"Nazwisko i imię"_s); // captioned by its group's title
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
    Edit_TelWew = addEditor(TabSheet1, "Edit_TelWew", fieldWidth("Edit_TelWew"), QRect(150, 66, 46, 26));
    addLabel(TabSheet1, u"Wew."_s, QPoint(150, 50), Edit_TelWew);
    SB_TelSlu = dialButton("SB_TelSlu", u"Wybierz numer służbowy"_s, 66);
    SB_SzybkieTelKom = quickLabel("SB_SzybkieTelKom", u"Telefon komórkowy"_s, 96);
    Edit_TelKom = addEditor(TabSheet1, "Edit_TelKom", fieldWidth("Edit_TelKom"), QRect(6, 112, 190, 26));
    SB_TelKom = dialButton("SB_TelKom", u"Wybierz numer komórkowy"_s, 112);
    Accessibility::caption(SB_SzybkieTelDom, Edit_TelDom);
    Accessibility::caption(SB_SzybkieTelSlu, Edit_TelSlu);
    Accessibility::caption(SB_SzybkieTelKom, Edit_TelKom);
    for (QLineEdit *edit : {Edit_TelDom, Edit_TelSlu, Edit_TelWew, Edit_TelKom}) {
        edit->setFont(phone);
    }
    Edit_Faks = addEditor(TabSheet1, "Edit_Faks", fieldWidth("Edit_Faks"), QRect(6, 158, 190, 21));
    addLabel(TabSheet1, u"Faks"_s, QPoint(6, 144), Edit_Faks);
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
    Edit_Email = addEditor(TabSheet1, "Edit_Email", fieldWidth("Edit_Email"), QRect(6, 198, 220, 21));
    addLabel(TabSheet1, u"E-mail"_s, QPoint(6, 184), Edit_Email);
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
    Edit_Pseudo = addEditor(TabSheet2, "Edit_Pseudo", fieldWidth("Edit_Pseudo"), QRect(6, 16, 220, 21));
    addLabel(TabSheet2, u"Pseudonim"_s, QPoint(6, 2), Edit_Pseudo);
    Edit_Urodziny = addEditor(TabSheet2, "Edit_Urodziny", fieldWidth("Edit_Urodziny"), QRect(6, 54, 76, 21));
    addLabel(TabSheet2, u"Urodziny"_s, QPoint(6, 40), Edit_Urodziny);
    SB_Urodziny = calendarButton("SB_Urodziny", QRect(84, 54, 21, 21));
    Edit_Imieniny = addEditor(TabSheet2, "Edit_Imieniny", fieldWidth("Edit_Imieniny"), QRect(120, 54, 50, 21));
    addLabel(TabSheet2, u"Imieniny"_s, QPoint(120, 40), Edit_Imieniny);
    SB_Imieniny = calendarButton("SB_Imieniny", QRect(172, 54, 21, 21));
    Edit_Slub = addEditor(TabSheet2, "Edit_Slub", fieldWidth("Edit_Slub"), QRect(6, 92, 76, 21));
    addLabel(TabSheet2, u"Ślub"_s, QPoint(6, 78), Edit_Slub);
    SB_Slub = calendarButton("SB_Slub", QRect(84, 92, 21, 21));
    Button_Biorytmy = new QPushButton(u"&Biorytmy"_s, TabSheet2);
    Button_Biorytmy->setObjectName(u"Button_Biorytmy"_s);
    Button_Biorytmy->setGeometry(120, 91, 106, 23);
    Button_Biorytmy->setAutoDefault(false);
    Button_Biorytmy->setEnabled(false);
    connect(Button_Biorytmy, &QPushButton::clicked, this, &TForm_Notatniczek::Button_BiorytmyClick);
    Edit_DomUlica = addEditor(TabSheet2, "Edit_DomUlica", fieldWidth("Edit_DomUlica"), QRect(6, 132, 220, 21));
    addLabel(TabSheet2, u"Adres (Ulica, nr domu, nr mieszkania)"_s, QPoint(6, 118), Edit_DomUlica);
    Edit_DomMiasto = addEditor(TabSheet2, "Edit_DomMiasto", fieldWidth("Edit_DomMiasto"), QRect(6, 170, 150, 21));
    addLabel(TabSheet2, u"Miasto"_s, QPoint(6, 156), Edit_DomMiasto);
    Edit_DomKod = addEditor(TabSheet2, "Edit_DomKod", fieldWidth("Edit_DomKod"), QRect(162, 170, 64, 21));
    addLabel(TabSheet2, u"Kod poczt."_s, QPoint(162, 156), Edit_DomKod);
    Edit_DomURL = addEditor(TabSheet2, "Edit_DomURL", fieldWidth("Edit_DomURL"), QRect(6, 208, 150, 21));
    addLabel(TabSheet2, u"Osobista strona internetowa"_s, QPoint(6, 194), Edit_DomURL);
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
    Edit_Firma = addEditor(TabSheet3, "Edit_Firma", fieldWidth("Edit_Firma"), QRect(6, 16, 220, 21));
    addLabel(TabSheet3, u"Firma"_s, QPoint(6, 2), Edit_Firma);
    Edit_Tytul = addEditor(TabSheet3, "Edit_Tytul", fieldWidth("Edit_Tytul"), QRect(6, 54, 220, 21));
    addLabel(TabSheet3, u"Stanowisko"_s, QPoint(6, 40), Edit_Tytul);
    Edit_Dep = addEditor(TabSheet3, "Edit_Dep", fieldWidth("Edit_Dep"), QRect(6, 92, 220, 21));
    addLabel(TabSheet3, u"Departament"_s, QPoint(6, 78), Edit_Dep);
    Edit_PracaUlica = addEditor(TabSheet3, "Edit_PracaUlica", fieldWidth("Edit_PracaUlica"), QRect(6, 132, 220, 21));
    addLabel(TabSheet3, u"Adres (Ulica, nr domu, nr mieszkania)"_s, QPoint(6, 118), Edit_PracaUlica);
    Edit_PracaMiasto = addEditor(TabSheet3, "Edit_PracaMiasto", fieldWidth("Edit_PracaMiasto"), QRect(6, 170, 150, 21));
    addLabel(TabSheet3, u"Miasto"_s, QPoint(6, 156), Edit_PracaMiasto);
    Edit_PracaKod = addEditor(TabSheet3, "Edit_PracaKod", fieldWidth("Edit_PracaKod"), QRect(162, 170, 64, 21));
    addLabel(TabSheet3, u"Kod poczt."_s, QPoint(162, 156), Edit_PracaKod);
    Edit_PracaURL = addEditor(TabSheet3, "Edit_PracaURL", fieldWidth("Edit_PracaURL"), QRect(6, 208, 150, 21));
    addLabel(TabSheet3, u"Firmowa strona internetowa"_s, QPoint(6, 194), Edit_PracaURL);
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

    // Export and import have their own menu; an import re-sorts the list, so the shown contact is
    // found again by its identifier.
    auto *exchange = new ContactExchangeMenu(this, PMenu_Wymiana, m_services, m_book);
    m_exchange = exchange;
    exchange->refuseChange = [this] {
        return refusedDuringSync();
    };
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
