// Arbitrary bytes as the start of an MPEG file: the pack probe looks at them, and the title-information
// walk examines them as packs of the probed size (or of the size the first byte picks), as it would a
// VOB's first packs. Nothing may crash, read outside its pack or hang.

#include "dvd/packprobe.h"
#include "dvd/titleinfo.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kbx;
    PackProbeState probe;
    ProbePackBytes(data, int64_t(size), probe);

    if (size < 1)
        return 0;
    static const int64_t sizes[] = {2048, 2324, 2048 + 13, 512};
    int64_t packSize = probe.PackSize >= 512 && probe.PackSize <= 4096 ? probe.PackSize : sizes[data[0] % 4];
    TitleInfoInput input;
    input.packSize = packSize;
    input.mpegKind = probe.MpegKind;
    input.regionByte = data[0];
    TitlePackWalk walk(input, DvdSourceText);
    const uint8_t *at = data + 1;
    int64_t left = int64_t(size) - 1;
    for (int index = 0; index < 129 && left > 0; ++index) {
        // Copy each pack into a buffer of exactly its length, so a read past it is caught.
        const int64_t length = std::min(left, packSize);
        std::vector<uint8_t> pack(at, at + length);
        if (!walk.addPack(index, pack.data(), length))
            break;
        at += length;
        left -= length;
    }
    walk.finish(left > 0);
    return 0;
}
