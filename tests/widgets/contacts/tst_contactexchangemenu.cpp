#include "support/ContactLines.h"
#include "support/ShellFixture.h"

#include "core/common/TextFile.h"
#include "widgets/contacts/ContactExchangeMenu.h"
#include "widgets/contacts/TForm_Notatniczek.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressDialog>

using namespace Qt::StringLiterals;

namespace {

const QByteArray cards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Jan;;;\r\nTEL;TYPE=CELL:600-100-200\r\nEND:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Adamska;Ewa;;;\r\nEND:VCARD\r\n";

} // namespace

class TestContactExchangeMenu : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void menu_itemsAfterThePdfItem();
    void import_answerDecides_data();
    void import_answerDecides();
    void drop_vcfFile_imports();
    void export_cancelledInProgress_writesNothing();

private:
    ContactExchangeMenu *open(const QList<QByteArray> &lines);
    QByteArray dataFile() const { return m_fx->readFile(u"Morwinek.data"_s); }
    FakePrompter &prompter() { return m_fx->sim.prompter; }

    std::unique_ptr<ShellFixture> m_fx;
};

void TestContactExchangeMenu::init()
{
    m_fx = std::make_unique<ShellFixture>();
    m_fx->writeFile(u"karty.vcf"_s, cards);
}

void TestContactExchangeMenu::cleanup()
{
    if (Form_Notatniczek) {
        prompter().answers = {Prompter::No};
        Form_Notatniczek->close();
    }
    m_fx.reset();
    QVERIFY(Form_Notatniczek.isNull());
}

ContactExchangeMenu *TestContactExchangeMenu::open(const QList<QByteArray> &lines)
{
    m_fx->writeFile(u"Morwinek.data"_s, TextFile::joinLines(lines));
    m_fx->start().Kontakty->trigger();
    if (!Form_Notatniczek) {
        return nullptr;
    }
    auto *menu = Form_Notatniczek->findChild<ContactExchangeMenu *>(u"ContactExchangeMenu"_s);
    if (menu) {
        menu->chooseFile =
            [this](
                QWidget *, ContactExchangeMenu::FileDialog, const QString &, const QString &, const QString &filter) {
                return m_fx->path(filter.contains(u"vcf"_s) ? u"karty.vcf"_s : u"kontakty.csv"_s);
            };
    }
    return menu;
}

void TestContactExchangeMenu::menu_itemsAfterThePdfItem()
{
    QVERIFY(open({lineFor(u"10000"_s, u"Nowak Jan"_s)}));
    const QList<QAction *> actions = Form_Notatniczek->PMenu2->actions();
    QStringList texts;
    for (QAction *action : actions.mid(actions.indexOf(Form_Notatniczek->druk_PDF) + 1)) {
        texts.append(action->isSeparator() ? u"-"_s : action->text());
    }
    QCOMPARE(texts,
             QStringList({u"-"_s,
                          u"Eksportuj kontakty (&vCard)..."_s,
                          u"Eksportuj kontakty (&CSV)..."_s,
                          u"Eksportuj &kalendarz (iCalendar)..."_s,
                          u"&Importuj kontakty..."_s}));
}

void TestContactExchangeMenu::import_answerDecides_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Tak: all") << int(Prompter::Yes)
                              << QStringList{u"Adamska Ewa"_s, u"Kos Ola"_s, u"Nowak Jan"_s, u"Nowak Jan"_s};
    QTest::newRow("Nie: only the new one")
        << int(Prompter::No) << QStringList{u"Adamska Ewa"_s, u"Kos Ola"_s, u"Nowak Jan"_s};
    QTest::newRow("Anuluj: nothing") << int(Prompter::Cancel) << QStringList{u"Kos Ola"_s, u"Nowak Jan"_s};
}

void TestContactExchangeMenu::import_answerDecides()
{
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    ContactExchangeMenu *menu =
        open({lineFor(u"10000"_s, u"Kos Ola"_s), lineFor(u"10001"_s, u"Nowak Jan"_s, u"600 100 200"_s)});
    QVERIFY(menu);
    Form_Notatniczek->Button_OstatniClick(); // "Nowak Jan" shown
    const QByteArray before = dataFile();
    prompter().answers = {Prompter::Answer(answer), Prompter::Ok};
    menu->importuj->trigger();

    QVERIFY(!prompter().boxes.isEmpty());
    const QString question = prompter().boxes.first().text;
    QVERIFY2(question.contains(u"Wczytano kontakty: 2."_s) && question.contains(u"wygląda: 1 "_s),
             qPrintable(question));
    QCOMPARE(prompter().boxes.first().flags, unsigned(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2));
    QCOMPARE(Form_Notatniczek->book().list().names(), names);
    if (answer == Prompter::Cancel) {
        QCOMPARE(dataFile(), before);
        return;
    }
    QCOMPARE(TextFile::splitLines(dataFile()), Form_Notatniczek->book().list().lines());
    // The shown contact is still the one shown before, at its new place.
    QCOMPARE(Form_Notatniczek->Edit_ID->text(), u"10001"_s);
    QCOMPARE(Form_Notatniczek->Label_Ile->text(), u"%1/%2"_s.arg(names.indexOf(u"Nowak Jan"_s) + 1).arg(names.size()));
    QVERIFY(prompter().boxes.last().text.startsWith(u"Dodano kontakty: %1."_s.arg(names.size() - 2)));
}

void TestContactExchangeMenu::drop_vcfFile_imports()
{
    QVERIFY(open({lineFor(u"10000"_s, u"Kos Ola"_s)}));
    prompter().answers = {Prompter::Ok, Prompter::Ok};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_fx->path(u"karty.vcf"_s)), QUrl::fromLocalFile(m_fx->path(u"inny.txt"_s))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &drop);
    QTRY_COMPARE(Form_Notatniczek->book().count(), 3);
    QCOMPARE(prompter().boxes.first().flags, unsigned(MB_OKCANCEL | MB_ICONQUESTION));
}

void TestContactExchangeMenu::export_cancelledInProgress_writesNothing()
{
    QList<QByteArray> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.append(lineFor(QString::number(10000 + i), u"Osoba %1"_s.arg(i, 4, 10, QChar(u'0'))));
    }
    ContactExchangeMenu *menu = open(lines);
    QVERIFY(menu);
    menu->progressFrom = 1000;
    menu->progressDelay = 0;
    bool seen = false;
    QTimer::singleShot(0, Form_Notatniczek, [&seen] {
        if (auto *dialog = Form_Notatniczek->findChild<QProgressDialog *>(u"ExchangeProgress"_s)) {
            seen = true;
            dialog->cancel();
        }
    });
    menu->eksportCsv->trigger();
    QVERIFY(seen);
    QVERIFY(!QFile::exists(m_fx->path(u"kontakty.csv"_s)));
    QVERIFY(prompter().boxes.isEmpty());
}

QTEST_MAIN(TestContactExchangeMenu)
#include "tst_contactexchangemenu.moc"
