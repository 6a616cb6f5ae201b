#include "TForm_Biorytmy.h"

#include "core/biorhythm/Biorhythm.h"
#include "core/common/DateText.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/Accessibility.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>

namespace {

constexpr int minYear = 1000;
constexpr int maxYear = 3000;
const QColor background(231, 231, 231);
const QColor invalidBackground(192, 192, 192);
const QColor zeroLine(0, 0, 0);
const QString needsYear = QStringLiteral("Biorytm wymaga roku urodzenia.");

// The birth date's day value; a birthday known without its year has none.
int birthValue(const QString &text)
{
    return DateText::isWithoutYear(text) ? DateText::invalid : DateText::parse(text);
}

// Four digits from 1000 to 3000 and nothing else; shorter texts are on their way there.
class YearSpinBox : public QSpinBox
{
public:
    explicit YearSpinBox(QWidget *parent)
        : QSpinBox(parent)
    {
        setRange(minYear, maxYear);
        lineEdit()->setMaxLength(4);
    }

protected:
    QValidator::State validate(QString &input, int &) const override
    {
        if (input.size() > 4) {
            return QValidator::Invalid;
        }
        for (const QChar c : input) {
            if (c < u'0' || c > u'9') {
                return QValidator::Invalid;
            }
        }
        if (input.size() < 4) {
            return QValidator::Intermediate;
        }
        const int year = input.toInt();
        return year >= minYear && year <= maxYear ? QValidator::Acceptable : QValidator::Invalid;
    }
};

// A small leaf of a wall calendar: the picture of the birth-date button.
QIcon calendarGlyph()
{
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.fillRect(1, 2, 12, 11, Qt::white);
    p.fillRect(1, 2, 12, 3, QColor(192, 0, 0));
    p.setPen(Qt::black);
    p.drawRect(1, 2, 11, 10);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.drawPoint(3 + col * 2 + (col > 1 ? 1 : 0), 6 + row * 2);
        }
    }
    p.drawLine(4, 1, 4, 3);
    p.drawLine(9, 1, 9, 3);
    return QIcon(pixmap);
}

QString dateTextOf(int day, int month, int year)
{
    return FixedText::twoDigits(day) + QLatin1Char('.') + FixedText::twoDigits(month) + QLatin1Char('.')
           + QString::number(year);
}

} // namespace

