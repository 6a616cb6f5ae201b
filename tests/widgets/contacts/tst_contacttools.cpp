#include "support/ContactLines.h"
#include "support/ManyScans.h"
#include "support/ModalHelpers.h"
#include "support/Pictures.h"
#include "support/ShellFixture.h"

#include "core/common/DialogFolder.h"
#include "core/common/TextFile.h"
#include "core/contacts/PhotoCodec.h"
#include "core/contacts/PhotoStore.h"
#include "widgets/contacts/CardPrinter.h"
#include "widgets/contacts/ContactEditors.h"
#include "widgets/contacts/ContactExchangeMenu.h"
#include "widgets/contacts/FindDialog.h"
#include "widgets/contacts/PhotoLoader.h"
#include "widgets/contacts/TForm_Notatniczek.h"

#include <QCalendarWidget>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <atomic>

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

const QByteArray cards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak;Jan;;;\r\nTEL;TYPE=CELL:600-100-200\r\nEND:VCARD\r\n"
                         "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Adamska;Ewa;;;\r\nEND:VCARD\r\n";

} // namespace

class TestContactTools : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dateButton_nameDayKeepsDayAndMonth();
    void search_savesFirstThenVisitsMatchesBeepsAndRestarts();
    void photo_unreadableShowsReasonAndBrowsingGoesOn_data();
    void photo_unreadableShowsReasonAndBrowsingGoesOn();
    void photo_slowDecodeLeavesWindowWorking();
    void photo_chosenPictureStored_data();
    void photo_chosenPictureStored();
    void print_refusals();
    void print_pageGeometryAt600dpi();
    void print_pdfOfTheShownContact();
    void exchange_itemsUnderTheirOwnButton();
    void exchange_importAnswerDecides_data();
    void exchange_importAnswerDecides();
    void exchange_dropOfVcfFileImports();
    void exchange_summaryNamesLeftOutColumns();
    void exchange_exportCancelledInProgressWritesNothing();
    void exchange_largeImport_showsProgressWhileWriting();
    void dialogs_startInDocumentsThenInLastFolder();

private:
    TForm_Notatniczek *open(const QList<QByteArray> &lines);
    ContactExchangeMenu *openMenu(const QList<QByteArray> &lines);
    QByteArray dataFile() const { return m_fx->readFile(u"Morwinek.data"_s); }
    FakePrompter &prompter() { return m_fx->sim.prompter; }

    std::unique_ptr<ShellFixture> m_fx;
};

void TestContactTools::init()
{
    m_fx = std::make_unique<ShellFixture>();
    m_fx->writeFile(u"karty.vcf"_s, cards);
    DialogFolder::forget();
    CardPrinter::printersInstalled = [] {
        return false;
    };
}

void TestContactTools::cleanup()
{
    if (Form_Notatniczek) {
        prompter().answers = {Prompter::No};
        Form_Notatniczek->close();
    }
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

ContactExchangeMenu *TestContactTools::openMenu(const QList<QByteArray> &lines)
{
    auto *menu = open(lines) ? Form_Notatniczek->findChild<ContactExchangeMenu *>(u"ContactExchangeMenu"_s) : nullptr;
    if (menu) {
        menu->chooseFile =
            [this](
                QWidget *, ContactExchangeMenu::FileDialog, const QString &, const QString &, const QString &filter) {
                return m_fx->path(filter.contains(u"vcf"_s) ? u"karty.vcf"_s : u"kontakty.csv"_s);
            };
    }
    return menu;
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

void TestContactTools::photo_unreadableShowsReasonAndBrowsingGoesOn_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("cut off") << pictureOf("jpg", 400, 300).left(600) << u"uszkodzony"_s;
    QTest::newRow("694 progressive scans") << progressiveJpegWithScans(694) << u"zbyt wiele skanów"_s;
}

void TestContactTools::photo_unreadableShowsReasonAndBrowsingGoesOn()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QDir(m_fx->dir.path()).mkpath(u"foto"_s);
    m_fx->writeFile(u"foto/10000.jpg"_s, bytes);
    m_fx->writeFile(u"foto/10001.jpg"_s, pictureOf("jpg", 400, 300));
    TForm_Notatniczek *w = open({lineFor(u"10000"_s, u"A"_s), lineFor(u"10001"_s, u"B"_s)});
    QVERIFY(w);
    QTRY_VERIFY(w->Panel1->text().startsWith(u"<nieczytelne zdjęcie>"_s));
    QVERIFY2(w->Panel1->text().contains(reason) && w->Panel1->toolTip().contains(reason),
             qPrintable(w->Panel1->text()));
    QVERIFY(w->Image_Zdjecie->isHidden());
    QVERIFY(w->pm_edytuj->isEnabled() && w->pm_odswiez->isEnabled() && w->pm_usun->isEnabled());
    w->Button_NastepnyClick();
    QCOMPARE(w->ComboBox_Nazwa->currentText(), u"B"_s);
    QTRY_VERIFY(!w->Image_Zdjecie->isHidden());
    QCOMPARE(w->Panel1->toolTip(), QString());
    QCOMPARE(prompter().boxes.size(), 0);
    w->pm_edytuj->trigger();
    QCOMPARE(m_fx->sim.shell.edited, QStringList({m_fx->path(u"foto/10001.jpg"_s)}));
}

