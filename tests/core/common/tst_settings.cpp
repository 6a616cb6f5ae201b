#include "core/common/Cp1250.h"
#include "core/common/IniFile.h"
#include "core/common/Settings.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void missingFile_givesDefaultsAndWritesAllKeysInOrder();
    void values_readAndWrittenBack();
    void malformedNumbers_giveDefaults_data();
    void malformedNumbers_giveDefaults();
    void handEditedValues_surviveWrites();
    void unknownKeysSectionsAndComments_stayUntouched();
    void keysAndSections_ignoreCase();
    void emptyBirthday_keepsKey();
    void polishText_storedAsCp1250();
    void lineBreakInValue_staysOnOneLine();
    void extremeNumbers_heldAsReadAndWrittenSafely_data();
    void extremeNumbers_heldAsReadAndWrittenSafely();
    void handEditedValues_keptByteForByte_data();
    void handEditedValues_keptByteForByte();
    void repeatedSectionsAndKeys_firstCounts();

private:
    QString write(const QByteArray &bytes);
    QByteArray bytes() const;
    Settings readBack() const;
    // Reads the file into settings and writes them back, as a run of the program does.
    Settings rewrite();
    QTemporaryDir m_dir;
    QString m_path;
};

void TestSettings::init()
{
    m_path = m_dir.filePath(QStringLiteral("Morwinek.ini"));
    QFile::remove(m_path);
}

QString TestSettings::write(const QByteArray &content)
{
    QFile f(m_path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(content);
    }
    return m_path;
}

