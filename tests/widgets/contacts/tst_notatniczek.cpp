#include "support/Pictures.h"
#include "support/ShellFixture.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/IniFile.h"
#include "core/common/TextFile.h"
#include "widgets/biorhythm/TForm_Biorytmy.h"
#include "widgets/contacts/ContactEditors.h"
#include "widgets/contacts/TForm_Notatniczek.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

QByteArray lineFor(int id, const QString &name, const QString &company = {})
{
    Contact c;
    c.ID = QString::number(id);
    c.Nazwa = name;
    c.Firma = company;
    return c.toLine();
}

// A data file of the given names, identifiers from 10000 in list order.
QByteArray bookOf(const QStringList &names)
{
    QList<QByteArray> lines;
    for (int i = 0; i < names.size(); ++i) {
        lines.append(lineFor(10000 + i, names[i]));
    }
    return TextFile::joinLines(lines);
}

void typeInto(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), {});
    }
}

} // namespace

class TestNotatniczek : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void open_untouchedFileStaysByteIdentical();
    void open_storedPosition_data();
    void open_storedPosition();
    void layout_namesCaptionsAndLimits();
    void emptyBook_navigationBeepsAndNothingStored();
    void navigation_edgesBeep();
    void keys_browseAndSwitchPages();
    void add_twiceWithoutSaving();
    void add_toEmptyBook_noNotice();
    void add_failedWrite_leavesEmptyFields();
    void save_renamedMovesToSortedPlace();
    void save_emptyNameRefused();
    void deleteContact_data();
    void deleteContact();
    void changeCheck_data();
    void changeCheck();
    void escape_withListDroppedDown_rereadsContact();
    void nameBox_pickingShowsContact();
    void nameBox_renamingToAnotherNameStaysOnContact();
    void enter_showsSelectedEntryElseMovesOn();
    void postalCode_data();
    void postalCode();
    void webAndMail_data();
    void webAndMail();
    void nothingOpens_saysSoWithTheAddress_data();
    void nothingOpens_saysSoWithTheAddress();
    void nameBox_longNameShowsItsBeginning();
    void editors_refuseCharactersOutsideCodePage();
    void editors_pastedLineBreakBecomesBlank();
    void close_writesPositionAndPrintOptions();
    void failedSave_showsErrorAndKeepsState();
    void birthday_switchesBiorytmy_data();
    void birthday_switchesBiorytmy();
    void birthday_withoutYear();
    void biorytmy_opensChartForShownBirthday();
    void todayPanel_followsClock_data();
    void todayPanel_followsClock();
    void todayPanel_everyDaysNamesFitWhole();

private:
    TForm_Notatniczek *open(const QByteArray &data);
    QByteArray dataFile() const { return m_fx->readFile(u"Morwinek.data"_qs); }
    template <class T> T *child(const char *name)
    {
        T *w = Form_Notatniczek->findChild<T *>(QLatin1String(name));
        if (!w) {
            qWarning("no component %s", name);
        }
        return w;
    }
    void click(const char *name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    QString shownName() const { return Form_Notatniczek->ComboBox_Nazwa->currentText(); }
    QString counter() const { return Form_Notatniczek->Label_Ile->text(); }
    FakePrompter &prompter() { return m_fx->sim.prompter; }

    std::unique_ptr<ShellFixture> m_fx;
};

void TestNotatniczek::init()
{
    m_fx = std::make_unique<ShellFixture>();
}

void TestNotatniczek::cleanup()
{
    m_fx.reset();
    QVERIFY(Form_Notatniczek.isNull());
}

TForm_Notatniczek *TestNotatniczek::open(const QByteArray &data)
{
    if (!data.isNull()) {
        m_fx->writeFile(u"Morwinek.data"_qs, data);
    }
    TForm_Main &main = m_fx->start();
    main.Kontakty->trigger();
    if (!Form_Notatniczek) {
        qWarning("the contacts window did not open");
        return nullptr;
    }
    return Form_Notatniczek;
}

void TestNotatniczek::open_untouchedFileStaysByteIdentical()
{
    QByteArray odd = lineFor(10000, u"Łęcki"_qs);
    odd.replace(367, 5, "\x81\x83\x88\x90\x98");
    odd.replace(578, 10, "rocznica!!");
    const QByteArray bytes = odd + "\r\n" + lineFor(10001, u"Nowak"_qs).left(400) + "\r\n";
    TForm_Notatniczek *w = open(bytes);
    QVERIFY(w);
    QCOMPARE(m_fx->main->trayIconIndex(), int(TForm_Main::IconOpen));
    QVERIFY(QFileInfo(m_fx->path(u"notes"_qs)).isDir());
    QVERIFY(QFileInfo(m_fx->path(u"foto"_qs)).isDir());
    click("Button_Nastepny");
    click("Button_Pierwszy");
    w->close();
    QTRY_VERIFY(Form_Notatniczek.isNull());
    QCOMPARE(dataFile(), bytes);
    QCOMPARE(m_fx->main->trayIconIndex(), int(TForm_Main::IconIdle));
    QCOMPARE(prompter().boxes.size(), 0);
}

void TestNotatniczek::open_storedPosition_data()
{
    QTest::addColumn<int>("stored"); // "Ostatnia_Pozycja", one-based
    QTest::addColumn<int>("contacts");
    QTest::addColumn<QString>("counter");
    QTest::newRow("first") << 1 << 3 << "1/3";
    QTest::newRow("third") << 3 << 3 << "3/3";
    QTest::newRow("past the end: last") << 9 << 3 << "3/3";
    QTest::newRow("none shown: first") << 0 << 3 << "1/3";
    QTest::newRow("negative: first") << -5 << 3 << "1/3";
    QTest::newRow("empty book") << 4 << 0 << "0/0";
}

