#include "TForm_Kalendarz.h"

#include "core/common/DateText.h"
#include "widgets/shell/Accessibility.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>

TForm_Kalendarz::TForm_Kalendarz(Services &services, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_services(services)
{
    setObjectName(QStringLiteral("Form_Kalendarz"));
    setWindowTitle(QStringLiteral("Kalendarz"));
    setFixedSize(162, 187);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 0, 162, 187);

    Button_Anuluj = new QPushButton(QStringLiteral("&Anuluj"), Panel1);
    Button_Anuluj->setObjectName(QStringLiteral("Button_Anuluj"));
    Button_Anuluj->setGeometry(8, 6, 70, 25);
    Button_Anuluj->setAutoDefault(false);

    Button_OK = new QPushButton(QStringLiteral("&OK"), Panel1);
    Button_OK->setObjectName(QStringLiteral("Button_OK"));
    Button_OK->setGeometry(84, 6, 70, 25);
    Button_OK->setAutoDefault(false);

    Panel_Data = new QLabel(Panel1);
    Panel_Data->setObjectName(QStringLiteral("Panel_Data"));
    Panel_Data->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel_Data->setAlignment(Qt::AlignCenter);
    Panel_Data->setGeometry(8, 35, 146, 21);

    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setGeometry(8, 60, 88, 21);

    SpinEdit_Rok = new QSpinBox(Panel1);
    SpinEdit_Rok->setObjectName(QStringLiteral("SpinEdit_Rok"));
    SpinEdit_Rok->setRange(1000, 3000);
    SpinEdit_Rok->setGeometry(100, 60, 54, 21);

    Calendar1 = new QCalendarWidget(Panel1);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setFirstDayOfWeek(Qt::Monday);
    Calendar1->setGridVisible(false);
    Calendar1->setNavigationBarVisible(false);
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar1->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    // Any date a field may hold must be showable, not only the years the spin editor offers.
    Calendar1->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
    Calendar1->setGeometry(8, 86, 145, 97);
    // The grid's rows must share the 97 pixels: the header and all six weeks, each fully visible
    // and clickable. The view would otherwise keep its rows at the style's minimum height and cut
    // the last weeks off (a click there then lands on a day of the next month).
    if (auto *grid = Calendar1->findChild<QTableView *>()) {
        grid->verticalHeader()->setMinimumSectionSize(1);
        grid->horizontalHeader()->setMinimumSectionSize(1);
        grid->setFrameShape(QFrame::NoFrame);
    }

    setTabOrder(Button_Anuluj, Button_OK);
    setTabOrder(Button_OK, ComboBox1);
    setTabOrder(ComboBox1, Calendar1);
    setTabOrder(Calendar1, SpinEdit_Rok);

    connect(Calendar1, &QCalendarWidget::selectionChanged, this, &TForm_Kalendarz::Calendar1Change);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm_Kalendarz::ComboBox1Change);
    // A month name typed in full chooses that month, as picking it from the list does.
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        const int index = ComboBox1->findText(text, Qt::MatchFixedString);
        if (index >= 0 && index != ComboBox1->currentIndex()) {
            ComboBox1->setCurrentIndex(index);
        }
    });
    connect(SpinEdit_Rok, &QSpinBox::valueChanged, this, &TForm_Kalendarz::SpinEdit_RokChange);
    connect(Button_OK, &QPushButton::clicked, this, &TForm_Kalendarz::Button_OKClick);
    connect(Button_Anuluj, &QPushButton::clicked, this, &TForm_Kalendarz::Button_AnulujClick);

    // Enter and Esc act the same wherever the focus is, including inside the calendar grid,
    // the month box's and the spin editor's own line editors.
    installEventFilter(this);
    const auto children = findChildren<QWidget *>();
    for (QWidget *child : children) {
        child->installEventFilter(this);
    }

    FormCreate();
    setDate(m_services.today());
}

void TForm_Kalendarz::FormCreate()
{
    const QLocale locale;
    for (int month = 1; month <= 12; ++month) {
        ComboBox1->addItem(locale.standaloneMonthName(month, QLocale::LongFormat));
    }
}

