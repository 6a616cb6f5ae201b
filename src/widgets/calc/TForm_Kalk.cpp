#include "TForm_Kalk.h"

#include "CalcEdit.h"

#include "core/calc/Calculation.h"
#include "widgets/shell/Accessibility.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

TForm_Kalk::TForm_Kalk(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
    , m_vat1(Calculation::defaultVat1)
    , m_vat2(Calculation::defaultVat2)
{
    setObjectName(QStringLiteral("Form_Kalk"));
    setWindowTitle(QStringLiteral("Morwinek - Kalkulacje"));
    setWindowFlags(ShellWindow::frameWithoutButtons());
    setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11));
    setFixedSize(117, 205);
    if (Form_Main) {
        // The rates are fixed for this window's life; unusable ones are not written back.
        m_vat1 = Calculation::effectiveRate(Form_Main->settings().vat1, Calculation::defaultVat1);
        m_vat2 = Calculation::effectiveRate(Form_Main->settings().vat2, Calculation::defaultVat2);
    }

    GroupBox1 = new QGroupBox(QStringLiteral("Wybierz kategorię"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(0, 0, 117, 165);

    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(8, 16, 100, 21);
    for (int i = 0; i < Calculation::categoryCount; ++i) {
        ComboBox1->addItem(Calculation::category(i, m_vat1, m_vat2).item);
    }
    ComboBox1->setCurrentIndex(-1);

    const auto label = [this](const char *name, const QString &text, int x, int y) {
        auto *l = new QLabel(text, GroupBox1);
        l->setObjectName(QLatin1String(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    L1 = label("L1", QStringLiteral("L1"), 8, 40);
    L2 = label("L2", QStringLiteral("L2"), 8, 80);
    L3 = label("L3", QStringLiteral("L3"), 8, 120);
    // Right-aligned with the right edge at 104.
    LVAT1 = new QLabel(GroupBox1);
    LVAT1->setObjectName(QStringLiteral("LVAT1"));
    LVAT1->setGeometry(taxPlace(80));
    LVAT1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LVAT2 = new QLabel(GroupBox1);
    LVAT2->setObjectName(QStringLiteral("LVAT2"));
    LVAT2->setGeometry(taxPlace(120));
    LVAT2->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // The rates, in the free place right of the first unit; only the VAT category shows it.
    Button_VAT = new QToolButton(GroupBox1);
    Button_VAT->setObjectName(QStringLiteral("Button_VAT"));
    Button_VAT->setText(QStringLiteral("%"));
    Button_VAT->setToolTip(QStringLiteral("Stawki VAT..."));
    Button_VAT->setAccessibleName(QStringLiteral("Stawki VAT"));
    Button_VAT->setGeometry(88, 38, 20, 17);
    Button_VAT->hide();

    const auto field = [this](const char *name, int y) {
        auto *c = new CalcEdit(m_services.prompter, GroupBox1);
        c->setObjectName(QLatin1String(name));
        c->setGeometry(8, y, 100, 21);
        c->calculatorButton()->setObjectName(QLatin1String(name) + QStringLiteral("_Kalkulator"));
        return c;
    };
    C1 = field("C1", 56);
    C2 = field("C2", 96);
    C3 = field("C3", 136);
    m_fields = {C1, C2, C3};
    Accessibility::caption(L1, C1);
    Accessibility::caption(L2, C2);
    Accessibility::caption(L3, C3);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(0, 165, 117, 40);
    Button1 = new QPushButton(QStringLiteral("&Zamknij"), GroupBox2);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 12, 100, 22);

    setTabOrder(ComboBox1, C1);
    setTabOrder(C1, C2);
    setTabOrder(C2, C3);
    setTabOrder(C3, Button1);
    setTabOrder(Button1, Button_VAT);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm_Kalk::ComboBox1Change);
    connect(C1, &QLineEdit::textChanged, this, &TForm_Kalk::C1Change);
    connect(C2, &QLineEdit::textChanged, this, &TForm_Kalk::C2Change);
    connect(C3, &QLineEdit::textChanged, this, &TForm_Kalk::C3Change);
    connect(Button1, &QPushButton::clicked, this, &TForm_Kalk::Button1Click);
    connect(Button_VAT, &QToolButton::clicked, this, &TForm_Kalk::Button_VATClick);
    for (QWidget *w : {static_cast<QWidget *>(ComboBox1),
                       static_cast<QWidget *>(C1),
                       static_cast<QWidget *>(C2),
                       static_cast<QWidget *>(C3),
                       static_cast<QWidget *>(Button1),
                       static_cast<QWidget *>(Button_VAT)}) {
        w->installEventFilter(this);
    }

    if (const QScreen *s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
}

void TForm_Kalk::showEvent(QShowEvent *event)
{
    ShellWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TForm_Kalk::FormShow()
{
    const int stored = Form_Main ? Form_Main->settings().calculation : 0;
    {
        const QSignalBlocker quiet(ComboBox1);
        ComboBox1->setCurrentIndex(Calculation::validCategory(stored));
    }
    ComboBox1Change();
    C1->setFocus(Qt::OtherFocusReason);
}

void TForm_Kalk::closeEvent(QCloseEvent *event)
{
    FormClose();
    ShellWindow::closeEvent(event);
}

void TForm_Kalk::FormClose()
{
    if (Form_Main && ComboBox1->currentIndex() >= 0) {
        Form_Main->settings().calculation = ComboBox1->currentIndex();
    }
}

void TForm_Kalk::Button1Click()
{
    close();
}

void TForm_Kalk::ComboBox1Change()
{
    LVAT1->clear();
    LVAT2->clear();
    const int index = ComboBox1->currentIndex();
    if (index < 0) {
        return;
    }
    Button_VAT->setVisible(index == Calculation::vatCategory);
    const Calculation::Category category = Calculation::category(index, m_vat1, m_vat2);
    const std::array<QLabel *, 3> labels = {L1, L2, L3};
    for (int i = 0; i < 3; ++i) {
        labels[i]->setText(category.units[i]);
        labels[i]->adjustSize();
    }
    m_factors = category.factors;
    // The number in C1 stays and the other two show it in the new units.
    recomputeFrom(0);
}

void TForm_Kalk::recomputeFrom(int field)
{
    for (int j = 0; j < 3; ++j) {
        if (j != field) {
            m_fields[j]->setValue(Calculation::convert(m_fields[field]->value(), m_factors[field], m_factors[j]));
        }
    }
    VAT();
}

// Only the user's own edits recompute: setting the other fields raises their changes too.
void TForm_Kalk::C1Change()
{
    if (C1->isUserChange()) {
        recomputeFrom(0);
    }
}

void TForm_Kalk::C2Change()
{
    if (C2->isUserChange()) {
        recomputeFrom(1);
    }
}

void TForm_Kalk::C3Change()
{
    if (C3->isUserChange()) {
        recomputeFrom(2);
    }
}

void TForm_Kalk::VAT()
{
    if (ComboBox1->currentIndex() != Calculation::vatCategory) {
        return;
    }
    // Exact hundredths, so 12,26 less 10,05 is 2,21.
    LVAT1->setText(Calculation::taxText(C2->value() - C1->value()));
    LVAT2->setText(Calculation::taxText(C3->value() - C1->value()));
    fitTaxLabel(L2, LVAT1);
    fitTaxLabel(L3, LVAT2);
}

QRect TForm_Kalk::taxPlace(int top)
{
    return QRect(44, top, 60, 13);
}

void TForm_Kalk::fitTaxLabel(QLabel *unit, QLabel *tax)
{
    // As laid out: against the right edge at 104, in the window's font, clear of the unit label.
    // Only an amount that would not fit there (a large sum, or a system font drawn wider) takes the
    // room from just right of its unit to the frame's inner edge, drawn smaller where it needs to be.
    const int unitRight = unit->geometry().right();
    const QRect laidOut = taxPlace(tax->y());
    const int needed = QFontMetrics(font()).horizontalAdvance(tax->text());
    if (needed <= laidOut.width() && laidOut.right() - needed > unitRight) {
        tax->setFont(font());
        tax->setGeometry(laidOut);
        tax->setToolTip(QString());
        return;
    }
    const int rightEdge = GroupBox1->contentsRect().right();
    constexpr int smallestPixels = 6;
    const int left = unitRight + 4;
    tax->setGeometry(left, tax->y(), rightEdge - left, tax->height());
    QFont shrunk = font();
    while (shrunk.pixelSize() > smallestPixels
           && QFontMetrics(shrunk).horizontalAdvance(tax->text()) > tax->contentsRect().width()) {
        shrunk.setPixelSize(shrunk.pixelSize() - 1);
    }
    tax->setFont(shrunk);
    tax->setToolTip(tax->text());
}

void TForm_Kalk::Button_VATClick()
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("StawkiVAT"));
    dialog.setWindowTitle(QStringLiteral("Stawki VAT"));
    auto *form = new QFormLayout(&dialog);
    const auto rateBox = [&dialog, form](const char *name, const QString &caption, int rate) {
        auto *box = new QSpinBox(&dialog);
        box->setObjectName(QLatin1String(name));
        box->setRange(0, 100);
        box->setSuffix(QStringLiteral(" %"));
        box->setValue(std::clamp(rate, 0, 100));
        form->addRow(caption, box);
        return box;
    };
    QSpinBox *rate1 = rateBox("Edit_VAT1", QStringLiteral("Stawka &1:"), m_vat1);
    QSpinBox *rate2 = rateBox("Edit_VAT2", QStringLiteral("Stawka &2:"), m_vat2);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Anuluj"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // The boxes hold 0-100 %; a rate stored outside that (edited by hand) is shown brought into
    // range but stays as stored unless the user changed its box.
    const auto takeOver = [](const QSpinBox *box, int *rate, int *stored) {
        if (box->value() != std::clamp(*rate, 0, 100)) {
            *rate = box->value();
            if (stored) {
                *stored = *rate;
            }
        }
    };
    takeOver(rate1, &m_vat1, Form_Main ? &Form_Main->settings().vat1 : nullptr);
    takeOver(rate2, &m_vat2, Form_Main ? &Form_Main->settings().vat2 : nullptr);
    ComboBox1Change();
}

bool TForm_Kalk::FormKeyDown(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const std::array<QWidget *, 5> order = {ComboBox1, C1, C2, C3, Button1};
        const auto it = std::find(order.begin(), order.end(), focusWidget());
        const qsizetype next = it == order.end() ? 0 : (it - order.begin() + 1) % qsizetype(order.size());
        order[next]->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        if (ComboBox1->view()->isVisible()) {
            return false;
        }
        close();
        return true;
    }
    return false;
}

void TForm_Kalk::keyPressEvent(QKeyEvent *event)
{
    if (!FormKeyDown(event)) {
        ShellWindow::keyPressEvent(event);
    }
}

bool TForm_Kalk::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent *>(event))) {
        return true;
    }
    return ShellWindow::eventFilter(watched, event);
}
