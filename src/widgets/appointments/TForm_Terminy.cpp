#include "TForm_Terminy.h"

#include "core/common/DateText.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/Accessibility.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/sync/SyncController.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

namespace {

const QString newCaption = QStringLiteral("&Nowy");
const QString saveCaption = QStringLiteral("&Zapisz");

// Column 0 shows the date with the time beside it; the date itself and the time ride in these roles.
constexpr int DateRole = Qt::UserRole;
constexpr int StartRole = Qt::UserRole + 1;
constexpr int EndRole = Qt::UserRole + 2;
constexpr int AlarmRole = Qt::UserRole + 3;

Appointment entryOf(const QTreeWidgetItem *item)
{
    Appointment entry{item->data(0, DateRole).toString(), item->text(1), item->text(2), item->text(3)};
    entry.time.start = item->data(0, StartRole).toTime();
    entry.time.end = item->data(0, EndRole).toTime();
    entry.time.alarmMinutes = item->data(0, AlarmRole).toInt();
    return entry;
}

QString dateColumnText(const Appointment &entry)
{
    if (!entry.time.isTimed()) {
        return entry.date;
    }
    QString text = entry.date + u' ' + ClockText::toText(entry.time.start);
    if (entry.time.end.isValid()) {
        text += u'-' + ClockText::toText(entry.time.end);
    }
    return text;
}

struct AlarmChoice
{
    const char *text;
    int minutes;
};
const AlarmChoice alarmChoices[] = {
    {"nie", AppointmentTime::noAlarm},
    {"o czasie", 0},
    {"5 min przed", 5},
    {"15 min przed", 15},
    {"30 min przed", 30},
    {"1 godz. przed", 60},
    {"1 dzień przed", 24 * 60},
};

// A small wall calendar for the date button: a page with a red top and a grid of days.
QIcon calendarIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(2, 3, 12, 3, QColor(192, 0, 0));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            p.fillRect(3 + col * 3, 7 + row * 2, 2, 1, QColor(64, 64, 64));
        }
    }
    return QIcon(pixmap);
}

} // namespace

TForm_Terminy::TForm_Terminy(Services &services, QWidget *parent)
    : ShellWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("Form_Terminy"));
    setWindowTitle(QStringLiteral("Morwinek - Terminy"));
    // A tool frame without title-bar buttons: the window closes through its own button and keys.
    setWindowFlags(ShellWindow::frameWithoutButtons());
    setFixedSize(512, 313);
    if (const QScreen *screen = QApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - rect().center());
    }
    createComponents();
    FormCreate();
}

