#pragma once
// Classifies an MPEG program stream by the distance between its first two pack headers.

#include <cstdint>
#include <string>

namespace kbx {

enum MpegKindValue : uint8_t {
    MpegNone = 0,   // not recognised, or the file could not be read
    MpegDvd = 1,    // packs of 2048 bytes
    MpegSvcd = 2,   // packs of 2324 bytes
    MpegOne = 3,    // an MPEG-1 stream (found by the title information, never by the probe)
};

// The probe's result, shared by the DVD page and the Files page: the last probe wins.
struct PackProbeState
{
    uint8_t MpegKind = MpegNone;
    int64_t PackSize = 0;   // offset of the second pack header; 0 or 1 when fewer than two were found
};

constexpr int PackProbeBytes = 4096;

// Reads the first 4096 bytes of the file. Returns false when it cannot be opened or holds fewer
// bytes (MpegKind stays 0); the caller shows the read-error message then.
bool ProbeMpegPacks(const std::string &fileName, PackProbeState &state);

// The same walk over bytes already in memory (at most the first 4096 are looked at).
void ProbePackBytes(const uint8_t *data, int64_t length, PackProbeState &state);

} // namespace kbx
