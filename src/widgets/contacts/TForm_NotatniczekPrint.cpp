// The contacts window's business card: printing, printer settings and saving as PDF.

#include "TForm_Notatniczek.h"

#include "CardPrinter.h"
#include "ContactEditors.h"

#include "core/common/DateText.h"
#include "core/common/DialogFolder.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr char noPrinterText[] = "W tym komputerze nie zainstalowano drukarki!";

} // namespace

CardLayout::Content TForm_Notatniczek::cardContent() const
{
    CardLayout::Content c;
    c.name = ComboBox_Nazwa->currentText();
    c.Firma = Edit_Firma->text();
    c.Dep = Edit_Dep->text();
    c.Tytul = Edit_Tytul->text();
    c.Email = Edit_Email->text();
    c.TelKom = Edit_TelKom->text();
    c.TelDom = Edit_TelDom->text();
    c.DomMiasto = Edit_DomMiasto->text();
    c.DomKod = Edit_DomKod->text();
    c.DomUlica = Edit_DomUlica->text();
    c.PracaURL = Edit_PracaURL->text();
    c.Faks = Edit_Faks->text();
    c.TelSlu = Edit_TelSlu->text();
    c.TelWew = Edit_TelWew->text();
    c.PracaMiasto = Edit_PracaMiasto->text();
    c.PracaKod = Edit_PracaKod->text();
    c.PracaUlica = Edit_PracaUlica->text();
    return c;
}

CardLayout::Options TForm_Notatniczek::cardOptions() const
{
    return {druk_osob->isChecked(),
            druk_sluz->isChecked(),
            druk_komorka->isChecked(),
            druk_email->isChecked(),
            druk_10->isChecked()};
}

bool TForm_Notatniczek::refuseWithoutPrinter()
{
    if (CardPrinter::printersInstalled()) {
        return false;
    }
    m_services.prompter.beep(Prompter::Exclamation);
    m_services.prompter.messageBox(this, QString::fromUtf8(noPrinterText), u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void TForm_Notatniczek::druk1Click()
{
    if (refuseWithoutPrinter()) {
        return;
    }
    switch (CardPrinter::print(CardPrinter::sessionPrinter(), cardContent(), cardOptions())) {
    case CardPrinter::Outcome::Printed:
    case CardPrinter::Outcome::NoPrinter:
        break;
    case CardPrinter::Outcome::PaperTooSmall:
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(
            this, u"Drukarka ma ustawiony za mały format papieru!"_s, u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
        break;
    case CardPrinter::Outcome::Failed:
        m_services.showError(this, u"Nie udało się wydrukować wizytówki."_s);
        break;
    }
}

void TForm_Notatniczek::druk_UstawieniaClick()
{
    if (refuseWithoutPrinter()) {
        return;
    }
    QPrintDialog dialog(&CardPrinter::sessionPrinter(), this);
    dialog.setObjectName(u"PrinterSetupDialog"_s);
    dialog.setWindowTitle(u"Ustawienia wydruku"_s);
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok)) {
            ok->setText(u"OK"_s); // this dialog only chooses; printing is "Drukuj bieżący"
        }
    }
    dialog.exec();
}

void TForm_Notatniczek::druk_PDFClick()
{
    QFileDialog dialog(this, u"Zapisz jako PDF"_s, DialogFolder::start(), u"Dokumenty PDF (*.pdf)"_s);
    dialog.setObjectName(u"SavePdfDialog"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(u"pdf"_s);
    // The suggested name comes from the contact; a slash in it would name a folder.
    QString name = FixedText::swapNameOrder(ComboBox_Nazwa->currentText()).trimmed();
    name.replace(u'/', u'_').replace(u'\\', u'_');
    dialog.selectFile((name.isEmpty() ? u"Wizytowka"_s : name) + u".pdf"_s);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    DialogFolder::remember(dialog.selectedFiles().constFirst());
    QString error;
    if (!CardPrinter::savePdf(dialog.selectedFiles().constFirst(), cardContent(), cardOptions(), &error)) {
        m_services.showError(this, error);
    }
}