void TestNotatniczek::open_storedPosition()
{
    QFETCH(int, stored);
    QFETCH(int, contacts);
    QFETCH(QString, counter);
    m_fx->writeFile(u"Morwinek.ini"_qs, "[Kontakty]\r\nOstatnia_Pozycja=" + QByteArray::number(stored) + "\r\n");
    QStringList names;
    for (int i = 0; i < contacts; ++i) {
        names.append(QString(QChar(u'A' + i)));
    }
    QVERIFY(open(contacts ? bookOf(names) : QByteArray()));
    QCOMPARE(this->counter(), counter);
    if (contacts) {
        QCOMPARE(shownName(), names.at(counter.section(u'/', 0, 0).toInt() - 1));
    }
    QCOMPARE(prompter().beeps.size(), 0);
}

void TestNotatniczek::layout_namesCaptionsAndLimits()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), u"Morwinek - Kontakty"_qs);
    // Names of the day taller than the column can give them make the window taller, never the photo
    // smaller; at the program's own font the window keeps its 335 pixels.
    QVERIFY(w->height() >= 335);
    QCOMPARE(w->Button_Zamknij->geometry().bottom(), w->height() - 4);
    QCOMPARE(w->Image_Zdjecie->size(), QSize(133, 142));
    QVERIFY(w->Panel2->geometry().top() > w->Panel1->geometry().bottom() + 50);
    const QList<QPair<const char *, QString>> hints = {{"Button_Pierwszy", u"Pierwszy"_qs},
                                                       {"Button_Poprzedni", u"Poprzedni"_qs},
                                                       {"Button_Nastepny", u"Następny"_qs},
                                                       {"Button_Ostatni", u"Ostatni"_qs},
                                                       {"Button_Szukaj", u"Szukaj..."_qs},
                                                       {"Button_Dodaj", u"Nowy"_qs},
                                                       {"Button_Zapisz", u"Zapisz"_qs},
                                                       {"Button_Drukuj", u"Drukuj..."_qs},
                                                       {"Button_Kasuj", u"Skasuj"_qs},
                                                       {"Button_Szybkie", u"Szybkie wybieranie"_qs},
                                                       {"SB_TelDom", u"Wybierz numer domowy"_qs},
                                                       {"SB_Urodziny", u"Kalendarz"_qs}};
    for (const auto &[name, hint] : hints) {
        QVERIFY2(child<QWidget>(name), name);
        QCOMPARE(child<QWidget>(name)->toolTip(), hint);
    }
    QCOMPARE(w->PageControl1->count(), 4);
    QCOMPARE(w->PageControl1->tabText(3), u"&Notatki"_qs);
    // Every field editor holds at most its field's width.
    for (const Contact::Column &c : Contact::columns()) {
        if (QLatin1String(c.name) == "Nazwa") {
            QCOMPARE(w->ComboBox_Nazwa->lineEdit()->maxLength(), c.width);
            continue;
        }
        auto *edit = child<QLineEdit>(("Edit_" + QByteArray(c.name)).constData());
        QVERIFY2(edit, c.name);
        QCOMPARE(edit->maxLength(), c.width);
    }
    QVERIFY(!w->Edit_ID->isVisible());
    QVERIFY(!w->Edit_Rocznica->isEnabled());
    const QStringList printItems = {
        "druk1", "druk_osob", "druk_sluz", "druk_komorka", "druk_email", "druk_10", "druk_Ustawienia"};
    for (const QString &name : printItems) {
        QVERIFY2(w->PMenu2->findChild<QAction *>(name) || w->findChild<QAction *>(name), qPrintable(name));
    }
    // Defaults: personal, mobile and e-mail checked.
    QVERIFY(w->druk_osob->isChecked() && !w->druk_sluz->isChecked() && w->druk_komorka->isChecked());
    QVERIFY(w->druk_email->isChecked() && !w->druk_10->isChecked());
}

void TestNotatniczek::emptyBook_navigationBeepsAndNothingStored()
{
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    for (const char *name : {"Button_Pierwszy", "Button_Poprzedni", "Button_Nastepny", "Button_Ostatni"}) {
        click(name);
    }
    w->ComboBox_Nazwa->showPopup();
    QVERIFY(!w->ComboBox_Nazwa->isDroppedDown());
    QCOMPARE(prompter().beeps.size(), 5);
    QVERIFY(w->Button_Zapisz->isEnabled());
    QVERIFY(w->Button_Kasuj->isEnabled());
    click("Button_Kasuj");
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].text, u"Nie wprowadzono żadnych kontaktów!"_qs);
    QCOMPARE(prompter().boxes[0].caption, u"Wyjaśnienie"_qs);
    // An edit is refused with a notice, and "Zapisz" stores nothing.
    w->Edit_Firma->setFocus();
    typeInto(w->Edit_Firma, u"F"_qs);
    QCOMPARE(prompter().boxes.size(), 2);
    QCOMPARE(prompter().boxes[1].text, u"Użyj przycisku nowy, aby wprowadzić kontakt!"_qs);
    QCOMPARE(prompter().boxes[1].caption, u"Informacja!"_qs);
    typeInto(w->ComboBox_Nazwa->lineEdit(), u"Kowal"_qs);
    click("Button_Zapisz");
    QCOMPARE(w->book().count(), 0);
    QVERIFY(!QFile::exists(m_fx->path(u"Morwinek.data"_qs)));
    QCOMPARE(counter(), u"0/0"_qs);
}