void TestContactTools::photo_slowDecodeLeavesWindowWorking()
{
    QDir(m_fx->dir.path()).mkpath(u"foto"_s);
    const QList<Qt::GlobalColor> colours = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        QImage picture(40, 40, QImage::Format_RGB32);
        picture.fill(colours[i]);
        QVERIFY(picture.save(m_fx->path(u"foto/1000%1.jpg"_s.arg(i)), "JPG"));
    }
    TForm_Notatniczek *w =
        open({lineFor(u"10000"_s, u"A"_s), lineFor(u"10001"_s, u"B"_s), lineFor(u"10002"_s, u"C"_s)});
    QVERIFY(w);
    const auto shown = [w] { // the colour in the frame, empty while it shows no picture
        const QImage image = w->Image_Zdjecie->isHidden() ? QImage() : w->Image_Zdjecie->pixmap().toImage();
        const QRgb c = image.isNull() ? 0 : image.pixel(image.rect().center());
        return qRed(c) > 150 ? u"red"_s : qGreen(c) > 150 ? u"green"_s : qBlue(c) > 150 ? u"blue"_s : QString();
    };
    QTRY_COMPARE(shown(), u"red"_s);
    auto *loader = w->findChild<PhotoLoader *>();
    QVERIFY(loader);
    // B's photo is decoded only once given up; the window goes on meanwhile.
    std::atomic_int done = 0;
    loader->decoder =
        [&](const QString &path, QSize view, QImage *image, QString *error, const std::atomic_bool *stop) {
            while (path.endsWith(u"10001.jpg"_s) && !*stop) {
                QThread::msleep(1);
            }
            const bool ok = PhotoStore::load(path, view, image, error);
            ++done;
            return ok;
        };
    w->Button_NastepnyClick();
    QCOMPARE(w->ComboBox_Nazwa->currentText(), u"B"_s);
    bool timerFired = false;
    QTimer::singleShot(0, w, [&timerFired] {
        timerFired = true;
    });
    QTRY_VERIFY(timerFired);
    QCOMPARE(done, 0);
    QCOMPARE(shown(), QString());
    w->Button_NastepnyClick(); // on to C while B still decodes
    QTRY_COMPARE(shown(), u"blue"_s);
    QTRY_COMPARE(done, 2);
    QCoreApplication::processEvents();
    QCOMPARE(shown(), u"blue"_s); // B's late picture is dropped

    loader->timeLimitMs = 20; // B's is never done in time
    w->Button_PoprzedniClick();
    QTRY_VERIFY(w->Panel1->text().startsWith(u"<nieczytelne zdjęcie>"_s));
    QVERIFY2(w->Panel1->text().contains(u"zbyt długo"_s), qPrintable(w->Panel1->text()));
    QTRY_COMPARE(done, 3);
}

