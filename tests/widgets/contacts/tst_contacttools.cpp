#include "support/ContactLines.h"
#include "support/ModalHelpers.h"
#include "support/Pictures.h"
#include "support/ShellFixture.h"

#include "core/common/TextFile.h"
#include "core/contacts/PhotoCodec.h"
#include "widgets/contacts/CardPrinter.h"
#include "widgets/contacts/ContactEditors.h"
#include "widgets/contacts/FindDialog.h"
#include "widgets/contacts/TForm_Notatniczek.h"

#include <QCalendarWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QSpinBox>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

// Answers the next file dialog with a path.
void whenFileDialogShown(const QString &path, int triesLeft = 200)
{
    QTimer::singleShot(5, [path, triesLeft] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (triesLeft > 0) {
                whenFileDialogShown(path, triesLeft - 1);
            }
            return;
        }
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

} // namespace

class TestContactTools : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dateButton_nameDayKeepsDayAndMonth();
    void search_savesFirstThenVisitsMatchesBeepsAndRestarts();
    void photo_unreadableShowsReasonAndBrowsingGoesOn();
    void photo_chosenPictureStored_data();
    void photo_chosenPictureStored();
    void print_refusals();
    void print_pageGeometryAt600dpi();
    void print_pdfOfTheShownContact();

private:
    TForm_Notatniczek *open(const QList<QByteArray> &lines);
    FakePrompter &prompter() { return m_fx->sim.prompter; }
    QString photoFile(const QString &id) const { return m_fx->path(u"foto/"_s + id + u".jpg"_s); }

    std::unique_ptr<ShellFixture> m_fx;
};

void TestContactTools::init()
{
    m_fx = std::make_unique<ShellFixture>();
    CardPrinter::printersInstalled = [] {
        return false;
    };
}

void TestContactTools::cleanup()
{
    m_fx.reset();
    QVERIFY(Form_Notatniczek.isNull());
}

TForm_Notatniczek *TestContactTools::open(const QList<QByteArray> &lines)
{
    m_fx->writeFile(u"Morwinek.data"_s, TextFile::joinLines(lines));
    QDir(m_fx->dir.path()).mkpath(u"foto"_s);
    m_fx->start().Kontakty->trigger();
    return Form_Notatniczek;
}

void TestContactTools::dateButton_nameDayKeepsDayAndMonth()
{
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"Nowak"_s)});
    QVERIFY(w);
    bool locked = false;
    whenPickerShown([&](TForm_Kalendarz &picker) {
        locked = !picker.SpinEdit_Rok->isEnabled();
        picker.Calendar1->setSelectedDate(QDate(1980, 7, 5));
        QTest::keyClick(&picker, Qt::Key_Return);
    });
    QTest::mouseClick(w->SB_Imieniny, Qt::LeftButton);
    QVERIFY(locked);
    QCOMPARE(w->Edit_Imieniny->text(), u"05.07"_s);
    QVERIFY(w->changed());
}

void TestContactTools::search_savesFirstThenVisitsMatchesBeepsAndRestarts()
{
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"Adamski"_s),
                                 contactLineByColumns(u"Bednarz"_s, u"Gdańsk"_s),
                                 contactLineByColumns(u"Cichy"_s, u"GDAŃSK"_s)});
    QVERIFY(w);
    w->ComboBox_Nazwa->setEditText(u"Żak"_s); // Adamski renamed: saving moves him to the end
    w->Edit_Pseudo->setText(u"x"_s);
    prompter().answers = {Prompter::Yes};
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w->FindDialog1->isVisible());
    QCOMPARE(w->FindDialog1->pos(), w->pos() + QPoint(-8, 288));
    w->FindDialog1->Edit_Tekst->setText(u"gdańsk"_s);
    const auto findNext = [w] {
        QTest::keyClick(w->FindDialog1->Edit_Tekst, Qt::Key_Return);
        return w->ComboBox_Nazwa->currentText();
    };
    QCOMPARE(findNext(), u"Bednarz"_s);
    QCOMPARE(prompter().boxes.size(), 1);
    QCOMPARE(w->book().list().names(), QStringList({u"Bednarz"_s, u"Cichy"_s, u"Żak"_s}));
    QCOMPARE(w->position(), 0);
    QCOMPARE(findNext(), u"Cichy"_s);
    QCOMPARE(findNext(), u"Cichy"_s);
    QCOMPARE(prompter().beeps.size(), 1);
    QCOMPARE(findNext(), u"Bednarz"_s);
    QCOMPARE(prompter().boxes.size(), 1);
    QTest::keyClick(w->FindDialog1->Edit_Tekst, Qt::Key_Escape);
    QVERIFY(!w->FindDialog1->isVisible());
}

