#pragma once

// Helpers shared by the reply fuzz targets: the input bytes become a reply text the way the
// HTTP poster decodes a body (the first byte picks Windows-1254 or UTF-8), and a broken
// invariant aborts so libFuzzer keeps the input.

#include "core/Cp1254.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzzinput {

inline constexpr size_t kMaxInput = 1 << 16;

inline QString replyText(const uint8_t *data, size_t size)
{
    if (size == 0) return QString();
    const QByteArray body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    return (data[0] & 1) ? FromCp1254(body) : QString::fromUtf8(body);
}

inline void check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace fuzzinput