void TestNotatniczek::navigation_edgesBeep()
{
    m_fx->writeFile(u"Morwinek.ini"_qs, "[Kontakty]\r\nOstatnia_Pozycja=1\r\n");
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    click("Button_Poprzedni");
    click("Button_Pierwszy");
    QCOMPARE(prompter().beeps.size(), 2);
    QCOMPARE(counter(), u"1/3"_qs);
    click("Button_Ostatni");
    QCOMPARE(shownName(), u"C"_qs);
    click("Button_Nastepny");
    click("Button_Ostatni");
    QCOMPARE(prompter().beeps.size(), 4);
    click("Button_Poprzedni");
    QCOMPARE(shownName(), u"B"_qs);
    QCOMPARE(counter(), u"2/3"_qs);
}

void TestNotatniczek::keys_browseAndSwitchPages()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    QLineEdit *edit = w->Edit_Faks;
    QTest::keyClick(edit, Qt::Key_F8);
    QCOMPARE(shownName(), u"C"_qs);
    QTest::keyClick(edit, Qt::Key_F6);
    QCOMPARE(shownName(), u"B"_qs);
    QTest::keyClick(edit, Qt::Key_F5);
    QCOMPARE(shownName(), u"A"_qs);
    QTest::keyClick(edit, Qt::Key_F7);
    QCOMPARE(shownName(), u"B"_qs);
    QTest::keyClick(edit, Qt::Key_F5, Qt::ShiftModifier); // modifiers must match exactly
    QCOMPARE(shownName(), u"B"_qs);
    for (int page = 0; page < 4; ++page) {
        QTest::keyClick(w->Memo_Notatki, Qt::Key(Qt::Key_F9 + page));
        QCOMPARE(w->PageControl1->currentIndex(), page);
    }
    // Alt+N is "Nowy", not the "&Notatki" page.
    QTest::keyClick(edit, Qt::Key_N, Qt::AltModifier);
    QCOMPARE(w->book().count(), 4);
    QCOMPARE(w->PageControl1->currentIndex(), 3);
}

void TestNotatniczek::add_twiceWithoutSaving()
{
    TForm_Notatniczek *w = open(bookOf({u"Zawada"_qs, u"Adamski"_qs}));
    QVERIFY(w);
    click("Button_Dodaj");
    QCOMPARE(w->ComboBox_Nazwa->lineEdit()->selectedText(), TForm_Notatniczek::placeholderName());
    click("Button_Dodaj");
    QCOMPARE(prompter().boxes.size(), 0); // the untouched new contact asks nothing
    QCOMPARE(w->book().count(), 4);
    QCOMPARE(counter(), u"4/4"_qs);
    QCOMPARE(w->Edit_ID->text(), u"10003"_qs);
    const QList<QByteArray> lines = TextFile::splitLines(dataFile());
    QCOMPARE(lines.size(), 4);
    QCOMPARE(Contact::idOf(lines[2]), u"10002"_qs);
    QCOMPARE(Contact::idOf(lines[3]), u"10003"_qs);
    QCOMPARE(Contact::nameOf(lines[2]), TForm_Notatniczek::placeholderName());
    QCOMPARE(lines[3].mid(337, 19), QByteArray("\xFFWprowad\x9F nazwisko\xFF"));
}

void TestNotatniczek::add_toEmptyBook_noNotice()
{
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    click("Button_Dodaj");
    QCOMPARE(prompter().boxes.size(), 0); // filling in the new identifier is no edit of the user's
    QCOMPARE(w->Edit_ID->text(), u"10000"_qs);
    QCOMPARE(counter(), u"1/1"_qs);
    QVERIFY(!w->changed());
    QCOMPARE(TextFile::splitLines(dataFile()).size(), 1);
}

void TestNotatniczek::add_failedWrite_leavesEmptyFields()
{
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    QVERIFY(QDir(m_fx->dir.path()).mkdir(u"Morwinek.data"_qs));
    click("Button_Dodaj");
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].caption, u"Błąd!"_qs);
    QCOMPARE(w->book().count(), 0);
    QCOMPARE(shownName(), QString());
    QCOMPARE(w->Edit_ID->text(), QString());
    QCOMPARE(counter(), u"0/0"_qs);
}

void TestNotatniczek::save_renamedMovesToSortedPlace()
{
    m_fx->writeFile(u"Morwinek.ini"_qs, "[Kontakty]\r\nOstatnia_Pozycja=3\r\n");
    TForm_Notatniczek *w = open(bookOf({u"Bąk"_qs, u"Cichy"_qs, u"Zawada"_qs}));
    QVERIFY(w);
    QCOMPARE(shownName(), u"Zawada"_qs);
    QLineEdit *name = w->ComboBox_Nazwa->lineEdit();
    name->selectAll();
    typeInto(name, u"Adamski"_qs);
    typeInto(w->Memo_Notatki, u"żółw"_qs);
    QVERIFY(w->changed());
    QVERIFY(w->Label_Ile->font().bold());
    click("Button_Zapisz");
    QCOMPARE(w->position(), 0);
    QCOMPARE(counter(), u"1/3"_qs);
    QVERIFY(!w->Label_Ile->font().bold());
    QCOMPARE(shownName(), u"Adamski"_qs);
    QCOMPARE(w->Edit_ID->text(), u"10002"_qs);
    const QList<QByteArray> lines = TextFile::splitLines(dataFile());
    QCOMPARE(Contact::nameOf(lines[0]), u"Adamski"_qs);
    QCOMPARE(Contact::nameOf(lines[1]), u"Bąk"_qs);
    QCOMPARE(m_fx->readFile(u"notes/10002.txt"_qs), QByteArray("\xBF\xF3\xB3w\r\n"));
    // The name list follows the new order.
    QCOMPARE(w->ComboBox_Nazwa->itemText(0), u"Adamski"_qs);
    QCOMPARE(w->ComboBox_Nazwa->count(), 3);
}