void TForm_Terminy::createComponents()
{
    const auto label = [](const QString &name, const QString &text, QWidget *parent, int x, int y) {
        auto *l = new QLabel(text, parent);
        l->setObjectName(name);
        l->move(x, y);
        return l;
    };
    const auto edit = [](const QString &name, int maxLength, QWidget *parent, QRect geometry) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        e->setGeometry(geometry);
        return e;
    };
    const auto button = [](const QString &name, const QString &caption, QWidget *parent, QRect geometry) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(name);
        b->setGeometry(geometry);
        b->setAutoDefault(false);
        return b;
    };

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(4, 2, 504, 203);
    Label_Witam = label(QStringLiteral("Label_Witam"), QString(), GroupBox2, 10, 12);
    Label_Witam->setFont(Fonts::pixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    Label_Witam->setFixedWidth(80);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("Lista przyszłych terminów"), GroupBox2, 100, 12);
    ListView1 = new QTreeWidget(GroupBox2);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(8, 30, 488, 165);
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels(
        {QStringLiteral("Data"), QStringLiteral("Osoba"), QStringLiteral("Miejsce"), QStringLiteral("Opis")});
    ListView1->setColumnWidth(0, 66);
    ListView1->setColumnWidth(1, 140);
    ListView1->setColumnWidth(2, 80);
    ListView1->setColumnWidth(3, 202);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->header()->setSectionsClickable(false);
    // The four columns add up to the view's outer width, frame included, which would call up a
    // horizontal scroll bar for the frame's few pixels; the columns fit, so there is none.
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    GroupBox1 = new QGroupBox(QStringLiteral("Informacje o terminie"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(4, 207, 504, 102);
    // Three rows inside the frame, under its caption wherever the style draws it: the fields on the
    // left with their captions centred beside them, the three buttons on the right.
    const QRect inside = GroupBox1->contentsRect();
    const int rowHeight = std::min(28, (inside.height() - 2) / 3);
    const int buttonHeight = std::min(25, rowHeight - 3);
    const auto buttonAt = [&](int row) {
        return QRect(424, inside.top() + 1 + row * rowHeight, 72, buttonHeight);
    };
    const auto fieldAt = [&](int x, int row, int width) {
        return QRect(x, buttonAt(row).center().y() - 10, width, 21);
    };
    const auto caption = [&](const QString &name, const QString &text, int x, int row, int width) {
        QLabel *l = label(name, text, GroupBox1, x, 0);
        l->setGeometry(fieldAt(x, row, width));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    Label1 = caption(QStringLiteral("Label1"), QStringLiteral("Data"), 8, 0, 46);
    eData = edit(QStringLiteral("eData"), AppointmentRecord::dateWidth, GroupBox1, fieldAt(56, 0, 76));
    SB_Urodziny = new QToolButton(GroupBox1);
    SB_Urodziny->setObjectName(QStringLiteral("SB_Urodziny"));
    SB_Urodziny->setAutoRaise(true);
    SB_Urodziny->setFocusPolicy(Qt::NoFocus);
    SB_Urodziny->setIcon(calendarIcon());
    SB_Urodziny->setToolTip(QStringLiteral("Kalendarz"));
    SB_Urodziny->setGeometry(fieldAt(134, 0, 22));
    Label3 = caption(QStringLiteral("Label3"), QStringLiteral("Osoba"), 166, 0, 38);
    cbOsoba = new QComboBox(GroupBox1);
    cbOsoba->setObjectName(QStringLiteral("cbOsoba"));
    cbOsoba->setEditable(true);
    cbOsoba->setInsertPolicy(QComboBox::NoInsert);
    cbOsoba->setCompleter(nullptr);
    cbOsoba->lineEdit()->setMaxLength(AppointmentRecord::personWidth);
    cbOsoba->setGeometry(fieldAt(206, 0, 206));
    Label4 = caption(QStringLiteral("Label4"), QStringLiteral("Miejsce"), 8, 1, 46);
    eMiejsce = edit(QStringLiteral("eMiejsce"), AppointmentRecord::placeWidth, GroupBox1, fieldAt(56, 1, 206));
    Label_Od = caption(QStringLiteral("Label_Od"), QStringLiteral("Od"), 270, 1, 20);
    eCzasOd = edit(QStringLiteral("eCzasOd"), 5, GroupBox1, fieldAt(292, 1, 46));
    Label_Do = caption(QStringLiteral("Label_Do"), QStringLiteral("Do"), 346, 1, 18);
    eCzasDo = edit(QStringLiteral("eCzasDo"), 5, GroupBox1, fieldAt(366, 1, 46));
    eCzasOd->setPlaceholderText(QStringLiteral("gg:mm"));
    eCzasDo->setPlaceholderText(QStringLiteral("gg:mm"));
    Label5 = caption(QStringLiteral("Label5"), QStringLiteral("Opis"), 8, 2, 46);
    eOpis = edit(QStringLiteral("eOpis"), AppointmentRecord::descriptionWidth, GroupBox1, fieldAt(56, 2, 196));
    Label_Przypomnij = caption(QStringLiteral("Label_Przypomnij"), QStringLiteral("Przypomnij"), 258, 2, 58);
    cbPrzypomnij = new QComboBox(GroupBox1);
    cbPrzypomnij->setObjectName(QStringLiteral("cbPrzypomnij"));
    for (const AlarmChoice &choice : alarmChoices) {
        cbPrzypomnij->addItem(QString::fromUtf8(choice.text), choice.minutes);
    }
    cbPrzypomnij->setGeometry(fieldAt(318, 2, 94));
    cbPrzypomnij->setEnabled(false);
    bDodaj = button(QStringLiteral("bDodaj"), newCaption, GroupBox1, buttonAt(0));
    bKasuj = button(QStringLiteral("bKasuj"), QStringLiteral("&Usuń"), GroupBox1, buttonAt(1));
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("&Zamknij"), GroupBox1, buttonAt(2));
    bDodaj->setEnabled(false);
    bKasuj->setEnabled(false);
    Accessibility::caption(Label1, eData);
    Accessibility::caption(Label3, cbOsoba);
    Accessibility::caption(Label4, eMiejsce);
    Accessibility::caption(Label5, eOpis);
    Accessibility::caption(Label_Od, eCzasOd);
    Accessibility::caption(Label_Do, eCzasDo);
    Accessibility::caption(Label_Przypomnij, cbPrzypomnij);

    setTabOrder(ListView1, eData);
    setTabOrder(eData, eOpis);
    setTabOrder(eOpis, cbOsoba);
    setTabOrder(cbOsoba, eMiejsce);
    setTabOrder(eMiejsce, eCzasOd);
    setTabOrder(eCzasOd, eCzasDo);
    setTabOrder(eCzasDo, cbPrzypomnij);
    setTabOrder(cbPrzypomnij, bDodaj);
    setTabOrder(bDodaj, bKasuj);
    setTabOrder(bKasuj, Button1);
    Button1->setFocus();

    connect(eData, &QLineEdit::textChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(eOpis, &QLineEdit::textChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(eMiejsce, &QLineEdit::textChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(cbOsoba, &QComboBox::editTextChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(eCzasOd, &QLineEdit::textChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(eCzasDo, &QLineEdit::textChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(cbPrzypomnij, &QComboBox::currentIndexChanged, this, &TForm_Terminy::cbOsobaChange);
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TForm_Terminy::ListView1SelectItem);
    connect(bDodaj, &QPushButton::clicked, this, &TForm_Terminy::bDodajClick);
    connect(bKasuj, &QPushButton::clicked, this, &TForm_Terminy::bKasujClick);
    connect(SB_Urodziny, &QToolButton::clicked, this, &TForm_Terminy::SB_UrodzinyClick);
    connect(Button1, &QPushButton::clicked, this, &TForm_Terminy::Button1Click);

    for (QWidget *w : {static_cast<QWidget *>(ListView1),
                       static_cast<QWidget *>(eData),
                       static_cast<QWidget *>(eOpis),
                       static_cast<QWidget *>(cbOsoba),
                       static_cast<QWidget *>(cbOsoba->lineEdit()),
                       static_cast<QWidget *>(eMiejsce),
                       static_cast<QWidget *>(eCzasOd),
                       static_cast<QWidget *>(eCzasDo),
                       static_cast<QWidget *>(cbPrzypomnij),
                       static_cast<QWidget *>(bDodaj),
                       static_cast<QWidget *>(bKasuj),
                       static_cast<QWidget *>(Button1)}) {
        w->installEventFilter(this);
    }
}

void TForm_Terminy::FormCreate()
{
    const int range = Form_Main ? Form_Main->settings().range : Settings().range;
    QString error;
    m_list.setBackup(m_services.backup);
    m_list.setEdits(m_services.appointmentEdits);
    const bool readable = m_list.build(m_services.dataDir, m_services.today(), range, &error);
    for (const Appointment &entry : m_list.entries()) {
        addItem(entry);
    }
    cbOsoba->addItems(m_list.persons());
    cbOsoba->setEditText(QString());
    Label_Witam->setText(m_list.todayText());
    fitDateColumn();
    if (!readable) {
        m_services.showError(this, error);
    }
}

void TForm_Terminy::reloadAfterSync()
{
    {
        const QSignalBlocker blocker(ListView1);
        ListView1->clear();
    }
    cbOsoba->clear();
    eData->clear();
    eMiejsce->clear();
    eOpis->clear();
    showTime({});
    FormCreate();
    ListView1SelectItem();
}

int TForm_Terminy::entryCount() const
{
    return ListView1->topLevelItemCount();
}

bool TForm_Terminy::isUnsaved() const
{
    return bDodaj->font().bold();
}

void TForm_Terminy::setUnsaved(bool unsaved)
{
    QFont font = bDodaj->font();
    font.setBold(unsaved);
    bDodaj->setFont(font);
}

Appointment TForm_Terminy::appointmentFromEditors() const
{
    return {eData->text(), cbOsoba->currentText(), eMiejsce->text(), eOpis->text()};
}

bool TForm_Terminy::timeFromEditors(AppointmentTime *time) const
{
    bool startOk = false;
    bool endOk = false;
    time->start = ClockText::parse(eCzasOd->text(), &startOk);
    time->end = ClockText::parse(eCzasDo->text(), &endOk);
    time->alarmMinutes = time->start.isValid() ? cbPrzypomnij->currentData().toInt() : AppointmentTime::noAlarm;
    return startOk && endOk && (time->start.isValid() || !time->end.isValid());
}

void TForm_Terminy::showTime(const AppointmentTime &time)
{
    eCzasOd->setText(ClockText::toText(time.start));
    eCzasDo->setText(ClockText::toText(time.end));
    const int index = cbPrzypomnij->findData(time.start.isValid() ? time.alarmMinutes : AppointmentTime::noAlarm);
    cbPrzypomnij->setCurrentIndex(std::max(index, 0));
}

void TForm_Terminy::fitDateColumn()
{
    // The date column widens for the time only while some entry has one.
    bool timed = false;
    for (int i = 0; i < ListView1->topLevelItemCount() && !timed; ++i) {
        timed = ListView1->topLevelItem(i)->data(0, StartRole).toTime().isValid();
    }
    ListView1->setColumnWidth(0, timed ? 128 : 66);
    ListView1->setColumnWidth(1, timed ? 120 : 140);
    ListView1->setColumnWidth(3, timed ? 160 : 202);
}

QString TForm_Terminy::editorRecord() const
{
    return AppointmentRecord::encode(appointmentFromEditors());
}

QTreeWidgetItem *TForm_Terminy::selectedItem() const
{
    const QList<QTreeWidgetItem *> selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void TForm_Terminy::addItem(const Appointment &entry)
{
    auto *item = new QTreeWidgetItem({dateColumnText(entry), entry.person, entry.place, entry.description});
    item->setData(0, DateRole, entry.date);
    item->setData(0, StartRole, entry.time.start);
    item->setData(0, EndRole, entry.time.end);
    item->setData(0, AlarmRole, entry.time.alarmMinutes);
    ListView1->addTopLevelItem(item);
}

void TForm_Terminy::sortItems()
{
    // The selection survives the sort without running the selection rule.
    QTreeWidgetItem *selected = selectedItem();
    const QSignalBlocker blocker(ListView1);
    QList<QTreeWidgetItem *> items;
    items.reserve(ListView1->topLevelItemCount());
    while (ListView1->topLevelItemCount() > 0) {
        items.append(ListView1->takeTopLevelItem(0));
    }
    std::stable_sort(items.begin(), items.end(), [](const QTreeWidgetItem *a, const QTreeWidgetItem *b) {
        return ListView1Compare(entryOf(a), entryOf(b)) < 0;
    });
    ListView1->addTopLevelItems(items);
    fitDateColumn();
    if (selected) {
        ListView1->setCurrentItem(selected);
    }
}

void TForm_Terminy::cbOsobaChange()
{
    AppointmentTime time;
    const bool validTime = timeFromEditors(&time);
    cbPrzypomnij->setEnabled(time.start.isValid() && !m_syncRunning);
    // A time that is no time of day keeps the appointment from being saved, as a wrong date does.
    const bool validDate = DateText::parse(eData->text()) != DateText::invalid && validTime;
    bDodaj->setEnabled(validDate);
    const QString all = FixedText::trimmed(eData->text()) + FixedText::trimmed(eOpis->text())
                        + FixedText::trimmed(cbOsoba->currentText()) + FixedText::trimmed(eMiejsce->text());
    setUnsaved(!all.isEmpty() && validDate);
}

void TForm_Terminy::ListView1SelectItem()
{
    QString record = QStringLiteral("::"); // equals no store line
    if (QTreeWidgetItem *item = selectedItem()) {
        const Appointment entry = entryOf(item);
        eData->setText(entry.date);
        cbOsoba->setEditText(entry.person);
        eMiejsce->setText(entry.place);
        eOpis->setText(entry.description);
        showTime(entry.time);
        bDodaj->setText(saveCaption);
        record = editorRecord();
    }
    if (m_list.Pozycja(record) < 0) {
        bKasuj->setEnabled(false);
        bDodaj->setText(newCaption);
    } else {
        bKasuj->setEnabled(true);
        bDodaj->setEnabled(true);
    }
    setUnsaved(false);
}

void TForm_Terminy::bDodajClick()
{
    saveEditors();
}

bool TForm_Terminy::saveEditors()
{
    if (refusedDuringSync()) {
        return false;
    }
    const QString record = editorRecord();
    AppointmentTime time;
    if (FixedText::trimmed(record).isEmpty() || !timeFromEditors(&time)) {
        m_services.prompter.beep(Prompter::Exclamation);
        return false;
    }
    QTreeWidgetItem *selected = selectedItem();
    const int replaced = selected ? m_list.Pozycja(AppointmentRecord::encode(entryOf(selected))) : -1;
    QString error;
    if (!m_list.saveRecord(record, replaced, &error)) {
        // The file and the list are as they were, and the editors keep what the user typed.
        m_services.showError(this, error);
        return false;
    }
    // The appointment is saved; a time that cannot be written leaves it an all-day one, and says so.
    if (m_list.timeOf(record) != time && !m_list.setTime(record, time, &error)) {
        m_services.showError(this, error);
        time = m_list.timeOf(record);
    }
    {
        const QSignalBlocker blocker(ListView1);
        if (replaced >= 0) {
            delete selected;
            ListView1->clearSelection(); // the view would select the next row in its place
        }
        Appointment saved = appointmentFromEditors();
        saved.time = time;
        addItem(saved);
    }
    eData->clear();
    cbOsoba->setEditText(QString());
    eMiejsce->clear();
    eOpis->clear();
    showTime({});
    bDodaj->setText(newCaption);
    setUnsaved(false);
    sortItems();
    return true;
}

bool TForm_Terminy::refusedDuringSync()
{
    if (!m_syncRunning) {
        return false;
    }
    m_services.prompter.messageBox(
        this, SyncController::editsHeldText(), QStringLiteral("Wyjaśnienie"), MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void TForm_Terminy::setSyncRunning(bool running)
{
    if (m_syncRunning == running) {
        return;
    }
    m_syncRunning = running;
    for (QLineEdit *edit : {eData, eOpis, eMiejsce, eCzasOd, eCzasDo}) {
        edit->setReadOnly(running);
    }
    if (cbOsoba->lineEdit()) {
        cbOsoba->lineEdit()->setReadOnly(running);
    }
    if (running) {
        cbPrzypomnij->setEnabled(false);
    } else {
        cbOsobaChange();
        setUnsaved(false);
    }
    setWindowTitle(running ? SyncController::heldTitle(QStringLiteral("Morwinek - Terminy"))
                           : QStringLiteral("Morwinek - Terminy"));
}

void TForm_Terminy::bKasujClick()
{
    if (refusedDuringSync()) {
        return;
    }
    QTreeWidgetItem *item = selectedItem();
    if (!item) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    const Appointment entry = entryOf(item);
    const QString record = AppointmentRecord::encode(entry);
    const Prompter::Answer answer = m_services.prompter.messageBox(
        this,
        QStringLiteral("Chcesz usunąć termin ") + entry.date + QLatin1Char('\r') + entry.person + QStringLiteral(" - ")
            + entry.place + QLatin1Char('\r') + entry.description,
        QStringLiteral("Ostrzeżenie!"),
        MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON2);
    QString error;
    if (answer == Prompter::Ok) {
        const int position = m_list.Pozycja(record);
        if (!m_list.removeRecord(position, &error)) {
            m_services.showError(this, error);
            return;
        }
        // A contact date has no store line and cannot be deleted; it stays listed.
        if (position >= 0) {
            {
                // The view would select the next row in its place; nothing is selected after a delete.
                const QSignalBlocker blocker(ListView1);
                delete item;
                ListView1->clearSelection();
            }
            fitDateColumn();
            ListView1SelectItem();
        }
    } else if (!m_list.TerminyZapisz(&error)) {
        m_services.showError(this, error);
    }
}

void TForm_Terminy::SB_UrodzinyClick()
{
    if (refusedDuringSync()) {
        return;
    }
    TForm_Kalendarz::pick(this, eData, m_services, TForm_Kalendarz::YearEditable);
}

bool TForm_Terminy::CzyZmienione()
{
    if (!isUnsaved()) {
        return true;
    }
    const Prompter::Answer answer = m_services.prompter.messageBox(
        this,
        QStringLiteral("Dane terminu zostały zmienione!\rChcesz zapisać bieżący termin?"),
        QStringLiteral("Ostrzeżenie!"),
        MB_YESNO | MB_ICONQUESTION);
    if (answer == Prompter::Yes) {
        return saveEditors();
    }
    return true;
}

void TForm_Terminy::Button1Click()
{
    // A save that failed keeps the window open, so what was typed is not lost with it.
    if (CzyZmienione()) {
        close();
    }
}

bool TForm_Terminy::ListView1KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= ~Qt::KeypadModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        focusNextPrevChild(true);
        return true;
    }
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    if (key == Qt::Key_S && modifiers == Qt::ControlModifier) {
        if (isUnsaved()) {
            saveEditors();
        }
        return true;
    }
    if (key == Qt::Key_Q && modifiers == (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) {
        if (Form_Main) {
            Form_Main->Zakoncz1Click();
        }
        return true;
    }
    return false;
}

bool TForm_Terminy::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (ListView1KeyDown(key->key(), key->modifiers())) {
            return true;
        }
    }
    return ShellWindow::eventFilter(watched, event);
}
