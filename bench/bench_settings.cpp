// Reading the settings from a hand-grown "Morwinek.ini": every key the program knows, in a file
// that other tools have filled with sections and keys of their own.
#include "core/common/IniFile.h"
#include "core/common/Settings.h"
#include "core/common/TextFile.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// The program's own sections at the end, after `foreign` lines of other sections.
QByteArray settingsFile(int foreign)
{
    QList<QByteArray> lines;
    for (int i = 0; i < foreign; ++i) {
        if (i % 20 == 0) {
            lines.append("[Obca sekcja " + QByteArray::number(i / 20) + "]");
        }
        lines.append("klucz" + QByteArray::number(i) + "=wartosc " + QByteArray::number(i));
    }
    lines.append("[Kontakty]");
    lines.append("Ostatnia_Pozycja=5");
    lines.append("[Terminy]");
    lines.append("ZAKRES=7");
    return TextFile::joinLines(lines);
}

void BM_ReadSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Morwinek.ini"));
    if (!TextFile::writeAtomically(path, settingsFile(static_cast<int>(state.range(0))), nullptr)) {
        state.SkipWithError("cannot write the settings file");
        return;
    }
    for (auto _ : state) {
        IniFile ini(path);
        if (!ini.load()) {
            state.SkipWithError("cannot read the settings file");
            return;
        }
        Settings settings;
        settings.read(ini);
        settings.write(ini);
        benchmark::DoNotOptimize(settings.range);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadSettings)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
