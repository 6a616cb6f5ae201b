// The contacts window's telephone buttons: dialling and adding numbers to the quick-dial list.

#include "TForm_Notatniczek.h"

#include "ContactEditors.h"

#include "core/common/DateText.h"
#include "widgets/shell/TForm_Main.h"
#include "widgets/telephony/TForm_Szybkie.h"

#include <QLineEdit>

using namespace Qt::Literals::StringLiterals;

void TForm_Notatniczek::SB_TelDomClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelDom->text());
    }
}

void TForm_Notatniczek::SB_TelSluClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelSlu->text());
    }
}

void TForm_Notatniczek::SB_TelKomClick()
{
    if (Form_Main) {
        Form_Main->Dzwon(Edit_TelKom->text());
    }
}

void TForm_Notatniczek::Button_SzybkieClick()
{
    if (!Form_Main) {
        return;
    }
    if (Form_Main->lineDeviceCount() == 0) {
        m_services.prompter.beep(Prompter::Exclamation);
        m_services.prompter.messageBox(
            this, u"W tym komputerze nie zainstalowano modemu!"_s, u"Błąd!"_s, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Form_Main->openWindow(Form_Szybkie);
}

void TForm_Notatniczek::SB_SzybkieTelDomClick()
{
    addToQuickDial(Edit_TelDom, u" - dom"_s);
}

void TForm_Notatniczek::SB_SzybkieTelSluClick()
{
    const QString company = FixedText::trimmed(Edit_Firma->text());
    addToQuickDial(Edit_TelSlu, company.isEmpty() ? u" - praca"_s : u" - "_s + company);
}

void TForm_Notatniczek::SB_SzybkieTelKomClick()
{
    addToQuickDial(Edit_TelKom, u" - komórka"_s);
}

void TForm_Notatniczek::addToQuickDial(const QLineEdit *numberEdit, const QString &suffix)
{
    const QString number = FixedText::trimmed(numberEdit->text());
    if (number.isEmpty() || !Form_Main || Form_Main->lineDeviceCount() == 0) {
        return;
    }
    Settings &settings = Form_Main->settings();
    for (int n = 1; n <= 8; ++n) {
        if (FixedText::trimmed(settings.quickNames[n]).isEmpty()
            && FixedText::trimmed(settings.quickNumbers[n]).isEmpty()) {
            // Whole, however long: the editor shows what it is given and limits only typing.
            settings.quickNames[n] = FixedText::trimmed(ComboBox_Nazwa->currentText()) + suffix;
            settings.quickNumbers[n] = number;
            m_services.prompter.beep(Prompter::Default);
            return;
        }
    }
}
