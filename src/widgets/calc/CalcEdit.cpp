#include "CalcEdit.h"

#include "core/calc/Calculation.h"
#include "core/calc/PocketCalculator.h"
#include "core/common/Prompter.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Three tiny keys drawn in a frame: the picture of the calculator button.
QIcon calculatorGlyph()
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(0, 0, 0));
    p.drawRect(1, 0, 9, 11);
    p.fillRect(3, 2, 6, 2, QColor(0, 0, 128));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            p.drawPoint(3 + col * 2, 5 + row * 2);
        }
    }
    return QIcon(pixmap);
}

} // namespace

CalcEdit::CalcEdit(Prompter &prompter, QWidget *parent)
    : QLineEdit(parent)
    , m_prompter(prompter)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextMargins(0, 0, buttonWidth, 0);
    // Every way in goes through the key filter; dropped or context-menu text would bypass it.
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    m_button = new QToolButton(this);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setIcon(calculatorGlyph());
    m_button->setToolTip(QStringLiteral("Kalkulator"));
    m_button->setIconSize(QSize(12, 12));
    connect(m_button, &QToolButton::clicked, this, &CalcEdit::openCalculator);
}

qint64 CalcEdit::value() const
{
    return CalcNumber::parse(text());
}

void CalcEdit::setValue(qint64 hundredths)
{
    setText(CalcNumber::format(hundredths, !hasFocus()));
}

void CalcEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    const int frame = 2;
    m_button->setGeometry(width() - buttonWidth - frame, frame, buttonWidth, height() - 2 * frame);
}

void CalcEdit::showGrouped(bool grouped)
{
    const QString text = CalcNumber::format(value(), grouped);
    if (text != this->text()) {
        const QSignalBlocker quiet(this); // the same value, so nothing to recompute
        setText(text);
    }
}

void CalcEdit::focusInEvent(QFocusEvent *event)
{
    showGrouped(false);
    QLineEdit::focusInEvent(event);
}

void CalcEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    showGrouped(true);
}

void CalcEdit::typeText(const QString &typed)
{
    const QString decimal = locale().decimalPoint();
    QString converted;
    for (const QChar c : typed) {
        converted += (c == u',' || c == u'.') ? decimal : QString(c);
    }
    QString candidate = text();
    if (hasSelectedText()) {
        candidate.replace(selectionStart(), selectedText().size(), converted);
    } else {
        candidate.insert(cursorPosition(), converted);
    }
    if (!CalcNumber::isTypable(candidate, locale())) {
        m_prompter.beep(Prompter::Exclamation);
        return;
    }
    m_userChange = true;
    insert(converted);
    m_userChange = false;
}

void CalcEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        typeText(QApplication::clipboard()->text());
        return;
    }
    // Whatever the line edit itself would insert goes through the filter: printable text with any
    // modifiers but the Ctrl and Ctrl+Shift shortcuts (so Alt, AltGr and Meta too), and format marks.
    const QString typed = event->text();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool shortcut = modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if (!typed.isEmpty() && (typed.at(0).category() == QChar::Other_Format || (typed.at(0).isPrint() && !shortcut))) {
        typeText(typed);
        return;
    }
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        openCalculator();
        return;
    }
    m_userChange = true;
    QLineEdit::keyPressEvent(event);
    m_userChange = false;
}

void CalcEdit::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection on X11; it goes through the filter like typing.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        typeText(QApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CalcEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // Text from an input method is checked like typed text; composing text is not shown.
    const QString committed = event->commitString();
    event->accept();
    if (!committed.isEmpty()) {
        typeText(committed);
    }
}

void CalcEdit::openCalculator()
{
    auto *popup = new PopupCalculator(m_prompter, value() / 100.0, this);
    popup->setFont(font());
    connect(popup, &PopupCalculator::resultChosen, this, &CalcEdit::takeResult);
    popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(width() - popup->width(), height()));
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - popup->width())));
        if (at.y() + popup->height() > area.bottom()) {
            at.setY(mapToGlobal(QPoint(0, 0)).y() - popup->height());
        }
    }
    popup->move(at);
    popup->show();
}

void CalcEdit::takeResult(double result)
{
    setFocus(Qt::PopupFocusReason);
    m_userChange = true;
    setValue(Calculation::toHundredths(result));
    m_userChange = false;
}