QByteArray TestSettings::bytes() const
{
    QFile f(m_path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

Settings TestSettings::readBack() const
{
    IniFile ini(m_path);
    if (!ini.load()) {
        qWarning("unreadable");
    }
    Settings s;
    s.read(ini);
    return s;
}

Settings TestSettings::rewrite()
{
    IniFile ini(m_path);
    if (!ini.load()) {
        qWarning("unreadable");
    }
    Settings s;
    s.read(ini);
    s.write(ini);
    if (!ini.save()) {
        qWarning("not saved");
    }
    return s;
}

void TestSettings::missingFile_givesDefaultsAndWritesAllKeysInOrder()
{
    IniFile ini(m_path);
    QVERIFY(ini.load());
    Settings s;
    s.lastPosition = 99;
    s.read(ini);
    QCOMPARE(s.birthday, QStringLiteral("15.12.1974"));
    QCOMPARE(s.lastPosition, 0);
    QVERIFY(s.printPersonal && !s.printWork && s.printMobile && s.printEmail && !s.printTenCopies);
    QCOMPARE(s.calculation, 0);
    QCOMPARE(s.vat1, 23); // the rates since 2011
    QCOMPARE(s.vat2, 8);
    QCOMPARE(s.range, 3);
    QCOMPARE(s.autoReminder, 1);
    for (int n = 1; n <= 8; ++n) {
        QVERIFY(s.quickNames[n].isEmpty() && s.quickNumbers[n].isEmpty());
    }

    s.write(ini);
    QVERIFY(ini.save());
    QByteArray expected = "[Biorytmy]\r\nUrodziny=15.12.1974\r\n"
                          "[Kontakty]\r\nOstatnia_Pozycja=1\r\nDrukuj_Osobiste=1\r\nDrukuj_Sluzbowe=0\r\n"
                          "Drukuj_Komorke=1\r\nDrukuj_Email=1\r\nDrukuj_10_kopii=0\r\n"
                          "[Szybkie wybieranie]\r\n";
    for (int n = 1; n <= 8; ++n) {
        expected += QStringLiteral("0%1_Nazwa_=\r\n0%1Telefon=\r\n").arg(n).toLatin1();
    }
    expected += "[Kalkulacje]\r\nKALK=0\r\nVAT1=23\r\nVAT2=8\r\n[Terminy]\r\nZAKRES=3\r\nAUTOTERMINY=1\r\n";
    QCOMPARE(bytes(), expected);
}

void TestSettings::values_readAndWrittenBack()
{
    write("[Kontakty]\r\nOstatnia_Pozycja=5\r\nDrukuj_Sluzbowe=7\r\nDrukuj_Email=0\r\n"
          "[Szybkie wybieranie]\r\n03_Nazwa_=  Biuro - dom  \r\n03Telefon= 123 \r\n");
    Settings s = readBack();
    QCOMPARE(s.lastPosition, 4);
    QVERIFY(s.printWork);
    QVERIFY(!s.printEmail);
    QCOMPARE(s.quickNames[3], QStringLiteral("Biuro - dom"));
    QCOMPARE(s.quickNumbers[3], QStringLiteral("123"));

    IniFile ini(m_path);
    QVERIFY(ini.load());
    s.lastPosition = 0; // closing on the first contact stores 1
    s.write(ini);
    QVERIFY(ini.save());
    QVERIFY(bytes().contains("Ostatnia_Pozycja=1\r\n"));
    QVERIFY(bytes().contains("03_Nazwa_=Biuro - dom\r\n"));
    QVERIFY(bytes().contains("Drukuj_Sluzbowe=7\r\n")); // true as typed
}

void TestSettings::malformedNumbers_giveDefaults_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("vat1");
    QTest::addColumn<bool>("personal");
    QTest::newRow("letters") << QByteArray("[Kontakty]\nOstatnia_Pozycja=abc\nDrukuj_Osobiste=x\n"
                                           "[Terminy]\nZAKRES=dwa\n[Kalkulacje]\nVAT1=22%\n")
                             << 0 << 3 << 23 << true;
    QTest::newRow("empty values") << QByteArray("[Kontakty]\nOstatnia_Pozycja=\nDrukuj_Osobiste=\n"
                                                "[Terminy]\nZAKRES=\n")
                                  << 0 << 3 << 23 << true;
    QTest::newRow("zero position and negatives") << QByteArray(
        "[Kontakty]\nOstatnia_Pozycja=0\nDrukuj_Osobiste=0\n[Terminy]\nZAKRES=-2\n[Kalkulacje]\nVAT1=-5\n")
                                                 << -1 << -2 << -5 << false;
}

void TestSettings::malformedNumbers_giveDefaults()
{
    QFETCH(QByteArray, file);
    QFETCH(int, position);
    QFETCH(int, range);
    QFETCH(int, vat1);
    QFETCH(bool, personal);
    write(file);
    const Settings s = readBack();
    QCOMPARE(s.lastPosition, position);
    QCOMPARE(s.range, range);
    QCOMPARE(s.vat1, vat1);
    QCOMPARE(s.printPersonal, personal);
}

void TestSettings::handEditedValues_surviveWrites()
{
    write("[Terminy]\r\nZAKRES=10\r\nAUTOTERMINY=0\r\n[Kalkulacje]\r\nVAT1=22\r\nVAT2=7\r\n");
    for (int round = 0; round < 2; ++round) {
        rewrite();
    }
    const Settings s = readBack();
    QCOMPARE(s.range, 10);
    QCOMPARE(s.autoReminder, 0);
    QCOMPARE(s.vat1, 22); // the rates before 2011 stay
    QCOMPARE(s.vat2, 7);
    QVERIFY(bytes().startsWith(
        "[Terminy]\r\nZAKRES=10\r\nAUTOTERMINY=0\r\n[Kalkulacje]\r\nVAT1=22\r\nVAT2=7\r\nKALK=0\r\n"));
}

void TestSettings::unknownKeysSectionsAndComments_stayUntouched()
{
    write("; moje ustawienia\r\n[Inne]\r\nklucz=wartosc\r\n\r\n[Kontakty]\r\nObcy=1\r\n; "
          "uwaga\r\nOstatnia_Pozycja=3\r\n\r\n"
          "[Terminy]\r\nZAKRES=4\r\n");
    rewrite();
    const QByteArray out = bytes();
    QVERIFY(out.startsWith("; moje ustawienia\r\n[Inne]\r\nklucz=wartosc\r\n\r\n[Kontakty]\r\nObcy=1\r\n; uwaga\r\n"
                           "Ostatnia_Pozycja=3\r\nDrukuj_Osobiste=1\r\n"));
    // New keys go before the blank line that separates the sections.
    QVERIFY(out.contains("Drukuj_10_kopii=0\r\n\r\n[Terminy]\r\nZAKRES=4\r\nAUTOTERMINY=1\r\n"));
    QVERIFY(out.contains("[Biorytmy]\r\nUrodziny=15.12.1974\r\n"));
}

void TestSettings::keysAndSections_ignoreCase()
{
    write("[KONTAKTY]\r\nostatnia_pozycja=7\r\n[terminy]\r\nzakres=9\r\n");
    const Settings s = rewrite();
    QCOMPARE(s.lastPosition, 6);
    QCOMPARE(s.range, 9);
    const QByteArray out = bytes();
    QCOMPARE(out.count("[KONTAKTY]"), 1);
    QVERIFY(!out.contains("[Kontakty]"));
    QCOMPARE(out.count("zakres=9\r\n"), 1); // found, so not added again
    QVERIFY(!out.contains("ZAKRES="));
}

void TestSettings::emptyBirthday_keepsKey()
{
    write("[Biorytmy]\r\nUrodziny=\r\n");
    QCOMPARE(rewrite().birthday, QString());
    QVERIFY(bytes().startsWith("[Biorytmy]\r\nUrodziny=\r\n[Kontakty]"));
}

void TestSettings::polishText_storedAsCp1250()
{
    Settings s;
    s.quickNames[1] = QStringLiteral("Żółć - komórka");
    IniFile ini(m_path);
    QVERIFY(ini.load());
    s.write(ini);
    QVERIFY(ini.save());
    QVERIFY(bytes().contains("01_Nazwa_=" + Cp1250::encode(QStringLiteral("Żółć - komórka")) + "\r\n"));
    QCOMPARE(readBack().quickNames[1], QStringLiteral("Żółć - komórka"));
}

void TestSettings::lineBreakInValue_staysOnOneLine()
{
    IniFile ini(m_path);
    QVERIFY(ini.load());
    ini.writeString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("x\r\n[B]\nk2=y"));
    QVERIFY(ini.save());
    QCOMPARE(bytes(), QByteArray("[A]\r\nk=x  [B] k2=y\r\n"));
}