void TestNotatniczek::save_emptyNameRefused()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    const QByteArray before = dataFile();
    w->ComboBox_Nazwa->lineEdit()->selectAll();
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_Delete);
    typeInto(w->ComboBox_Nazwa->lineEdit(), u"  "_qs);
    click("Button_Zapisz");
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].text, u"Nie wprowadzono nazwiska"_qs);
    QCOMPARE(prompter().boxes[0].flags, unsigned(MB_OK | MB_ICONEXCLAMATION));
    QCOMPARE(dataFile(), before);
}

void TestNotatniczek::deleteContact_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("stored"); // one-based position shown
    QTest::addColumn<QString>("shownAfter");
    QTest::addColumn<QString>("counterAfter");
    const QStringList abc = {"A", "B", "C"};
    QTest::newRow("first") << abc << 1 << "B"
                           << "1/2";
    QTest::newRow("middle") << abc << 2 << "C"
                            << "2/2";
    QTest::newRow("last") << abc << 3 << "B"
                          << "2/2";
    QTest::newRow("only") << QStringList{"A"} << 1 << ""
                          << "0/0";
}

void TestNotatniczek::deleteContact()
{
    QFETCH(QStringList, names);
    QFETCH(int, stored);
    QFETCH(QString, shownAfter);
    QFETCH(QString, counterAfter);
    m_fx->writeFile(u"Morwinek.ini"_qs, "[Kontakty]\r\nOstatnia_Pozycja=" + QByteArray::number(stored) + "\r\n");
    QDir(m_fx->dir.path()).mkpath(u"notes"_qs);
    QDir(m_fx->dir.path()).mkpath(u"foto"_qs);
    const QString id = QString::number(10000 + stored - 1);
    m_fx->writeFile(u"notes/"_qs + id + u".txt"_qs, "notatka\r\n");
    m_fx->writeFile(u"foto/"_qs + id + u".jpg"_qs, "jpeg");
    TForm_Notatniczek *w = open(bookOf(names));
    QVERIFY(w);
    QCOMPARE(w->Memo_Notatki->toPlainText(), u"notatka"_qs);
    QVERIFY(w->pm_usun->isEnabled());

    // Cancel keeps everything.
    prompter().answers = {Prompter::Cancel};
    click("Button_Kasuj");
    QCOMPARE(w->book().count(), names.size());

    prompter().answers = {Prompter::Ok};
    click("Button_Kasuj");
    QCOMPARE(prompter().boxes.last().text, u"Chcesz skasować bieżący kontakt?"_qs);
    QCOMPARE(prompter().boxes.last().caption, u"Ostrzeżenie!"_qs);
    QCOMPARE(prompter().boxes.last().flags, unsigned(MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON2));
    QCOMPARE(shownName(), shownAfter);
    QCOMPARE(counter(), counterAfter);
    QStringList left = names;
    left.removeAt(stored - 1);
    QCOMPARE(w->book().list().names(), left);
    QCOMPARE(TextFile::splitLines(dataFile()).size(), left.size());
    QVERIFY(!QFile::exists(m_fx->path(u"notes/"_qs + id + u".txt"_qs)));
    QVERIFY(!QFile::exists(m_fx->path(u"foto/"_qs + id + u".jpg"_qs)));
    QVERIFY(!w->pm_usun->isEnabled());
    QCOMPARE(w->Button_Zapisz->isEnabled(), !left.isEmpty());
    QCOMPARE(w->Button_Kasuj->isEnabled(), !left.isEmpty());
    QCOMPARE(prompter().boxes.size(), 2); // emptying the fields raises no notice
}

void TestNotatniczek::changeCheck_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Yes saves") << int(Prompter::Yes) << "Nowa firma";
    QTest::newRow("No discards") << int(Prompter::No) << "";
}

void TestNotatniczek::changeCheck()
{
    QFETCH(int, answer);
    QFETCH(QString, stored);
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs}));
    QVERIFY(w);
    typeInto(w->Edit_Firma, u"Nowa firma"_qs);
    QCOMPARE(w->Label_Info->text(), u"Nowa firma"_qs);
    prompter().answers = {Prompter::Answer(answer)};
    click("Button_Nastepny");
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].text, u"Dane zostały zmienione!\rChcesz zapisać bieżący kontakt?"_qs);
    QCOMPARE(prompter().boxes[0].flags, unsigned(MB_YESNO | MB_ICONQUESTION));
    QCOMPARE(shownName(), u"B"_qs);
    QCOMPARE(Contact::fromLine(TextFile::splitLines(dataFile())[0]).Firma, stored);
    // Closing after the answer asks nothing more.
    w->close();
    QTRY_VERIFY(Form_Notatniczek.isNull());
    QCOMPARE(prompter().boxes.size(), 1);
}