PopupCalculator::PopupCalculator(Prompter &prompter, double start, QWidget *parent)
    : QFrame(parent, Qt::Popup)
    , m_prompter(prompter)
    , m_calculator(new PocketCalculator(start))
{
    setObjectName(QStringLiteral("PopupCalculator"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    m_display = new QLabel(this);
    m_display->setObjectName(QStringLiteral("Display"));
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_display->setAutoFillBackground(true);
    QPalette pal = m_display->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_display->setPalette(pal);
    m_display->setMinimumHeight(19);
    layout->addWidget(m_display);
    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    const QString decimal = locale().decimalPoint();
    const QStringList keys = {QStringLiteral("C"), QStringLiteral("←"), QStringLiteral("±"),
                              QStringLiteral("/"), QStringLiteral("7"), QStringLiteral("8"),
                              QStringLiteral("9"), QStringLiteral("*"), QStringLiteral("4"),
                              QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("-"),
                              QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                              QStringLiteral("+"), QStringLiteral("0"), decimal,
                              QStringLiteral("="), QStringLiteral("OK")};
    for (int i = 0; i < keys.size(); ++i) {
        auto *button = new QToolButton(this);
        const QString key = keys.at(i);
        button->setText(key);
        button->setObjectName(QStringLiteral("Key_") + key);
        // Symbol keys get a name a screen reader can say, and the same words as their hint.
        static const QHash<QString, QString> spoken = {{QStringLiteral("←"), QStringLiteral("Cofnij")},
                                                       {QStringLiteral("±"), QStringLiteral("Zmień znak")},
                                                       {QStringLiteral("/"), QStringLiteral("Dzielenie")},
                                                       {QStringLiteral("*"), QStringLiteral("Mnożenie")},
                                                       {QStringLiteral("-"), QStringLiteral("Odejmowanie")},
                                                       {QStringLiteral("+"), QStringLiteral("Dodawanie")},
                                                       {QStringLiteral("="), QStringLiteral("Wynik")}};
        const QString name = key == decimal ? QStringLiteral("Przecinek") : spoken.value(key);
        if (!name.isEmpty()) {
            button->setToolTip(name);
            button->setAccessibleName(name);
        }
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(key == QStringLiteral("OK") ? QSize(26, 20) : QSize(22, 20));
        connect(button, &QToolButton::clicked, this, [this, key] {
            if (key == QStringLiteral("OK")) {
                accept();
            } else if (key == QStringLiteral("←")) {
                press(QStringLiteral("\b"));
            } else {
                press(key);
            }
        });
        grid->addWidget(button, i / 4, i % 4);
    }
    layout->addLayout(grid);
    refresh();
}

PopupCalculator::~PopupCalculator()
{
    delete m_calculator;
}

QString PopupCalculator::displayText() const
{
    return m_display->text();
}

void PopupCalculator::refresh()
{
    m_display->setText(m_calculator->displayText(locale()));
}

void PopupCalculator::accept()
{
    if (!m_calculator->equals()) {
        m_prompter.beep(Prompter::Exclamation);
        refresh();
        return;
    }
    emit resultChosen(m_calculator->value());
    close();
}

void PopupCalculator::press(const QString &key)
{
    bool ok = true;
    if (key.size() == 1 && key.at(0).isDigit()) {
        m_calculator->digit(key.at(0).digitValue());
    } else if (key == QStringLiteral(",") || key == QStringLiteral(".") || key == locale().decimalPoint()) {
        m_calculator->point();
    } else if (key == QStringLiteral("+")) {
        ok = m_calculator->operation(PocketCalculator::Add);
    } else if (key == QStringLiteral("-")) {
        ok = m_calculator->operation(PocketCalculator::Subtract);
    } else if (key == QStringLiteral("*")) {
        ok = m_calculator->operation(PocketCalculator::Multiply);
    } else if (key == QStringLiteral("/")) {
        ok = m_calculator->operation(PocketCalculator::Divide);
    } else if (key == QStringLiteral("=")) {
        ok = m_calculator->equals();
    } else if (key == QStringLiteral("±")) {
        m_calculator->negate();
    } else if (key == QStringLiteral("\b")) {
        m_calculator->backspace();
    } else if (key.compare(QStringLiteral("C"), Qt::CaseInsensitive) == 0) {
        m_calculator->clear();
    } else if (key == QStringLiteral("\r")) {
        accept();
        return;
    } else if (key == QStringLiteral("\x1b")) {
        close();
        return;
    } else {
        ok = false;
    }
    if (!ok) {
        m_prompter.beep(Prompter::Exclamation);
    }
    refresh();
}

void PopupCalculator::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        press(QStringLiteral("\r"));
        return;
    case Qt::Key_Escape:
        press(QStringLiteral("\x1b"));
        return;
    case Qt::Key_Backspace:
        press(QStringLiteral("\b"));
        return;
    case Qt::Key_Delete:
        press(QStringLiteral("C"));
        return;
    default:
        break;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
        press(event->text());
        return;
    }
    QFrame::keyPressEvent(event);
}