void TestContactTools::photo_chosenPictureStored_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("refused");
    QTest::newRow("BMP converted") << "a.bmp" << pictureOf("bmp", 30, 20) << false;
    QTest::newRow("PNG converted") << "a.png" << pictureOf("png", 30, 20) << false;
    QTest::newRow("PNG named .jpg converted by its content") << "a.jpg" << pictureOf("png", 30, 20) << false;
    QTest::newRow("PPM converted") << "a.ppm" << pictureOf("ppm", 30, 20) << false;
    QTest::newRow("text named .png refused") << "a.png" << QByteArray("to nie obraz\n") << true;
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
    // A whole JPEG by its bytes (start and end of image markers) that a decoder of its own reads: the
    // 30 × 20 picture, converted.
    QVERIFY(stored.startsWith("\xFF\xD8") && stored.endsWith("\xFF\xD9"));
    QCOMPARE(QImage::fromData(stored, "JPEG").size(), QSize(30, 20));
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

void TestContactTools::exchange_itemsUnderTheirOwnButton()
{
    QVERIFY(openMenu({lineFor(u"10000"_s, u"Nowak Jan"_s)}));
    // The print button holds printing alone, ending with the PDF item.
    QCOMPARE(Form_Notatniczek->PMenu2->actions().last(), Form_Notatniczek->druk_PDF);
    QToolButton *exchange = Form_Notatniczek->Button_Wymiana;
    QCOMPARE(exchange->toolTip(), u"Import i eksport..."_s);
    QCOMPARE(exchange->menu(), Form_Notatniczek->PMenu_Wymiana);
    QStringList texts;
    for (QAction *action : exchange->menu()->actions()) {
        texts.append(action->isSeparator() ? u"-"_s : action->text());
    }
    QCOMPARE(texts,
             QStringList({u"Eksportuj kontakty (&vCard)..."_s,
                          u"Eksportuj kontakty (&CSV)..."_s,
                          u"Eksportuj &kalendarz (iCalendar)..."_s,
                          u"&Importuj kontakty..."_s}));
}

void TestContactTools::exchange_importAnswerDecides_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Tak: all") << int(Prompter::Yes)
                              << QStringList{u"Adamska Ewa"_s, u"Kos Ola"_s, u"Nowak Jan"_s, u"Nowak Jan"_s};
    QTest::newRow("Nie: only the new one")
        << int(Prompter::No) << QStringList{u"Adamska Ewa"_s, u"Kos Ola"_s, u"Nowak Jan"_s};
    QTest::newRow("Anuluj: nothing") << int(Prompter::Cancel) << QStringList{u"Kos Ola"_s, u"Nowak Jan"_s};
}

void TestContactTools::exchange_importAnswerDecides()
{
    QFETCH(int, answer);
    QFETCH(QStringList, names);
    ContactExchangeMenu *menu =
        openMenu({lineFor(u"10000"_s, u"Kos Ola"_s), lineFor(u"10001"_s, u"Nowak Jan"_s, u"600 100 200"_s)});
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

void TestContactTools::exchange_dropOfVcfFileImports()
{
    QVERIFY(openMenu({lineFor(u"10000"_s, u"Kos Ola"_s)}));
    prompter().answers = {Prompter::Yes, Prompter::Ok};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(m_fx->path(u"karty.vcf"_s)), QUrl::fromLocalFile(m_fx->path(u"inny.txt"_s))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &drop);
    QTRY_COMPARE(Form_Notatniczek->book().count(), 3);
    QCOMPARE(prompter().boxes.first().flags, unsigned(MB_YESNO | MB_ICONQUESTION)); // a question: Tak / Nie
}

void TestContactTools::exchange_summaryNamesLeftOutColumns()
{
    QVERIFY(openMenu({lineFor(u"10000"_s, u"Kos Ola"_s)}));
    prompter().answers = {Prompter::Yes, Prompter::Ok};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral(TEST_DATA_DIR "/exchange/thunderbird-en.csv"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form_Notatniczek, &drop);
    QTRY_COMPARE(Form_Notatniczek->book().count(), 3);
    QCOMPARE(prompter().boxes.size(), 2);
    for (const auto &box : std::as_const(prompter().boxes)) {
        QVERIFY2(box.text.contains(u"\rPominięte kolumny: Home Country, Custom 1."_s), qPrintable(box.text));
    }
    QVERIFY(prompter().boxes.last().text.startsWith(u"Dodano kontakty: 2."_s));
}