void TestNotatniczek::escape_withListDroppedDown_rereadsContact()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs}));
    QVERIFY(w);
    typeInto(w->Edit_Firma, u"X"_qs);
    w->ComboBox_Nazwa->showPopup();
    QVERIFY(w->ComboBox_Nazwa->isDroppedDown());
    QTest::keyClick(w->ComboBox_Nazwa->view(), Qt::Key_Escape);
    QVERIFY(!w->ComboBox_Nazwa->isDroppedDown());
    QCOMPARE(w->Edit_Firma->text(), QString());
    QVERIFY(!w->changed());
    QVERIFY(Form_Notatniczek);
    // Without the list, Esc closes the window.
    QTest::keyClick(w->Edit_Firma, Qt::Key_Escape);
    QTRY_VERIFY(Form_Notatniczek.isNull());
}

void TestNotatniczek::nameBox_pickingShowsContact()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    typeInto(w->Edit_Firma, u"X"_qs);
    // Picking another entry shows it without asking about the edit.
    w->ComboBox_Nazwa->setCurrentIndex(2);
    QCOMPARE(counter(), u"3/3"_qs);
    QCOMPARE(w->Edit_Firma->text(), QString());
    QCOMPARE(prompter().boxes.size(), 0);
    // Up in the name box moves from the current contact.
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_Up);
    QCOMPARE(shownName(), u"B"_qs);
    QCOMPARE(counter(), u"2/3"_qs);
    // Typing a name drops the selection, so Enter moves on instead of rereading.
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_End); // a shown name has the cursor at its start
    typeInto(w->ComboBox_Nazwa->lineEdit(), u"x"_qs);
    QCOMPARE(w->ComboBox_Nazwa->currentIndex(), -1);
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_Return);
    QCOMPARE(shownName(), u"Bx"_qs);
    QVERIFY(w->changed());
}

void TestNotatniczek::nameBox_renamingToAnotherNameStaysOnContact()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    QApplication::setActiveWindow(w);
    QLineEdit *name = w->ComboBox_Nazwa->lineEdit();
    w->ComboBox_Nazwa->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w->ComboBox_Nazwa->hasFocus());
    name->selectAll();
    typeInto(name, u"C"_qs);
    typeInto(w->Memo_Notatki, u"n"_qs);
    w->Edit_Firma->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(!w->ComboBox_Nazwa->hasFocus());
    QCOMPARE(w->position(), 0);
    QCOMPARE(w->Edit_ID->text(), u"10000"_qs);
    QCOMPARE(shownName(), u"C"_qs);
    QVERIFY(w->changed());
    QCOMPARE(w->Memo_Notatki->toPlainText(), u"n"_qs);
}

void TestNotatniczek::enter_showsSelectedEntryElseMovesOn()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    // Picked from the list: Enter shows the selected entry again, though it is the current one.
    w->ComboBox_Nazwa->setCurrentIndex(2);
    typeInto(w->Edit_Firma, u"X"_qs);
    QTest::keyClick(w->Edit_Firma, Qt::Key_Return);
    QCOMPARE(w->position(), 2);
    QCOMPARE(w->Edit_Firma->text(), QString());
    QVERIFY(!w->changed());
    QCOMPARE(prompter().boxes.size(), 0);
    // After browsing with the buttons the old pick no longer leads Enter elsewhere.
    prompter().answers = {Prompter::No};
    click("Button_Pierwszy");
    typeInto(w->Edit_Firma, u"Y"_qs);
    QTest::keyClick(w->Edit_Firma, Qt::Key_Return);
    QCOMPARE(w->position(), 0);
    QCOMPARE(shownName(), u"A"_qs);
    QCOMPARE(w->Edit_Firma->text(), u"Y"_qs);
    QVERIFY(w->changed());
}

void TestNotatniczek::postalCode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("beeps");
    QTest::newRow("five digits") << "12345"
                                 << "12-345" << 0;
    QTest::newRow("six characters kept") << "12-345"
                                         << "12-345" << 0;
    QTest::newRow("too short") << "123"
                               << "123" << 1;
    QTest::newRow("empty") << ""
                           << "" << 1;
}

void TestNotatniczek::postalCode()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(int, beeps);
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    QApplication::setActiveWindow(w);
    for (QLineEdit *edit : {w->Edit_DomKod, w->Edit_PracaKod}) {
        prompter().clear();
        w->PageControl1->setCurrentWidget(edit->parentWidget());
        edit->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(edit->hasFocus());
        typeInto(edit, typed);
        w->ComboBox_Nazwa->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(!edit->hasFocus());
        QCOMPARE(edit->text(), after);
        QCOMPARE(prompter().beeps.size(), beeps);
    }
}

void TestNotatniczek::webAndMail_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opened"); // empty: refused with a beep
    QTest::newRow("www gets http") << "Button_DomURL"
                                   << "www.example.pl"
                                   << "http://www.example.pl";
    QTest::newRow("https kept") << "Button_PracaURL"
                                << "https://firma.pl/a?b=1"
                                << "https://firma.pl/a?b=1";
    QTest::newRow("host with port") << "Button_DomURL"
                                    << "example.pl:8080/x"
                                    << "http://example.pl:8080/x";
    QTest::newRow("file scheme") << "Button_DomURL"
                                 << "file:///etc/passwd"
                                 << "";
    QTest::newRow("windows path") << "Button_DomURL"
                                  << "C:\\Windows\\calc.exe"
                                  << "";
    QTest::newRow("unix path") << "Button_PracaURL"
                               << "/usr/bin/xterm"
                               << "";
    QTest::newRow("javascript") << "Button_DomURL"
                                << "javascript:alert(1)"
                                << "";
    QTest::newRow("empty page") << "Button_DomURL"
                                << "  "
                                << "";
    QTest::newRow("mail") << "Button_Email"
                          << "jan@example.pl"
                          << "mailto:jan@example.pl";
    QTest::newRow("mail query encoded") << "Button_Email"
                                        << "jan@x.pl?attach=/etc/passwd"
                                        << "mailto:jan@x.pl%3Fattach=/etc/passwd";
    QTest::newRow("mail without @") << "Button_Email"
                                    << "jan"
                                    << "";
    QTest::newRow("mail with blank") << "Button_Email"
                                     << "jan kowal@x.pl"
                                     << "";
    QTest::newRow("empty mail") << "Button_Email"
                                << ""
                                << "";
}

