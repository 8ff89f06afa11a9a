#include "core/Base64.h"

#include <benchmark/benchmark.h>

static void BM_Base64RoundTrip(benchmark::State &state)
{
    base64 codec;
    QByteArray input(int(state.range(0)), 'x');
    for (int i = 0; i < input.size(); ++i) input[i] = char(i * 31 + 7);
    for (auto _ : state) {
        QByteArray enc = codec.EncodeBytes(input);
        QByteArray dec = codec.DecodeBytes(enc);
        benchmark::DoNotOptimize(dec.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Base64RoundTrip)->Arg(57)->Arg(4096)->Arg(1 << 20);

BENCHMARK_MAIN();