void TestSettings::extremeNumbers_heldAsReadAndWrittenSafely_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("position"); // zero-based, as held
    QTest::addColumn<int>("number");   // range and rate, as held
    QTest::newRow("int minimum") << QByteArray("-2147483648") << -1 << std::numeric_limits<int>::min();
    QTest::newRow("int maximum") << QByteArray("2147483647") << 99999999 << std::numeric_limits<int>::max();
    QTest::newRow("beyond int") << QByteArray("99999999999") << 99999999 << std::numeric_limits<int>::max();
    QTest::newRow("ordinary") << QByteArray("-7") << -1 << -7;
}

void TestSettings::extremeNumbers_heldAsReadAndWrittenSafely()
{
    QFETCH(QByteArray, value);
    const QByteArray file = "[Kontakty]\r\nOstatnia_Pozycja=" + value + "\r\n[Terminy]\r\nZAKRES=" + value
                            + "\r\n[Kalkulacje]\r\nVAT1=" + value + "\r\n";
    write(file);
    const Settings s = rewrite();
    QTEST(s.lastPosition, "position");
    QTEST(s.range, "number");
    QTEST(s.vat1, "number");
    QVERIFY(bytes().startsWith(file.left(file.indexOf("[Terminy]"))));
    QVERIFY(bytes().contains("ZAKRES=" + value + "\r\n"));
    QVERIFY(bytes().contains("VAT1=" + value + "\r\n"));

    Settings extreme;
    extreme.lastPosition = std::numeric_limits<int>::max(); // whatever a window leaves there
    IniFile ini(m_path);
    QVERIFY(ini.load());
    extreme.write(ini);
    QCOMPARE(ini.readString("Kontakty", "Ostatnia_Pozycja", {}), u"2147483648"_qs);
}

