#pragma once

// The memory figures and the memory state of the benchmarks.

#include <QtGlobal>

#include <malloc.h>
#include <sys/resource.h>

// Peak resident memory of this process so far in MiB. Run one size per process
// (--benchmark_filter=.../100000) for the peak of that size alone.
inline double PeakRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Before every timed run: the memory that runs before it freed goes back to the system, as a
// program finds it that sends once. Otherwise a size whose buffers fit in what the run before
// freed runs on warm pages, and one that does not pays for fresh ones: the sizes would not
// compare. ORVEK_BENCH_WARM=1 leaves the freed memory to the allocator (warm runs).
inline void ColdMemory()
{
    static const bool warm = qEnvironmentVariableIntValue("ORVEK_BENCH_WARM") == 1;
    if (!warm) malloc_trim(0);
}
