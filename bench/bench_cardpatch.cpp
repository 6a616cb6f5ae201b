// Patching a server card after one field changed here, for cards with many telephone numbers (as
// a phone that merged duplicates writes them): the time should grow with the card's lines, not with
// their square.
#include "core/sync/plan/SyncRules.h"

#include <benchmark/benchmark.h>

namespace {

void BM_PatchCardManyNumbers(benchmark::State &state)
{
    const auto lines = static_cast<int>(state.range(0));
    QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:wiele-numerow\r\nFN:Kowalski Jan\r\nN:Kowalski;Jan;;;\r\n";
    for (int i = 0; i < lines; ++i) {
        card += "TEL;TYPE=CELL:+48 600 " + QByteArray::number(100000 + i) + "\r\n";
    }
    card += "END:VCARD\r\n";
    ExchangeContact local;
    if (!SyncRules::readCard(card, &local, nullptr)) {
        state.SkipWithError("card not read");
        return;
    }
    local.contact.Email = QStringLiteral("jan.kowalski@example.org");
    const QDateTime stamp(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC);
    for (auto _ : state) {
        const QByteArray patched = SyncRules::patchCard(card, local, QStringLiteral("wiele-numerow"), stamp);
        benchmark::DoNotOptimize(patched.data());
    }
    state.SetComplexityN(lines);
}
BENCHMARK(BM_PatchCardManyNumbers)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