// Values the program cannot use as they stand are used bounded, and every write of other settings
// leaves their lines as typed; a value the user changes is written.
void TestSettings::handEditedValues_keptByteForByte_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("section");
    QTest::newRow("rate above the bound") << QByteArray("VAT1=1500") << QByteArray("Kalkulacje");
    QTest::newRow("rate below -100") << QByteArray("VAT2=-150") << QByteArray("Kalkulacje");
    QTest::newRow("range beyond all dates") << QByteArray("ZAKRES=99999999") << QByteArray("Terminy");
    QTest::newRow("range not a number") << QByteArray("ZAKRES=dwa") << QByteArray("Terminy");
    QTest::newRow("blanks around") << QByteArray("ZAKRES = 10 ") << QByteArray("Terminy");
    QTest::newRow("key in other case") << QByteArray("autoterminy=0") << QByteArray("Terminy");
    QTest::newRow("reminder mode 7") << QByteArray("AUTOTERMINY=7") << QByteArray("Terminy");
    QTest::newRow("truth value 5") << QByteArray("Drukuj_Osobiste=5") << QByteArray("Kontakty");
    QTest::newRow("position past the list") << QByteArray("Ostatnia_Pozycja=2000000000") << QByteArray("Kontakty");
    QTest::newRow("category outside the list") << QByteArray("KALK=9") << QByteArray("Kalkulacje");
    QTest::newRow("sync every 5000 minutes") << QByteArray("Co_ile=5000") << QByteArray("Synchronizacja");
}

void TestSettings::handEditedValues_keptByteForByte()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, section);
    write("[" + section + "]\r\n" + line + "\r\n");
    IniFile ini(m_path);
    QVERIFY(ini.load());
    Settings s;
    s.read(ini);
    // Other settings change, as the windows change them.
    s.syncAddress = u"https://dav.example"_qs;
    s.quickNames[2] = u"Dom"_qs;
    s.printTenCopies = true;
    for (int round = 0; round < 2; ++round) {
        s.write(ini);
        QVERIFY(ini.save());
        QVERIFY(ini.load());
    }
    QVERIFY2(bytes().startsWith("[" + section + "]\r\n" + line + "\r\n"), bytes().constData());
    QVERIFY(bytes().contains("02_Nazwa_=Dom\r\n") && bytes().contains("Drukuj_10_kopii=1\r\n"));

    // The user's own change is written.
    s.vat1 = 24;
    s.vat2 = 5;
    s.range = 4;
    s.autoReminder = 1;
    s.calculation = 2;
    s.printPersonal = false;
    s.lastPosition = 2;
    s.syncMinutes = 30;
    s.write(ini);
    QVERIFY(ini.save());
    const Settings back = readBack();
    QCOMPARE(QList<int>({back.vat1, back.vat2, back.range, back.autoReminder, back.calculation, back.lastPosition}),
             QList<int>({24, 5, 4, 1, 2, 2}));
    QVERIFY(!back.printPersonal);
    QCOMPARE(back.syncMinutes, 30);
}

void TestSettings::repeatedSectionsAndKeys_firstCounts()
{
    write("zly=1\r\n[Terminy]\r\nZAKRES=4\r\nzakres=5\r\n[Kontakty]\r\n[ terminy ]\r\nZAKRES=6\r\nAUTOTERMINY=0\r\n");
    IniFile ini(m_path);
    QVERIFY(ini.load());
    QCOMPARE(ini.readInt("Terminy", "ZAKRES", 0), 4);
    QCOMPARE(ini.readInt("Terminy", "AUTOTERMINY", 1), 1); // only in the second such section
    QCOMPARE(ini.readString("", "zly", "-"), u"-"_qs);     // lines before any section belong to none
    ini.writeString("TERMINY", "Zakres", "7");
    ini.writeString("terminy", "AUTOTERMINY", "2");
    QVERIFY(ini.save());
    QCOMPARE(bytes(),
             QByteArray("zly=1\r\n[Terminy]\r\nZakres=7\r\nzakres=5\r\nAUTOTERMINY=2\r\n[Kontakty]\r\n[ terminy "
                        "]\r\nZAKRES=6\r\nAUTOTERMINY=0\r\n"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
