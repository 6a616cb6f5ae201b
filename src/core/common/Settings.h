#pragma once

#include "DateText.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class IniFile;

// Everything "Morwinek.ini" holds, as the main window keeps it in memory. Numbers are held as the
// file (which anyone may edit) holds them, as far as an int holds them; their uses bound them (the
// range in AppointmentRange, the rates in Calculation::effectiveRate). A write leaves every key
// whose value was not changed here as the file has it.
struct Settings
{
    // Far beyond any contact list, and one more still fits an int.
    static constexpr int maxPosition = 99999999;

    QString birthday = QStringLiteral("15.12.1974"); // "Biorytmy"/"Urodziny", as read
    int lastPosition = 0;                            // zero-based; the file holds it plus one
    bool printPersonal = true;
    bool printWork = false;
    bool printMobile = true;
    bool printEmail = true;
    bool printTenCopies = false;
    // Quick-dial entries 1..8 at indexes 1..8; index 0 is unused.
    std::array<QString, 9> quickNames;
    std::array<QString, 9> quickNumbers;
    int calculation = 0; // "KALK"
    int vat1 = 23;       // Poland's standard and reduced rates since 2011
    int vat2 = 8;
    int range = 3;        // "ZAKRES", days
    int autoReminder = 1; // "AUTOTERMINY"
    // Section "Modem", read but never written: "Porty", the serial ports to dial through separated by ";"
    // (none when the key is absent); "Predkosc" in bit/s and "Format" (data bits, parity, stop bits).
    std::optional<QStringList> modemPorts;
    int modemSpeed = 115200;
    QString modemFormat = QStringLiteral("8N1");
    // Section "Synchronizacja": the CardDAV/CalDAV server and the collections found on it. Written
    // only once an address was given, so a file of a user who never syncs keeps its shape.
    QString syncAddress;             // "Adres"
    QString syncUser;                // "Uzytkownik"
    int syncMinutes = 0;             // "Co_ile": 0 syncs only by hand
    QString syncAddressBookUrl;      // "Ksiazka_adresowa"
    QString syncCalendarUrl;         // "Kalendarz"
    bool syncAllowPlainHttp = false; // "Bez_szyfrowania": plain http to another host, confirmed once

    // The names the server gave the chosen collections, shown until the user connects again.
    QString syncAddressBookName; // "Ksiazka_adresowa_nazwa"
    QString syncCalendarName;    // "Kalendarz_nazwa"

    // Key by key, in the file's order; every missing or malformed value gives its default.
    void read(const IniFile &ini);
    // Every key, in the file's order; a new file gets its sections in that order. A number or truth
    // value whose text in the file still reads as the value held keeps its text.
    void write(IniFile &ini) const;
    // The "Modem" section alone.
    void readModem(const IniFile &ini);
};