void TestNotatniczek::webAndMail()
{
    QFETCH(QString, button);
    QFETCH(QString, text);
    QFETCH(QString, opened);
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    QLineEdit *edit = button == u"Button_Email"    ? w->Edit_Email
                      : button == u"Button_DomURL" ? w->Edit_DomURL
                                                   : w->Edit_PracaURL;
    edit->setText(text);
    click(button.toLatin1().constData());
    if (opened.isEmpty()) {
        QCOMPARE(m_fx->sim.shell.opened.size(), 0);
        QCOMPARE(prompter().beeps.size(), 1);
    } else {
        QCOMPARE(m_fx->sim.shell.opened.size(), 1);
        QCOMPARE(m_fx->sim.shell.opened[0].toString(QUrl::FullyEncoded), opened);
        QCOMPARE(prompter().beeps.size(), 0);
    }
}

void TestNotatniczek::nothingOpens_saysSoWithTheAddress_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("named"); // what the box names, so it can be opened by hand
    QTest::addColumn<bool>("later");    // the desktop's opener took it and then failed
    QTest::newRow("web page") << "Button_PracaURL"
                              << "http://www.example.pl" << false;
    QTest::newRow("mail") << "Button_Email"
                          << "jan@example.pl" << false;
    QTest::newRow("photo in an editor") << "pm_edytuj"
                                        << "foto/10000.jpg" << false;
    QTest::newRow("no browser") << "Button_PracaURL"
                                << "http://www.example.pl" << true;
    QTest::newRow("no mail program") << "Button_Email"
                                     << "jan@example.pl" << true;
    QTest::newRow("no image editor") << "pm_edytuj"
                                     << "foto/10000.jpg" << true;
}

void TestNotatniczek::nothingOpens_saysSoWithTheAddress()
{
    QFETCH(QString, command);
    QFETCH(QString, named);
    QFETCH(bool, later);
    QDir(m_fx->dir.path()).mkpath(u"foto"_qs);
    m_fx->writeFile(u"foto/10000.jpg"_qs, pictureOf("JPEG", 40, 30));
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    m_fx->sim.shell.answer = later; // no program on this desktop takes it
    m_fx->sim.shell.failsLater = later;
    w->Edit_Email->setText(u"jan@example.pl"_qs);
    w->Edit_PracaURL->setText(u"www.example.pl"_qs);
    if (command == u"pm_edytuj") {
        w->pm_edytuj->trigger();
        named = QDir::toNativeSeparators(m_fx->path(named));
    } else {
        click(command.toLatin1().constData());
    }
    QCOMPARE(m_fx->sim.shell.opened.size() + m_fx->sim.shell.edited.size(), 1);
    QTRY_COMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].caption, u"Informacja!"_qs);
    QVERIFY2(prompter().boxes[0].text.endsWith(u"\n"_qs + named), qPrintable(prompter().boxes[0].text));
}

void TestNotatniczek::nameBox_longNameShowsItsBeginning()
{
    const QString longName = u"Brzęczyszczykiewicz Grzegorz"_qs;
    TForm_Notatniczek *w = open(bookOf({u"Adamski Jan"_qs, longName}));
    QVERIFY(w);
    QLineEdit *edit = w->ComboBox_Nazwa->lineEdit();
    for (const bool picked : {false, true}) { // browsed to, then picked from the list
        picked ? w->ComboBox_Nazwa->setCurrentIndex(1) : click("Button_Nastepny");
        QCOMPARE(shownName(), longName);
        QVERIFY(edit->fontMetrics().horizontalAdvance(longName) > edit->width()); // too long for the box
        edit->grab();                                                             // laid out as drawn
        // Scrolled so that the first letter stands at the box's left edge.
        QVERIFY(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < edit->fontMetrics().averageCharWidth());
        click("Button_Poprzedni");
    }
}

void TestNotatniczek::editors_refuseCharactersOutsideCodePage()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs}));
    QVERIFY(w);
    typeInto(w->Edit_DomMiasto, u"Łódź€"_qs);
    QCOMPARE(prompter().beeps.size(), 0);
    typeInto(w->Edit_DomMiasto, u"ж"_qs);
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_End);
    typeInto(w->ComboBox_Nazwa->lineEdit(), u"ř中"_qs);
    typeInto(w->Memo_Notatki, u"ą中"_qs);
    QCOMPARE(prompter().beeps.size(), 3);
    QCOMPARE(w->Edit_DomMiasto->text(), u"Łódź€"_qs);
    QCOMPARE(w->ComboBox_Nazwa->currentText(), u"Ař"_qs);
    QCOMPARE(w->Memo_Notatki->toPlainText(), u"ą"_qs);
}

