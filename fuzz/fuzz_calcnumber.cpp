// The calculator's number fields over any text and three locales: parsing never fails badly, a
// text that may be typed parses to what its formatted value parses to, and converting the value
// in every category stays defined.
#include "FuzzSupport.h"

#include "core/calc/Calculation.h"
#include "core/common/Cp1250.h"

#include <QLocale>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {
        QLocale(QLocale::Polish), QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German)};
    const QString text = QString::fromUtf8(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const QLocale &locale : locales) {
        const qint64 value = CalcNumber::parse(text, locale);
        for (const bool grouped : {false, true}) {
            const QString shown = CalcNumber::format(value, grouped, locale);
            FUZZ_ASSERT(CalcNumber::parse(shown, locale) == value);
        }
        if (CalcNumber::isTypable(text, locale)) {
            FUZZ_ASSERT(text.size() <= CalcNumber::maxTypedLength);
        }
        const int vat = static_cast<int>(value % 2000) - 1000;
        for (int i = 0; i < Calculation::categoryCount; ++i) {
            const Calculation::Category c = Calculation::category(
                i, Calculation::effectiveRate(vat, Calculation::defaultVat1), Calculation::defaultVat2);
            for (int from = 0; from < 3; ++from) {
                for (int to = 0; to < 3; ++to) {
                    const qint64 converted = Calculation::convert(value, c.factors[from], c.factors[to]);
                    (void)Calculation::taxText(converted - value);
                }
            }
        }
    }
    return 0;
}
