// Any bytes as "Morwinek.ini": the position read from it stays in its range, writing the settings
// back loses no line, reading the written file gives the same settings, and writing them again
// changes nothing.
#include "FuzzSupport.h"

#include "core/common/IniFile.h"
#include "core/common/Settings.h"

namespace {

bool same(const Settings &a, const Settings &b)
{
    return a.birthday == b.birthday && a.lastPosition == b.lastPosition && a.printPersonal == b.printPersonal
           && a.printWork == b.printWork && a.printMobile == b.printMobile && a.printEmail == b.printEmail
           && a.printTenCopies == b.printTenCopies && a.quickNames == b.quickNames && a.quickNumbers == b.quickNumbers
           && a.calculation == b.calculation && a.vat1 == b.vat1 && a.vat2 == b.vat2 && a.range == b.range
           && a.autoReminder == b.autoReminder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = QDir(FuzzSupport::freshDataDir()).filePath(QStringLiteral("Morwinek.ini"));
    FuzzSupport::writeFile(path, QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));

    IniFile ini(path);
    QString error;
    FUZZ_ASSERT(ini.load(&error));
    const qsizetype linesBefore = ini.lines().size();
    Settings first;
    first.read(ini);
    FUZZ_ASSERT(first.lastPosition >= -1 && first.lastPosition <= Settings::maxPosition);

    first.write(ini);
    FUZZ_ASSERT(ini.lines().size() >= linesBefore); // keys are replaced or added, never dropped
    FUZZ_ASSERT(ini.save(&error));

    IniFile written(path);
    FUZZ_ASSERT(written.load(&error));
    FUZZ_ASSERT(written.lines() == ini.lines());
    Settings second;
    second.read(written);
    FUZZ_ASSERT(same(first, second));
    second.write(written);
    FUZZ_ASSERT(written.lines() == ini.lines());
    return 0;
}
