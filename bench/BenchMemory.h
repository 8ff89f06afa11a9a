#pragma once

// The memory figures and the memory state of the benchmarks.

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// A line "<key>: <n> kB" of /proc/self/status in MiB; 0 when it cannot be read.
inline double ProcStatusMb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double mb = 0;
    const size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            mb = std::strtod(line + keyLength + 1, nullptr) / 1024.0;
            break;
        }
    }
    std::fclose(f);
    return mb;
}

// Resident memory now, in MiB.
inline double CurrentRssMb() { return ProcStatusMb("VmRSS"); }

// Sets the peak that PeakSinceResetMb reads back to the resident memory now, so that it tells
// the peak of what runs from here on. False when the system does not allow it.
inline bool ResetPeakRss()
{
    FILE *f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool written = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && written;
}

// The peak resident memory since the last ResetPeakRss, in MiB.
inline double PeakSinceResetMb() { return ProcStatusMb("VmHWM"); }