std::optional<QString> TForm_Kalendarz::pick(QWidget *caller, Services &services, const QString &startText, int tag)
{
    Form_Kalendarz = new TForm_Kalendarz(services, caller);
    const QPointer<TForm_Kalendarz> dialog = Form_Kalendarz;
    dialog->setTag(tag);
    dialog->Panel_Data->setText(startText);
    const int result = dialog->exec();
    std::optional<QString> picked;
    // The dialog may be gone already when its owner went away while it was shown.
    if (dialog) {
        if (result == QDialog::Accepted) {
            picked = dialog->Panel_Data->text();
        }
        delete dialog.data();
    }
    Form_Kalendarz = nullptr;
    return picked;
}

bool TForm_Kalendarz::pick(QWidget *caller, QLineEdit *field, Services &services, int tag, int keepChars)
{
    const std::optional<QString> picked = pick(caller, services, field->text(), tag);
    if (!picked) {
        return false;
    }
    field->setText(picked->left(keepChars));
    return true;
}

void TForm_Kalendarz::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TForm_Kalendarz::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        FormHide();
    }
}

void TForm_Kalendarz::FormShow()
{
    move(QCursor::pos() - QPoint(10, 10));
    Accessibility::nameControls(this);
    const QString start = Panel_Data->text();
    if (!FixedText::trimmed(start).isEmpty() && DateText::parse(start) != DateText::invalid) {
        setDate(DateText::parseDate(start));
    }
    SpinEdit_Rok->setEnabled(m_tag != LockYear);
    showDate();
}

void TForm_Kalendarz::FormHide()
{
    m_tag = 0;
}

void TForm_Kalendarz::setDate(const QDate &date)
{
    m_date = date;
    m_updating = true;
    Calendar1->setSelectedDate(date);
    ComboBox1->setCurrentIndex(date.month() - 1);
    ComboBox1->setEditText(ComboBox1->itemText(date.month() - 1));
    SpinEdit_Rok->setValue(date.year());
    m_updating = false;
    showDate();
}

void TForm_Kalendarz::showDate()
{
    m_dayText = FixedText::twoDigits(m_date.day());
    m_monthText = FixedText::twoDigits(m_date.month());
    m_yearText = QString::number(m_date.year());
    Panel_Data->setText(m_dayText + QLatin1Char('.') + m_monthText + QLatin1Char('.') + m_yearText);
}

void TForm_Kalendarz::Calendar1Change()
{
    if (m_updating) {
        return;
    }
    // A click on a day of the next or previous month moves the month and year along with it.
    setDate(Calendar1->selectedDate());
}

void TForm_Kalendarz::ComboBox1Change(int index)
{
    if (m_updating || index < 0) {
        return;
    }
    setDate(QDate(m_date.year(), index + 1, 1));
}

void TForm_Kalendarz::ComboBox1Exit()
{
    const int index = ComboBox1->currentIndex();
    if (index >= 0 && ComboBox1->currentText().compare(ComboBox1->itemText(index), Qt::CaseInsensitive) == 0) {
        ComboBox1->setEditText(ComboBox1->itemText(index));
        return;
    }
    // What was typed names no month: show the first one, leaving the calendar alone.
    m_updating = true;
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setEditText(ComboBox1->itemText(0));
    m_updating = false;
}

void TForm_Kalendarz::SpinEdit_RokChange(int year)
{
    if (m_updating) {
        return;
    }
    QDate date(year, m_date.month(), m_date.day());
    if (!date.isValid()) {
        date = QDate(year, m_date.month(), 28); // 29 February in a year without it
    }
    setDate(date);
}

void TForm_Kalendarz::Button_OKClick()
{
    accept();
}

void TForm_Kalendarz::Button_AnulujClick()
{
    reject();
}

bool TForm_Kalendarz::FormKeyPress(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        accept();
        return true;
    default:
        return false;
    }
}

bool TForm_Kalendarz::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        if (FormKeyPress(static_cast<QKeyEvent *>(event)->key())) {
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && (watched == ComboBox1 || watched == ComboBox1->lineEdit())
               && !ComboBox1->hasFocus()) {
        ComboBox1Exit();
    }
    return QDialog::eventFilter(watched, event);
}
