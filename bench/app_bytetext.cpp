// Byte-text conversion as the record list does it for every visible cell: a cell of 24 bytes
// turned into text in a single-byte and in a double-byte code page, a typed value turned back,
// and the one-time cost of building a page's tables.
#include "common/bytetext.h"
#include "common/codepage.h"

#include <benchmark/benchmark.h>

namespace {

const std::string Cyrillic = "\xE0\xEC\xE1\xF3\xEB\xE0\xF2\xEE\xF0\xED\xEE-\xEF\xEE\xEB\xE8\xEA\xEB\xE8\xED\xE8  42";
const std::string Chinese = "\xD6\xD0\xCE\xC4\xB1\xED\xB8\xF1 abc \xCA\xFD\xBE\xDD\xBF\xE2 1234";

void Decode(benchmark::State& state, int page, const std::string& cell) {
    vx::SetCodePage(page);
    for (auto _ : state) benchmark::DoNotOptimize(BytesToText(cell));
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("cells");
}

void Encode(benchmark::State& state, int page, const std::string& cell) {
    vx::SetCodePage(page);
    const QString text = BytesToText(cell);
    for (auto _ : state) benchmark::DoNotOptimize(TryTextToBytes(text));
    state.SetItemsProcessed(state.iterations());
}

void BM_BuildPage(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(vx::TCodePage::Build(int(state.range(0))));
}

}  // namespace

BENCHMARK_CAPTURE(Decode, cp1251_cell, 1251, Cyrillic);
BENCHMARK_CAPTURE(Decode, cp936_cell, 936, Chinese);
BENCHMARK_CAPTURE(Encode, cp1251_cell, 1251, Cyrillic);
BENCHMARK_CAPTURE(Encode, cp936_cell, 936, Chinese);
BENCHMARK(BM_BuildPage)->Arg(1252)->Arg(936)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
