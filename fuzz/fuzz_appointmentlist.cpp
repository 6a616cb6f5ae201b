// The appointments list built from any contacts file and any appointments file, with any range and
// any today; then saves and removals of stored lines. The list must come out sorted, keep only
// lines it may keep, and the file must always hold the store.
#include "FuzzSupport.h"

#include "core/appointments/AppointmentList.h"
#include "core/common/Cp1250.h"
#include "core/common/DateText.h"
#include "core/common/TextFile.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

QByteArray bytesOf(const std::string &s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

QByteArray storeBytes(const QStringList &store)
{
    QList<QByteArray> lines;
    for (const QString &line : store) {
        lines.append(Cp1250::encode(line));
    }
    return TextFile::joinLines(lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const int range = input.ConsumeIntegral<int>();
    // Mostly days a calendar can show, sometimes any day QDate holds.
    const qint64 julian = input.ConsumeBool() ? input.ConsumeIntegralInRange<qint64>(QDate(1, 1, 1).toJulianDay(),
                                                                                     QDate(9999, 12, 31).toJulianDay())
                                              : input.ConsumeIntegral<qint64>();
    const QDate today = QDate::fromJulianDay(julian);
    const int steps = input.ConsumeIntegralInRange(0, 4);
    const QByteArray contacts = bytesOf(input.ConsumeRandomLengthString(4096));
    const QByteArray terms = bytesOf(input.ConsumeRandomLengthString(2048));

    const QString dir = FuzzSupport::freshDataDir();
    FuzzSupport::writeFile(QDir(dir).filePath(QLatin1String(AppointmentList::contactsFileName)), contacts);
    FuzzSupport::writeFile(QDir(dir).filePath(QLatin1String(AppointmentList::fileName)), terms);

    AppointmentList list;
    QString error;
    FUZZ_ASSERT(list.build(dir, today, range, &error));
    FUZZ_ASSERT(list.persons().size() == TextFile::splitLines(contacts).size());

    const QList<Appointment> &entries = list.entries();
    for (qsizetype i = 1; i < entries.size(); ++i) {
        FUZZ_ASSERT(appointmentSortKey(entries.at(i - 1)) <= appointmentSortKey(entries.at(i)));
    }
    const int todayValue = DateText::parse(list.todayText());
    for (const QString &line : list.store()) {
        // Only lines with a real date that is not too old stay.
        const int day = DateText::parse(line.left(AppointmentRecord::dateWidth));
        FUZZ_ASSERT(day != DateText::invalid);
        FUZZ_ASSERT(qint64(todayValue) - day <= qint64(range));
        FUZZ_ASSERT(list.Pozycja(line) >= 0);
    }
    FUZZ_ASSERT(entries.size() >= list.store().size());

    for (int step = 0; step < steps; ++step) {
        if (input.ConsumeBool()) {
            const Appointment a{Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(12))),
                                Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(40))),
                                Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(60))),
                                Cp1250::decode(bytesOf(input.ConsumeRandomLengthString(120)))};
            const QString record = AppointmentRecord::encode(a);
            FUZZ_ASSERT(record.size() == AppointmentRecord::width);
            FUZZ_ASSERT(!record.contains(u'\r') && !record.contains(u'\n') && !record.contains(QChar(0)));
            const int replaced = input.ConsumeIntegralInRange<int>(-1, static_cast<int>(list.store().size()));
            FUZZ_ASSERT(list.saveRecord(record, replaced, &error));
            FUZZ_ASSERT(list.store().constLast() == record);
        } else {
            const int index = input.ConsumeIntegralInRange<int>(-1, static_cast<int>(list.store().size()));
            FUZZ_ASSERT(list.removeRecord(index, &error));
        }
        FUZZ_ASSERT(FuzzSupport::readFile(list.path()) == storeBytes(list.store()));
    }
    return 0;
}
