// libFuzzer target: Base64 decoding of arbitrary bytes and text. Decoding either throws
// OrvekError with a description or gives at most the bytes the line layout allows; any
// non-empty byte string survives an encode and decode unchanged.

#include "core/Base64.h"
#include "core/Cp1254.h"
#include "core/OrvekError.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    static const base64 codec;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    try {
        const QByteArray out = codec.DecodeBytes(bytes);
        check(!out.isEmpty());
        check(out.size() <= (bytes.size() / 4 + 1) * 3);
    } catch (const OrvekError &e) {
        check(!e.description().isEmpty());
    }

    try {
        (void)codec.Decode(FromCp1254(bytes));
    } catch (const OrvekError &e) {
        check(!e.description().isEmpty());
    }

    if (!bytes.isEmpty()) {
        const QByteArray encoded = codec.EncodeBytes(bytes);
        check(codec.DecodeBytes(encoded) == bytes);
        for (qsizetype i = 0; i < encoded.size(); i += 78) check(encoded.mid(i, 76).indexOf('\r') < 0);
    }
    return 0;
}