void TestNotatniczek::editors_pastedLineBreakBecomesBlank()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs}));
    QVERIFY(w);
    const auto paste = [](QLineEdit *edit, const QString &text) {
        QGuiApplication::clipboard()->setText(text);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    };
    paste(w->Edit_DomUlica, u"ul. Długa 5\r\nKraków"_qs);
    paste(w->Edit_PracaUlica, u"Rynek 1\n\npiętro 2\r"_qs);
    paste(w->ComboBox_Nazwa->lineEdit(), u"Nowak\rJan"_qs);
    QCOMPARE(w->Edit_DomUlica->text(), u"ul. Długa 5 Kraków"_qs);
    QCOMPARE(w->Edit_PracaUlica->text(), u"Rynek 1  piętro 2 "_qs);
    QCOMPARE(w->ComboBox_Nazwa->currentText(), u"Nowak Jan"_qs);
    click("Button_Zapisz");
    const QList<QByteArray> lines = TextFile::splitLines(dataFile());
    QCOMPARE(lines.size(), 2);
    QCOMPARE(Contact::nameOf(lines[0]), u"B"_qs);
    QCOMPARE(Contact::fromLine(lines[1]).DomUlica, u"ul. Długa 5 Kraków"_qs);
    QCOMPARE(Contact::nameOf(lines[1]), u"Nowak Jan"_qs);
}

void TestNotatniczek::close_writesPositionAndPrintOptions()
{
    TForm_Notatniczek *w = open(bookOf({u"A"_qs, u"B"_qs, u"C"_qs}));
    QVERIFY(w);
    click("Button_Ostatni");
    w->druk_sluz->trigger();
    w->druk_osob->trigger();
    click("Button_Zamknij");
    QTRY_VERIFY(Form_Notatniczek.isNull());
    IniFile ini(m_fx->path(u"Morwinek.ini"_qs));
    QVERIFY(ini.load());
    QCOMPARE(ini.readString(u"Kontakty"_qs, u"Ostatnia_Pozycja"_qs, {}), u"3"_qs);
    QCOMPARE(ini.readString(u"Kontakty"_qs, u"Drukuj_Sluzbowe"_qs, {}), u"1"_qs);
    QCOMPARE(ini.readString(u"Kontakty"_qs, u"Drukuj_Osobiste"_qs, {}), u"0"_qs);
    QCOMPARE(ini.readString(u"Kontakty"_qs, u"Drukuj_Komorke"_qs, {}), u"1"_qs);
    // The next window opens on the same contact with the same marks.
    m_fx->main->Kontakty->trigger();
    QVERIFY(Form_Notatniczek);
    QCOMPARE(Form_Notatniczek->ComboBox_Nazwa->currentText(), u"C"_qs);
    QVERIFY(Form_Notatniczek->druk_sluz->isChecked());
    QVERIFY(!Form_Notatniczek->druk_osob->isChecked());
}

void TestNotatniczek::failedSave_showsErrorAndKeepsState()
{
    TForm_Notatniczek *w = open(bookOf({u"Zawada"_qs, u"Bąk"_qs}));
    QVERIFY(w);
    const QByteArray before = dataFile();
    // A folder in place of the data file makes every rewrite fail, whoever runs the test.
    QVERIFY(QFile::remove(m_fx->path(u"Morwinek.data"_qs)));
    QVERIFY(QDir(m_fx->dir.path()).mkdir(u"Morwinek.data"_qs));
    QLineEdit *name = w->ComboBox_Nazwa->lineEdit();
    name->selectAll();
    typeInto(name, u"Adamski"_qs);
    click("Button_Zapisz");
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(prompter().boxes[0].caption, u"Błąd!"_qs);
    QVERIFY(!prompter().boxes[0].text.isEmpty());
    QCOMPARE(w->book().list().names(), QStringList({u"Zawada"_qs, u"Bąk"_qs}));
    QVERIFY(w->changed());
    click("Button_Dodaj");
    QCOMPARE(w->book().count(), 2);
    QCOMPARE(prompter().boxes.last().caption, u"Błąd!"_qs);
    prompter().answers = {Prompter::Ok};
    click("Button_Kasuj");
    QCOMPARE(w->book().count(), 2);
    Q_UNUSED(before);
}

void TestNotatniczek::birthday_switchesBiorytmy_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("valid date") << "05.07.1980" << true;
    QTest::newRow("eight characters") << "1.2.1980" << false;
    QTest::newRow("no 29 Feb") << "29.02.1981" << false;
    QTest::newRow("leap day") << "29.02.1980" << true;
    QTest::newRow("without a year") << "12.04" << false;
    QTest::newRow("in the year kept for none") << "12.04.1604" << false;
}

void TestNotatniczek::birthday_switchesBiorytmy()
{
    QFETCH(QString, typed);
    QFETCH(bool, enabled);
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    QVERIFY(!w->Button_Biorytmy->isEnabled());
    typeInto(w->Edit_Urodziny, typed);
    QCOMPARE(w->Button_Biorytmy->isEnabled(), enabled);
    // Even in an empty book the birthday counts as an edit without the notice.
    QCOMPARE(prompter().boxes.size(), 0);
    QVERIFY(w->Label_Ile->font().bold());
}