TForm_Biorytmy::TForm_Biorytmy(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
    , m_chart(BiorhythmChart::width, BiorhythmChart::height, QImage::Format_RGB32)
{
    setObjectName(QStringLiteral("Form_Biorytmy"));
    setWindowTitle(QStringLiteral("Morwinek - Biorytmy"));
    setWindowFlags(ShellWindow::frameWithoutButtons());
    setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(588, 237);
    m_chart.fill(background);

    GroupBox2 = new QGroupBox(QStringLiteral("Data urodzin:"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(0, 0, 114, 237);

    Edit_Urodziny = new QLineEdit(QStringLiteral("15.12.1974"), GroupBox2);
    Edit_Urodziny->setObjectName(QStringLiteral("Edit_Urodziny"));
    Edit_Urodziny->setGeometry(6, 16, 74, 21);
    Edit_Urodziny->setAccessibleName(QStringLiteral("Data urodzin")); // captioned by its group's title
    Edit_Urodziny->setMaxLength(int(std::char_traits<char>::length(DateText::format)));

    SB_Urodziny = new QToolButton(GroupBox2);
    SB_Urodziny->setObjectName(QStringLiteral("SB_Urodziny"));
    SB_Urodziny->setGeometry(85, 16, 21, 21);
    SB_Urodziny->setAutoRaise(true);
    SB_Urodziny->setFocusPolicy(Qt::NoFocus);
    SB_Urodziny->setIcon(calendarGlyph());
    SB_Urodziny->setToolTip(QStringLiteral("Kalendarz"));

    CB_Inte = addCheckBox("CB_Inte", QStringLiteral("Intelektualny"), QColor(0, 0, 255), 38, true);
    CB_Emoc = addCheckBox("CB_Emoc", QStringLiteral("Emocjonalny"), QColor(255, 0, 0), 55, true);
    CB_Fizy = addCheckBox("CB_Fizy", QStringLiteral("Fizyczny"), QColor(0, 128, 0), 72, true);
    CB_Dzisiaj = addCheckBox("CB_Dzisiaj", QStringLiteral("Dziś"), QColor(255, 255, 128), 92, true);
    CB_Zero = addCheckBox("CB_Zero", QStringLiteral("Linia zerowa"), QColor(72, 72, 72), 111, true);
    CB_Siatka = addCheckBox("CB_Siatka", QStringLiteral("Siatka"), QColor(72, 72, 72), 128, false);

    Label_rm = new QLabel(QStringLiteral("Na rok i miesiąc"), GroupBox2);
    Label_rm->setObjectName(QStringLiteral("Label_rm"));
    Label_rm->move(8, 146);
    Label_rm->adjustSize();

    SpinEdit_Rok = new YearSpinBox(GroupBox2);
    SpinEdit_Rok->setObjectName(QStringLiteral("SpinEdit_Rok"));
    SpinEdit_Rok->setGeometry(6, 161, 100, 21);
    Accessibility::caption(Label_rm, SpinEdit_Rok);

    // A pick-list: a month that matches no item cannot be typed.
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(6, 184, 100, 21);
    for (int m = 1; m <= 12; ++m) {
        ComboBox1->addItem(QLocale().standaloneMonthName(m, QLocale::LongFormat));
    }
    ComboBox1->setPlaceholderText(QStringLiteral("Miesiąc"));
    ComboBox1->setCurrentIndex(-1);

    Button_Zamknij = new QPushButton(QStringLiteral("&Zamknij"), GroupBox2);
    Button_Zamknij->setObjectName(QStringLiteral("Button_Zamknij"));
    Button_Zamknij->setGeometry(6, 210, 100, 22);

    GroupBox1 = new QGroupBox(QStringLiteral("Wykres"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(114, 0, 474, 237);

    Panel1 = new QFrame(GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(2, 15, 470, 202);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(9, 9, BiorhythmChart::width, BiorhythmChart::height);

    const auto arrowButton = [this](const char *name, Qt::ArrowType arrow, int x) {
        auto *b = new QToolButton(GroupBox1);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(arrow == Qt::LeftArrow ? QStringLiteral("Poprzedni miesiąc")
                                             : QStringLiteral("Następny miesiąc"));
        b->setGeometry(x, 2, 13, 13);
        b->setArrowType(arrow);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    SpeedButton1 = arrowButton("SpeedButton1", Qt::LeftArrow, 432);
    SpeedButton2 = arrowButton("SpeedButton2", Qt::RightArrow, 448);

    Label1 = new QLabel(QStringLiteral("Wartości"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(10, 216, 300, 14);
    Label2 = new QLabel(QStringLiteral("Dzień życia:"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(262, 216, 200, 14);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);

    setTabOrder(Edit_Urodziny, CB_Inte);
    setTabOrder(CB_Inte, CB_Emoc);
    setTabOrder(CB_Emoc, CB_Fizy);
    setTabOrder(CB_Fizy, CB_Dzisiaj);
    setTabOrder(CB_Dzisiaj, CB_Zero);
    setTabOrder(CB_Zero, CB_Siatka);
    setTabOrder(CB_Siatka, ComboBox1);
    setTabOrder(ComboBox1, Button_Zamknij);
    setTabOrder(Button_Zamknij, SpinEdit_Rok);

    connect(Edit_Urodziny, &QLineEdit::textChanged, this, &TForm_Biorytmy::Edit_UrodzinyChange);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm_Biorytmy::Edit_UrodzinyChange);
    connect(SpinEdit_Rok, &QSpinBox::textChanged, this, &TForm_Biorytmy::Edit_UrodzinyChange);
    for (QCheckBox *box : {CB_Inte, CB_Emoc, CB_Fizy, CB_Dzisiaj, CB_Zero, CB_Siatka}) {
        connect(box, &QCheckBox::clicked, this, &TForm_Biorytmy::Edit_UrodzinyChange);
    }
    connect(SB_Urodziny, &QToolButton::clicked, this, &TForm_Biorytmy::SB_UrodzinyClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm_Biorytmy::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm_Biorytmy::SpeedButton2Click);
    connect(Button_Zamknij, &QPushButton::clicked, this, &TForm_Biorytmy::Button_ZamknijClick);

    // Esc anywhere in the left column closes the window.
    for (QWidget *w : GroupBox2->findChildren<QWidget *>()) {
        w->installEventFilter(this);
    }
    // The hover reads out the day under the pointer; anywhere else on the window clears it.
    for (QWidget *w : {static_cast<QWidget *>(this),
                       static_cast<QWidget *>(GroupBox1),
                       static_cast<QWidget *>(GroupBox2),
                       static_cast<QWidget *>(Panel1),
                       static_cast<QWidget *>(Label1),
                       static_cast<QWidget *>(Label2),
                       static_cast<QWidget *>(SpeedButton1),
                       static_cast<QWidget *>(SpeedButton2),
                       static_cast<QWidget *>(Image1)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    showChart();

    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

QCheckBox *TForm_Biorytmy::addCheckBox(const char *name, const QString &text, const QColor &colour, int y, bool checked)
{
    auto *box = new QCheckBox(text, GroupBox2);
    box->setObjectName(QLatin1String(name));
    box->move(8, y);
    box->adjustSize();
    box->setChecked(checked);
    QPalette pal = box->palette();
    pal.setColor(QPalette::WindowText, colour);
    box->setPalette(pal);
    return box;
}

TForm_Biorytmy *TForm_Biorytmy::openFor(const QString &birthDate)
{
    if (!Form_Main) {
        return nullptr;
    }
    return Form_Main->openWindow<TForm_Biorytmy>(Form_Biorytmy, [&birthDate](TForm_Biorytmy &w) {
        w.Edit_Urodziny->setText(birthDate);
    });
}

int TForm_Biorytmy::Biorytm_Licz(int period, double day, double birthDate)
{
    return Biorhythm::Biorytm_Licz(period, day, birthDate);
}

void TForm_Biorytmy::showEvent(QShowEvent *event)
{
    ShellWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm_Biorytmy::FormShow()
{
    const QDate today = m_services.today();
    m_todayYear = today.year();
    m_todayMonth = today.month();
    m_todayDay = today.day();
    ComboBox1->setCurrentIndex(m_todayMonth - 1);
    SpinEdit_Rok->setValue(std::clamp(m_todayYear, minYear, maxYear));
    // What the first painting does: the title and today's readouts even for an invalid birth date.
    Biorytm_Rysuj(Edit_Urodziny->text());
    Button_Zamknij->setFocus(Qt::OtherFocusReason);
}

void TForm_Biorytmy::showChart()
{
    Image1->setPixmap(QPixmap::fromImage(m_chart));
}

void TForm_Biorytmy::Edit_UrodzinyChange()
{
    if (SpinEdit_Rok->text().size() < 4) {
        return;
    }
    if (birthValue(Edit_Urodziny->text()) != DateText::invalid) {
        Biorytm_Rysuj(Edit_Urodziny->text());
    } else {
        m_chart.fill(invalidBackground);
        showChart();
        if (DateText::isWithoutYear(Edit_Urodziny->text())) {
            Label1->setText(needsYear);
            Label2->clear();
        }
    }
}

void TForm_Biorytmy::Biorytm_Rysuj(const QString &birthText)
{
    GroupBox1->setTitle(QStringLiteral("Wykres na miesiąc ") + ComboBox1->currentText() + QLatin1Char(' ')
                        + SpinEdit_Rok->text() + QStringLiteral(" roku"));
    const int birth = birthValue(birthText);
    if (birth == DateText::invalid) {
        if (DateText::isWithoutYear(birthText)) {
            Label1->setText(needsYear);
            Label2->clear();
        }
        return;
    }
    const int year = SpinEdit_Rok->text().trimmed().toInt();
    const int month = ComboBox1->currentIndex() + 1;
    const int w = m_chart.width();
    const int h = m_chart.height();
    const int mid = BiorhythmChart::zeroLineY(h);
    const int lastDay = BiorhythmChart::lastDayIndex(year, month);
    if (lastDay < 1) {
        return; // no month chosen yet
    }
    m_lastDay = lastDay;

    m_chart.fill(background);
    {
        QPainter p(&m_chart);
        if (CB_Dzisiaj->isChecked() && month == m_todayMonth && year == m_todayYear) {
            p.setPen(CB_Dzisiaj->palette().color(QPalette::WindowText));
            const BiorhythmChart::Band band = BiorhythmChart::todayBand(m_todayDay, lastDay, w);
            for (int x = band.first; x <= band.last; ++x) {
                p.drawLine(x, 0, x, h);
            }
        }
        if (CB_Siatka->isChecked()) {
            p.setPen(CB_Siatka->palette().color(QPalette::WindowText));
            for (int i = 0; i <= lastDay; ++i) {
                const int x = BiorhythmChart::gridX(i, lastDay, w);
                p.drawLine(x, 0, x, h);
            }
        }
        const auto curve = [&](QCheckBox *box, int period) {
            if (box->isChecked()) {
                Biorytm_Rysuj_Sin(
                    p, lastDay, mid, month, year, birth, box->palette().color(QPalette::WindowText), period);
            }
        };
        curve(CB_Fizy, Biorhythm::physicalPeriod);
        curve(CB_Inte, Biorhythm::intellectualPeriod);
        curve(CB_Emoc, Biorhythm::emotionalPeriod);
        if (CB_Zero->isChecked()) {
            p.setPen(zeroLine);
            p.drawLine(0, mid, w, mid);
        }
    }
    showChart();
    showTodayReadouts(birth);
}

void TForm_Biorytmy::showTodayReadouts(int birth)
{
    const double now = Biorhythm::dayValue(m_services.clock.now());
    Label1->setText(Biorhythm::readoutText(now, birth));
    Label2->setText(QStringLiteral("Dzień życia: ") + QString::number(Biorhythm::dayOfLife(now, birth)));
}

void TForm_Biorytmy::paintEvent(QPaintEvent *event)
{
    ShellWindow::paintEvent(event);
    // Every repaint brings back today's readouts, so they are empty only between a move off the
    // chart and the repaint that follows it.
    const int birth = birthValue(Edit_Urodziny->text());
    if (birth != DateText::invalid && m_lastDay >= 1 && Label1->text().isEmpty() && Label2->text().isEmpty()) {
        showTodayReadouts(birth);
    }
}

void TForm_Biorytmy::Biorytm_Rysuj_Sin(
    QPainter &painter, int lastDay, int mid, int month, int year, int birth, const QColor &colour, int period)
{
    painter.setPen(colour);
    QPoint previous;
    for (int i = 0; i <= lastDay; ++i) {
        const int day = DateText::parse(dateTextOf(i + 1, month, year));
        const int v = Biorytm_Licz(period, day, birth);
        const QPoint point(BiorhythmChart::curveX(i, lastDay, m_chart.width()), BiorhythmChart::curveY(v, mid));
        if (i > 0) {
            painter.drawLine(previous, point);
        }
        previous = point;
    }
}

void TForm_Biorytmy::Image1MouseMove(int x, int)
{
    const int birth = birthValue(Edit_Urodziny->text());
    if (birth == DateText::invalid || m_lastDay < 1) {
        return;
    }
    const int w = m_chart.width();
    const int day = BiorhythmChart::dayAt(std::clamp(x, 0, w - 1), m_lastDay, w);
    const QDate date(SpinEdit_Rok->value(), ComboBox1->currentIndex() + 1, day);
    if (!date.isValid()) {
        return;
    }
    QFont font = Label2->font();
    font.setBold(date == m_services.today());
    Label2->setFont(font);
    const int value = DateText::toDay(date);
    Label2->setText(DateText::toText(date) + QStringLiteral(" - ")
                    + QString::number(static_cast<qint32>(Biorhythm::dayOfLife(value, birth)))
                    + QStringLiteral(" dzień życia"));
    Label1->setText(Biorhythm::readoutText(value, birth));
}

void TForm_Biorytmy::Panel1MouseMove()
{
    Label1->clear();
    Label2->clear();
    update();
}

void TForm_Biorytmy::SpeedButton1Click()
{
    const int month = ComboBox1->currentIndex();
    if (month > 0) {
        ComboBox1->setCurrentIndex(month - 1);
    } else if (SpinEdit_Rok->value() != SpinEdit_Rok->minimum()) {
        ComboBox1->setCurrentIndex(11);
        SpinEdit_Rok->setValue(SpinEdit_Rok->value() - 1);
    } else {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    Edit_UrodzinyChange();
}

void TForm_Biorytmy::SpeedButton2Click()
{
    const int month = ComboBox1->currentIndex();
    if (month < 11) {
        ComboBox1->setCurrentIndex(month + 1);
    } else if (SpinEdit_Rok->value() != SpinEdit_Rok->maximum()) {
        ComboBox1->setCurrentIndex(0);
        SpinEdit_Rok->setValue(SpinEdit_Rok->value() + 1);
    } else {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    Edit_UrodzinyChange();
}

void TForm_Biorytmy::SB_UrodzinyClick()
{
    TForm_Kalendarz::pick(this, Edit_Urodziny, m_services, TForm_Kalendarz::YearEditable);
}

void TForm_Biorytmy::Button_ZamknijClick()
{
    close();
}

bool TForm_Biorytmy::CB_InteKeyPress(int key)
{
    if (key != Qt::Key_Escape) {
        return false;
    }
    close();
    return true;
}

bool TForm_Biorytmy::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && CB_InteKeyPress(static_cast<QKeyEvent *>(event)->key())) {
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == Image1) {
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            Image1MouseMove(at.x(), at.y());
            return true; // not on to Panel1, which would clear the readout again
        }
        if (watched == this || watched == GroupBox1 || watched == GroupBox2 || watched == Panel1 || watched == Label1
            || watched == Label2 || watched == SpeedButton1 || watched == SpeedButton2) {
            Panel1MouseMove();
        }
    }
    return ShellWindow::eventFilter(watched, event);
}
