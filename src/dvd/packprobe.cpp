#include "dvd/packprobe.h"

#include "engine/hugefile.h"

#include <array>

namespace kbx {

void ProbePackBytes(const uint8_t *data, int64_t length, PackProbeState &state)
{
    state.MpegKind = MpegNone;
    state.PackSize = 0;
    const int64_t n = length < PackProbeBytes ? length : PackProbeBytes;
    // The counter lives in PackSize until the second header replaces it with its offset.
    for (int64_t p = 0; p + 3 < n; ++p) {
        if (data[p] == 0x00 && data[p + 1] == 0x00 && data[p + 2] == 0x01 && data[p + 3] == 0xBA) {
            if (++state.PackSize == 2) {
                state.PackSize = p;
                break;
            }
        }
    }
    if (state.PackSize == 2048)
        state.MpegKind = MpegDvd;
    else if (state.PackSize == 2324)
        state.MpegKind = MpegSvcd;
}

bool ProbeMpegPacks(const std::string &fileName, PackProbeState &state)
{
    state.MpegKind = MpegNone;
    state.PackSize = 0;
    std::array<uint8_t, PackProbeBytes> block{};
    int64_t got = 0;
    try {
        TQsHugeFile file(fileName, AttributeNormal, GenericRead, ShareFromAccess);
        file.Reset(1);
        file.BlockRead(block.data(), PackProbeBytes, got);
        file.Close();
    } catch (const EQsHugeFile &) {
        return false;
    }
    if (got < PackProbeBytes)
        return false;
    ProbePackBytes(block.data(), got, state);
    return true;
}

} // namespace kbx
