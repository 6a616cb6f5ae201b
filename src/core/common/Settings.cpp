#include "Settings.h"

#include "DateText.h"
#include "IniFile.h"

namespace {

const QString bio = QStringLiteral("Biorytmy");
const QString contacts = QStringLiteral("Kontakty");
const QString quick = QStringLiteral("Szybkie wybieranie");
const QString calc = QStringLiteral("Kalkulacje");
const QString terms = QStringLiteral("Terminy");
const QString syncSection = QStringLiteral("Synchronizacja");
// Once a day at most is plenty; more than that is a typing mistake.
constexpr int maxSyncMinutes = 24 * 60;

struct PrintKey
{
    const char *key;
    bool Settings::*field;
};

constexpr PrintKey printKeys[] = {
    {"Drukuj_Osobiste", &Settings::printPersonal},
    {"Drukuj_Sluzbowe", &Settings::printWork},
    {"Drukuj_Komorke", &Settings::printMobile},
    {"Drukuj_Email", &Settings::printEmail},
    {"Drukuj_10_kopii", &Settings::printTenCopies},
};

QString nameKey(int n)
{
    return FixedText::twoDigits(n) + QStringLiteral("_Nazwa_");
}

QString numberKey(int n)
{
    return FixedText::twoDigits(n) + QStringLiteral("Telefon");
}

} // namespace

void Settings::read(const IniFile &ini)
{
    birthday = ini.readString(bio, QStringLiteral("Urodziny"), QStringLiteral("15.12.1974"));
    // One-based in the file; 0 (as an empty list leaves it) reads as -1, no position.
    lastPosition = ini.readInt(contacts, QStringLiteral("Ostatnia_Pozycja"), 1, 0, maxPosition + 1) - 1;
    for (const PrintKey &p : printKeys) {
        const int defaultValue = Settings().*(p.field) ? 1 : 0;
        this->*(p.field) = ini.readInt(contacts, QLatin1String(p.key), defaultValue) != 0;
    }
    for (int n = 1; n <= 8; ++n) {
        quickNames[n] = FixedText::trimmed(ini.readString(quick, nameKey(n), QString()));
        quickNumbers[n] = FixedText::trimmed(ini.readString(quick, numberKey(n), QString()));
    }
    calculation = ini.readInt(calc, QStringLiteral("KALK"), 0);
    vat1 = ini.readInt(calc, QStringLiteral("VAT1"), Settings().vat1, minVat, maxVat);
    vat2 = ini.readInt(calc, QStringLiteral("VAT2"), Settings().vat2, minVat, maxVat);
    range = ini.readInt(terms, QStringLiteral("ZAKRES"), 3, -maxRange, maxRange);
    autoReminder = ini.readInt(terms, QStringLiteral("AUTOTERMINY"), 1);
    readModem(ini);
    syncAddress = ini.readString(syncSection, QStringLiteral("Adres"), QString()).trimmed();
    syncUser = ini.readString(syncSection, QStringLiteral("Uzytkownik"), QString()).trimmed();
    syncMinutes = ini.readInt(syncSection, QStringLiteral("Co_ile"), 0, 0, maxSyncMinutes);
    syncAddressBookUrl = ini.readString(syncSection, QStringLiteral("Ksiazka_adresowa"), QString()).trimmed();
    syncCalendarUrl = ini.readString(syncSection, QStringLiteral("Kalendarz"), QString()).trimmed();
    syncAddressBookName = ini.readString(syncSection, QStringLiteral("Ksiazka_adresowa_nazwa"), QString()).trimmed();
    syncCalendarName = ini.readString(syncSection, QStringLiteral("Kalendarz_nazwa"), QString()).trimmed();
    syncAllowPlainHttp = ini.readInt(syncSection, QStringLiteral("Bez_szyfrowania"), 0) != 0;
}

void Settings::readModem(const IniFile &ini)
{
    const QString modem = QStringLiteral("Modem");
    const QString absent = QStringLiteral("\x01");
    const QString ports = ini.readString(modem, QStringLiteral("Porty"), absent);
    modemPorts.reset();
    if (ports != absent) {
        QStringList list;
        for (const QString &port : ports.split(u';')) {
            if (!port.trimmed().isEmpty()) {
                list.append(port.trimmed());
            }
        }
        modemPorts = list;
    }
    modemSpeed = ini.readInt(modem, QStringLiteral("Predkosc"), 115200);
    modemFormat = ini.readString(modem, QStringLiteral("Format"), QStringLiteral("8N1"));
}

void Settings::write(IniFile &ini) const
{
    if (!FixedText::trimmed(birthday).isEmpty()) {
        ini.writeString(bio, QStringLiteral("Urodziny"), birthday);
    }
    // Set by the contacts window, so it may be anything down to -1; the sum cannot overflow.
    ini.writeString(contacts, QStringLiteral("Ostatnia_Pozycja"), QString::number(qint64(lastPosition) + 1));
    for (const PrintKey &p : printKeys) {
        ini.writeString(contacts, QLatin1String(p.key), this->*(p.field) ? QStringLiteral("1") : QStringLiteral("0"));
    }
    for (int n = 1; n <= 8; ++n) {
        ini.writeString(quick, nameKey(n), quickNames[n]);
        ini.writeString(quick, numberKey(n), quickNumbers[n]);
    }
    ini.writeString(calc, QStringLiteral("KALK"), QString::number(calculation));
    ini.writeString(calc, QStringLiteral("VAT1"), QString::number(vat1));
    ini.writeString(calc, QStringLiteral("VAT2"), QString::number(vat2));
    ini.writeString(terms, QStringLiteral("ZAKRES"), QString::number(range));
    ini.writeString(terms, QStringLiteral("AUTOTERMINY"), QString::number(autoReminder));
    if (!syncAddress.isEmpty()) {
        ini.writeString(syncSection, QStringLiteral("Adres"), syncAddress);
        ini.writeString(syncSection, QStringLiteral("Uzytkownik"), syncUser);
        ini.writeString(syncSection, QStringLiteral("Co_ile"), QString::number(syncMinutes));
        ini.writeString(syncSection, QStringLiteral("Ksiazka_adresowa"), syncAddressBookUrl);
        ini.writeString(syncSection, QStringLiteral("Kalendarz"), syncCalendarUrl);
        ini.writeString(syncSection, QStringLiteral("Ksiazka_adresowa_nazwa"), syncAddressBookName);
        ini.writeString(syncSection, QStringLiteral("Kalendarz_nazwa"), syncCalendarName);
        ini.writeString(syncSection,
                        QStringLiteral("Bez_szyfrowania"),
                        syncAllowPlainHttp ? QStringLiteral("1") : QStringLiteral("0"));
    }
}