void TestContactTools::exchange_largeImport_showsProgressWhileWriting()
{
    ContactExchangeMenu *menu = openMenu({lineFor(u"10000"_s, u"Kos Ola"_s)});
    QVERIFY(menu);
    QByteArray many;
    constexpr int count = 400;
    for (int i = 0; i < count; ++i) {
        many += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Nowak" + QByteArray::number(i) + ";Jan;;;\r\nTEL:600 "
                + QByteArray::number(100000 + i) + "\r\nNOTE:notatka " + QByteArray::number(i) + "\r\nEND:VCARD\r\n";
    }
    m_fx->writeFile(u"karty.vcf"_s, many);
    menu->progressFrom = 100;
    menu->progressDelay = 0;
    // What the screen shows while the import works, looked at from inside its event loop.
    QStringList shown;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&shown] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<QProgressDialog *>(w); d && d->isVisible() && !shown.contains(d->labelText())) {
                shown.append(d->labelText());
            }
        }
    });
    watch.start(0);
    prompter().answers = {Prompter::Yes, Prompter::Ok};
    menu->importuj->trigger();
    watch.stop();
    QCOMPARE(Form_Notatniczek->book().count(), count + 1);
    QVERIFY2(shown.contains(u"Zapisywanie kontaktów..."_s), qPrintable(shown.join(u" | "_s)));
}

void TestContactTools::exchange_exportCancelledInProgressWritesNothing()
{
    QList<QByteArray> lines;
    for (int i = 0; i < 3000; ++i) {
        lines.append(lineFor(QString::number(10000 + i), u"Osoba %1"_s.arg(i, 4, 10, QChar(u'0'))));
    }
    ContactExchangeMenu *menu = openMenu(lines);
    QVERIFY(menu);
    menu->progressFrom = 1000;
    menu->progressFrom = 100;
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

void TestContactTools::dialogs_startInDocumentsThenInLastFolder()
{
    const QString home = m_fx->path(u"dom"_s), chosen = m_fx->path(u"wybrany"_s);
    QVERIFY(QDir().mkpath(home + u"/.config"_s) && QDir().mkpath(home + u"/Dokumenty"_s) && QDir().mkpath(chosen));
    m_fx->writeFile(u"dom/.config/user-dirs.dirs"_s, "XDG_DOCUMENTS_DIR=\"$HOME/Dokumenty\"\n");
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    });
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + u"/.config"_s));
    ContactExchangeMenu *menu = openMenu({lineFor(u"10000"_s, u"Nowak Jan"_s)});
    QVERIFY(menu);
    QStringList starts;
    QString answer; // empty: cancelled
    menu->chooseFile = [&](QWidget *, auto, const QString &, const QString &start, const QString &) {
        starts.append(start);
        return answer;
    };
    const auto pdfStart = [] {
        QString folder;
        QTimer::singleShot(50, [&folder] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            folder = dialog ? dialog->directory().absolutePath() : QString();
            QApplication::activeModalWidget()->close();
        });
        Form_Notatniczek->druk_PDF->trigger();
        return folder;
    };
    QCOMPARE(pdfStart(), home + u"/Dokumenty"_s); // never the hidden data folder
    menu->eksportCsv->trigger();
    answer = chosen + u"/kontakty.vcf"_s; // then wherever the user went last in this run
    menu->importuj->trigger();
    answer.clear();
    menu->importuj->trigger();
    QCOMPARE(starts, QStringList({home + u"/Dokumenty/kontakty.csv"_s, home + u"/Dokumenty"_s, chosen}));
    QCOMPARE(pdfStart(), chosen);
}

QTEST_MAIN(TestContactTools)
#include "tst_contacttools.moc"