// An existing book with a birthday typed without its year, one an earlier version kept in the year
// 1604, and a whole date: the first two show and are saved as the day and month, with no biorhythm.
void TestNotatniczek::birthday_withoutYear()
{
    const QStringList born = {u"07.12"_qs, u"07.12.1604"_qs, u"07.12.1980"_qs};
    QList<QByteArray> lines;
    for (int i = 0; i < born.size(); ++i) {
        Contact c;
        c.ID = QString::number(10000 + i);
        c.Nazwa = QStringList({u"Adamska Ewa"_qs, u"Borowy Jan"_qs, u"Cichy Piotr"_qs}).at(i);
        c.Urodziny = born[i];
        lines.append(c.toLine());
    }
    const QByteArray bytes = TextFile::joinLines(lines);
    m_fx->writeFile(u"Morwinek.ini"_qs, "[Terminy]\r\nAUTOTERMINY=0\r\n"); // the birthdays are due: no modal reminder
    TForm_Notatniczek *w = open(bytes);
    QVERIFY(w);
    const QStringList dayAndMonth = {u"07.12"_qs, u"07.12"_qs, u"07.12.1980"_qs};
    for (int i = 0; i < born.size(); ++i) {
        QCOMPARE(w->Edit_Urodziny->text(), dayAndMonth[i]);
        QCOMPARE(w->Button_Biorytmy->isEnabled(), i == 2);
        QVERIFY(!w->changed());
        click("Button_Nastepny");
    }
    QCOMPARE(dataFile(), bytes); // browsing writes nothing
    click("Button_Pierwszy");
    for (int i = 0; i < born.size(); ++i) {
        click("Button_Zapisz");
        QCOMPARE(Contact::fromLine(TextFile::splitLines(dataFile()).at(i)).Urodziny, dayAndMonth[i]);
        click("Button_Nastepny");
    }
    lines[1].replace(680, 10, "07.12     ");
    QCOMPARE(dataFile(), TextFile::joinLines(lines)); // only the 1604 line changed
    w->Edit_Urodziny->clear();
    typeInto(w->Edit_Urodziny, u"29.02.1604"_qs);
    click("Button_Zapisz");
    QCOMPARE(Contact::fromLine(TextFile::splitLines(dataFile()).at(2)).Urodziny, u"29.02"_qs);
}

void TestNotatniczek::biorytmy_opensChartForShownBirthday()
{
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    typeInto(w->Edit_Urodziny, u"05.07.1980"_qs);
    click("Button_Biorytmy");
    QVERIFY(Form_Biorytmy);
    QCOMPARE(Form_Biorytmy->Edit_Urodziny->text(), u"05.07.1980"_qs);
    QVERIFY(prompter().beeps.isEmpty());

    // A second click with another date beeps and leaves the open chart as it is.
    w->Edit_Urodziny->clear();
    typeInto(w->Edit_Urodziny, u"01.01.1990"_qs);
    click("Button_Biorytmy");
    QCOMPARE(prompter().beeps, QList<Prompter::Beep>{Prompter::Exclamation});
    QCOMPARE(Form_Biorytmy->Edit_Urodziny->text(), u"05.07.1980"_qs);
    Form_Biorytmy->close();
    QTRY_VERIFY(Form_Biorytmy.isNull());
}

void TestNotatniczek::todayPanel_followsClock_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("dayOfYear");
    QTest::addColumn<QString>("weekday");
    QTest::addColumn<QString>("names"); // as the calendar's rows give them, joined by hand
    QTest::newRow("1 January") << QDate(2025, 1, 1) << "1 dzień roku"
                               << "środa"
                               << "Masław, Mieczysław, Maria, Mieszko";
    QTest::newRow("31 December, leap year") << QDate(2024, 12, 31) << "366 dzień roku"
                                            << "wtorek"
                                            << "Katarzyna, Mariusz, Melania, Sylwester, Hermes";
    QTest::newRow("31 December") << QDate(2025, 12, 31) << "365 dzień roku"
                                 << "środa"
                                 << "Katarzyna, Mariusz, Melania, Sylwester, Hermes";
    QTest::newRow("1 November, two names") << QDate(2025, 11, 1) << "305 dzień roku"
                                           << "sobota"
                                           << "Andrzej, Cezary";
    QTest::newRow("29 October, the longest") << QDate(2025, 10, 29) << "302 dzień roku"
                                             << "środa"
                                             << "Angela, Euzebia, Franciszek, Przemysław, Wioletta, Zenobia";
}

void TestNotatniczek::todayPanel_followsClock()
{
    QFETCH(QDate, today);
    QFETCH(QString, dayOfYear);
    QFETCH(QString, weekday);
    QFETCH(QString, names);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    const auto restore = qScopeGuard([] {
        QLocale::setDefault(QLocale::system());
    });
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    QCOMPARE(w->Label_Data->text(), u"06.12.2026"_qs);
    m_fx->sim.clock.set(QDateTime(today, QTime(23, 59, 58)));
    w->Timer1Timer();
    QCOMPARE(w->Label_Data->text(), DateText::toText(today));
    QCOMPARE(w->Label3->text(), dayOfYear);
    QCOMPARE(w->Label1->text(), u"Dziś jest "_qs + weekday);
    QVERIFY(w->Label_Godzina->text().contains(u"23:59:58"_qs));
    QCOMPARE(w->Label_wypisz2->text(), names);
}

void TestNotatniczek::todayPanel_everyDaysNamesFitWhole()
{
    TForm_Notatniczek *w = open(QByteArray());
    QVERIFY(w);
    QLabel *names = w->Label_wypisz2;
    QVERIFY(w->Panel2->contentsRect().contains(names->geometry()));
    QVERIFY(w->Panel2->geometry().bottom() < w->Button_Zamknij->geometry().top());
    for (QDate day(2024, 1, 1); day.year() == 2024; day = day.addDays(1)) {
        m_fx->sim.clock.set(QDateTime(day, QTime(12, 0)));
        w->Timer1Timer();
        // The height the label's own layout needs for the day's text at its width.
        QVERIFY2(names->heightForWidth(names->width()) <= names->height(), qPrintable(names->text()));
    }
}

QTEST_MAIN(TestNotatniczek)
#include "tst_notatniczek.moc"
