#include "Settings.h"

#include "DateText.h"
#include "IniFile.h"

#include <limits>

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

constexpr int anyInt = std::numeric_limits<int>::max();

// A whole number as the file holds it, within what an int holds; the uses bound it further.
int readNumber(const IniFile &ini, const QString &section, const QString &key, int defaultValue)
{
    return ini.readInt(section, key, defaultValue, -anyInt - 1, anyInt);
}

// A key the file holds is rewritten only when its text no longer reads as the value, so a value
// edited by hand ("ZAKRES=99999999", "VAT1 = 1500", "abc") stays as typed until the user changes it.
void writeUnlessSame(IniFile &ini, const QString &section, const QString &key, qint64 value, qint64 asRead)
{
    if (!ini.contains(section, key) || asRead != value) {
        ini.writeString(section, key, QString::number(value));
    }
}

void writeNumber(IniFile &ini, const QString &section, const QString &key, int value, int defaultValue)
{
    writeUnlessSame(ini, section, key, value, readNumber(ini, section, key, defaultValue));
}

// One-based in the file; 0 (as an empty list leaves it) reads as -1, no position.
int readPosition(const IniFile &ini)
{
    return ini.readInt(contacts, QStringLiteral("Ostatnia_Pozycja"), 1, 0, Settings::maxPosition + 1) - 1;
}

int readSyncMinutes(const IniFile &ini)
{
    return ini.readInt(syncSection, QStringLiteral("Co_ile"), 0, 0, maxSyncMinutes);
}

} // namespace

void Settings::read(const IniFile &ini)
{
    birthday = ini.readString(bio, QStringLiteral("Urodziny"), QStringLiteral("15.12.1974"));
    lastPosition = readPosition(ini);
    for (const PrintKey &p : printKeys) {
        this->*(p.field) = readNumber(ini, contacts, QLatin1String(p.key), Settings().*(p.field) ? 1 : 0) != 0;
    }
    for (int n = 1; n <= 8; ++n) {
        quickNames[n] = FixedText::trimmed(ini.readString(quick, nameKey(n), QString()));
        quickNumbers[n] = FixedText::trimmed(ini.readString(quick, numberKey(n), QString()));
    }
    calculation = readNumber(ini, calc, QStringLiteral("KALK"), Settings().calculation);
    vat1 = readNumber(ini, calc, QStringLiteral("VAT1"), Settings().vat1);
    vat2 = readNumber(ini, calc, QStringLiteral("VAT2"), Settings().vat2);
    range = readNumber(ini, terms, QStringLiteral("ZAKRES"), Settings().range);
    autoReminder = readNumber(ini, terms, QStringLiteral("AUTOTERMINY"), Settings().autoReminder);
    readModem(ini);
    syncAddress = ini.readString(syncSection, QStringLiteral("Adres"), QString()).trimmed();
    syncUser = ini.readString(syncSection, QStringLiteral("Uzytkownik"), QString()).trimmed();
    syncMinutes = readSyncMinutes(ini);
    syncAddressBookUrl = ini.readString(syncSection, QStringLiteral("Ksiazka_adresowa"), QString()).trimmed();
    syncCalendarUrl = ini.readString(syncSection, QStringLiteral("Kalendarz"), QString()).trimmed();
    syncAddressBookName = ini.readString(syncSection, QStringLiteral("Ksiazka_adresowa_nazwa"), QString()).trimmed();
    syncCalendarName = ini.readString(syncSection, QStringLiteral("Kalendarz_nazwa"), QString()).trimmed();
    syncAllowPlainHttp = readNumber(ini, syncSection, QStringLiteral("Bez_szyfrowania"), 0) != 0;
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
    writeUnlessSame(
        ini, contacts, QStringLiteral("Ostatnia_Pozycja"), qint64(lastPosition) + 1, qint64(readPosition(ini)) + 1);
    for (const PrintKey &p : printKeys) {
        const bool asRead = readNumber(ini, contacts, QLatin1String(p.key), Settings().*(p.field) ? 1 : 0) != 0;
        writeUnlessSame(ini, contacts, QLatin1String(p.key), this->*(p.field) ? 1 : 0, asRead ? 1 : 0);
    }
    for (int n = 1; n <= 8; ++n) {
        ini.writeString(quick, nameKey(n), quickNames[n]);
        ini.writeString(quick, numberKey(n), quickNumbers[n]);
    }
    writeNumber(ini, calc, QStringLiteral("KALK"), calculation, Settings().calculation);
    writeNumber(ini, calc, QStringLiteral("VAT1"), vat1, Settings().vat1);
    writeNumber(ini, calc, QStringLiteral("VAT2"), vat2, Settings().vat2);
    writeNumber(ini, terms, QStringLiteral("ZAKRES"), range, Settings().range);
    writeNumber(ini, terms, QStringLiteral("AUTOTERMINY"), autoReminder, Settings().autoReminder);
    if (!syncAddress.isEmpty()) {
        ini.writeString(syncSection, QStringLiteral("Adres"), syncAddress);
        ini.writeString(syncSection, QStringLiteral("Uzytkownik"), syncUser);
        writeUnlessSame(ini, syncSection, QStringLiteral("Co_ile"), syncMinutes, readSyncMinutes(ini));
        ini.writeString(syncSection, QStringLiteral("Ksiazka_adresowa"), syncAddressBookUrl);
        ini.writeString(syncSection, QStringLiteral("Kalendarz"), syncCalendarUrl);
        ini.writeString(syncSection, QStringLiteral("Ksiazka_adresowa_nazwa"), syncAddressBookName);
        ini.writeString(syncSection, QStringLiteral("Kalendarz_nazwa"), syncCalendarName);
        const bool plainAsRead = readNumber(ini, syncSection, QStringLiteral("Bez_szyfrowania"), 0) != 0;
        writeUnlessSame(
            ini, syncSection, QStringLiteral("Bez_szyfrowania"), syncAllowPlainHttp ? 1 : 0, plainAsRead ? 1 : 0);
    }
}
