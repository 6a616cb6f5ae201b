#include "TForm_Notatniczek.h"

#include "ContactEditors.h"
#include "ContactExchangeMenu.h"
#include "FindDialog.h"

#include "core/common/DateText.h"
#include "core/common/DesktopOpen.h"
#include "core/contacts/NameDays.h"
#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/datepicker/TForm_Kalendarz.h"
#include "widgets/shell/Fonts.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/sync/SyncController.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
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
    m_book.setIdentifierReserve(services.identifierReserve);
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
    return Contact::placeholderName();
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
    contact.Urodziny = DateText::withoutYear(contact.Urodziny);
    contact.Nazwa = ComboBox_Nazwa->currentText();
    return contact;
}

void TForm_Notatniczek::showContactInEditors(const Contact &contact)
{
    for (const EditorField &f : editorFields) {
        (this->*f.editor)->setText(contact.*f.field);
    }
    Edit_Urodziny->setText(DateText::withoutYear(contact.Urodziny));
    ComboBox_Nazwa->setEditText(contact.Nazwa);
    // A name longer than the box shows its beginning, not its end.
    ComboBox_Nazwa->lineEdit()->setCursorPosition(0);
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
    if (index >= 0) {
        ComboBox_Nazwa->lineEdit()->setCursorPosition(0); // the name's beginning, as when it is shown
    }
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
    // A birthday without its year has no chart.
    Button_Biorytmy->setEnabled(DateText::parse(Edit_Urodziny->text()) != DateText::invalid
                                && !DateText::isWithoutYear(Edit_Urodziny->text()));
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

bool TForm_Notatniczek::refusedDuringSync()
{
    if (!m_syncRunning) {
        return false;
    }
    m_services.prompter.messageBox(this, SyncController::editsHeldText(), u"Wyjaśnienie"_s, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void TForm_Notatniczek::setSyncRunning(bool running)
{
    if (m_syncRunning == running) {
        return;
    }
    m_syncRunning = running;
    for (QLineEdit *edit : std::as_const(m_fieldEditors)) {
        edit->setReadOnly(running);
    }
    ComboBox_Nazwa->lineEdit()->setReadOnly(running);
    Memo_Notatki->setReadOnly(running);
    m_exchange->importuj->setEnabled(!running);
    setWindowTitle(running ? SyncController::heldTitle(u"Morwinek - Kontakty"_s) : u"Morwinek - Kontakty"_s);
}

void TForm_Notatniczek::Button_DodajClick()
{
    if (refusedDuringSync()) {
        return;
    }
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
    if (refusedDuringSync()) {
        return;
    }
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
    if (refusedDuringSync()) {
        return;
    }
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
    DesktopOpen::mail(m_services, this, url);
}

void TForm_Notatniczek::openWebPage(const QLineEdit *edit)
{
    const QString address = FixedText::trimmed(edit->text());
    const QUrl url = address.isEmpty() ? QUrl() : safeWebAddress(address);
    if (url.isEmpty()) {
        m_services.prompter.beep(Prompter::Exclamation);
        return;
    }
    DesktopOpen::webPage(m_services, this, url);
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
    DesktopOpen::editPhoto(m_services, this, m_photoPath);
}

void TForm_Notatniczek::Edit_KodExit(QLineEdit *edit)
{
    if (m_syncRunning) {
        return; // the field is not the user's to change now
    }
    const QString text = edit->text();
    if (text.size() == 5) {
        edit->setText(text.left(2) + u'-' + text.right(3));
    }
    if (edit->text().size() < 6) {
        m_services.prompter.beep(Prompter::Exclamation);
    }
}

// ---- date buttons and search ----

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
    if (refusedDuringSync()) {
        return;
    }
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