void TestContactTools::photo_unreadableShowsReasonAndBrowsingGoesOn()
{
    QDir(m_fx->dir.path()).mkpath(u"foto"_s);
    m_fx->writeFile(u"foto/10000.jpg"_s, pictureOf("jpg", 400, 300).left(600));
    m_fx->writeFile(u"foto/10001.jpg"_s, pictureOf("jpg", 400, 300));
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"A"_s), lineFor(u"10001"_s, u"B"_s)});
    QVERIFY(w);
    QCOMPARE(w->Panel1->text(), u"<nieczytelne zdjęcie>"_s);
    QVERIFY(!w->Panel1->toolTip().isEmpty());
    QVERIFY(w->Image_Zdjecie->isHidden());
    QVERIFY(w->pm_edytuj->isEnabled() && w->pm_odswiez->isEnabled() && w->pm_usun->isEnabled());
    w->Button_NastepnyClick();
    QCOMPARE(w->ComboBox_Nazwa->currentText(), u"B"_s);
    QVERIFY(!w->Image_Zdjecie->isHidden());
    QCOMPARE(w->Panel1->toolTip(), QString());
    QCOMPARE(prompter().boxes.size(), 0);
    w->pm_edytuj->trigger();
    QCOMPARE(m_fx->sim.shell.edited, QStringList({photoFile(u"10001"_s)}));
}

void TestContactTools::photo_chosenPictureStored_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("BMP converted") << "a.bmp" << pictureOf("bmp", 30, 20) << false;
    QTest::newRow("PNG named .jpg refused") << "a.jpg" << pictureOf("png", 30, 20) << true;
}

void TestContactTools::photo_chosenPictureStored()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, refused);
    m_fx->writeFile(name, bytes);
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"A"_s)});
    QVERIFY(w);
    m_fx->writeFile(u"foto/10000.jpg"_s, "old photo");
    whenFileDialogShown(m_fx->path(name));
    QTest::mouseDClick(w->Panel1, Qt::LeftButton);
    const QByteArray stored = m_fx->readFile(u"foto/10000.jpg"_s);
    if (refused) {
        QCOMPARE(prompter().boxes.size(), 1);
        QCOMPARE(prompter().boxes.last().caption, u"Błąd!"_s);
        QCOMPARE(stored, QByteArray("old photo"));
        return;
    }
    QCOMPARE(prompter().boxes.size(), 0);
    QVERIFY(PhotoCodec::looksLikeJpeg(stored));
    QVERIFY(!w->Image_Zdjecie->isHidden());
    QVERIFY(w->pm_usun->isEnabled());
}

void TestContactTools::print_refusals()
{
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"Nowak Jan"_s)});
    QVERIFY(w);
    w->druk1->trigger();
    w->druk_Ustawienia->trigger();
    QCOMPARE(prompter().beeps.size(), 2);
    QCOMPARE(prompter().boxes.size(), 2);
    QCOMPARE(prompter().boxes.first().text, u"W tym komputerze nie zainstalowano drukarki!"_s);
    QCOMPARE(prompter().boxes.last().caption, u"Błąd!"_s);

    CardPrinter::printersInstalled = [] {
        return true;
    };
    QPrinter &printer = CardPrinter::sessionPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_fx->path(u"out.pdf"_s));
    printer.setPageSize(QPageSize(QPageSize::A5));
    QTest::keyClick(w->ComboBox_Nazwa->lineEdit(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(prompter().boxes.last().text, u"Drukarka ma ustawiony za mały format papieru!"_s);
    QCOMPARE(prompter().beeps.size(), 3);
    QVERIFY(!QFile::exists(m_fx->path(u"out.pdf"_s)));
    printer.setPageSize(QPageSize(QPageSize::A4));
    w->druk1->trigger();
    QCOMPARE(prompter().boxes.size(), 3);
    QVERIFY(QFileInfo(m_fx->path(u"out.pdf"_s)).size() > 0);
    QCOMPARE(printer.docName(), u"Morwinek - Nowak Jan"_s);
}

void TestContactTools::print_pageGeometryAt600dpi()
{
    CardLayout::Options ten;
    ten.tenCopies = true;
    QImage page(4800, 6000, QImage::Format_Grayscale8);
    page.setDotsPerMeterX(23622); // 600 dpi
    page.setDotsPerMeterY(23622);
    page.fill(128);
    CardPrinter::drawPage(&page, {}, ten);
    const auto black = [&page](int x, int y) {
        return qGray(page.pixel(x, y)) < 64;
    };
    // Outlines 2265 × 1180 pixels; the second column starts at 2265, the sixth row is not drawn.
    QVERIFY(black(0, 0) && black(2264, 600) && black(600, 1179));
    QVERIFY(black(2265, 600) && black(4530, 600) && !black(4531, 600));
    QVERIFY(black(600, 5899) && qGray(page.pixel(600, 5900)) == 128);
    QCOMPARE(qGray(page.pixel(100, 100)), 255); // white inside
}

void TestContactTools::print_pdfOfTheShownContact()
{
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"Nowak Jan"_s)});
    QVERIFY(w);
    whenFileDialogShown(m_fx->path(u"wizytowka"_s));
    w->druk_PDF->trigger();
    QFile pdf(m_fx->path(u"wizytowka.pdf"_s));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY(bytes.contains("/MediaBox [0 0 595")); // A4 in points
    QCOMPARE(prompter().boxes.size(), 0);
    const QString path = m_fx->path(u"brak/wizytowka.pdf"_s);
    QString error;
    QVERIFY(!CardPrinter::savePdf(path, {}, {}, &error));
    QCOMPARE(error,
             u"Nie można zapisać pliku „%1”: folder „%2” nie istnieje."_s.arg(
                 QDir::toNativeSeparators(path), QDir::toNativeSeparators(m_fx->path(u"brak"_s))));
}

QTEST_MAIN(TestContactTools)
#include "tst_contacttools.moc"
