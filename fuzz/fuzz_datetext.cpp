// The date parser over any text: a date it accepts is a real day between 01.01.0001 and
// 31.12.9999 whose text is the trimmed input, and the fixed-width helpers keep their widths.
#include "FuzzSupport.h"

#include "core/common/Cp1250.h"
#include "core/common/DateText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QString &text : {Cp1250::decode(bytes), QString::fromUtf8(bytes)}) {
        const int day = DateText::parse(text);
        const QDate date = DateText::parseDate(text);
        FUZZ_ASSERT((day == DateText::invalid) == !date.isValid());
        if (day != DateText::invalid) {
            FUZZ_ASSERT(DateText::toDay(date) == day);
            FUZZ_ASSERT(DateText::fromDayToText(day) == FixedText::trimmed(text));
            FUZZ_ASSERT(date.year() >= 1 && date.year() <= 9999);
            FUZZ_ASSERT(DateText::parse(DateText::toText(date)) == day);
        }
        const int width = static_cast<int>(size % 200);
        FUZZ_ASSERT(FixedText::padToWidth(text, width).size() == width);
        const QString trimmed = FixedText::trimmed(text);
        FUZZ_ASSERT(FixedText::trimmed(trimmed) == trimmed);
        FUZZ_ASSERT(FixedText::swapNameOrder(text).size() == trimmed.size() + 1 || trimmed.isEmpty());
    }
    return 0;
}
