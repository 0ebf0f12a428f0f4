#pragma once
// Movies in other containers (MKV, MP4/MOV, AVI, MPEG-TS, ...) remuxed into segments: packets are
// copied, never decoded. A segment starts at a video key frame, carries every stream of the source
// and its timestamps start at zero.

#include "moviesplit/psplitter.h"
#include "moviesplit/splitcontrol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kbx {

struct AvPacket
{
    int32_t stream = 0;
    int32_t size = 0;
    int64_t dtsUs = 0;      // decoding time in microseconds, the packet's time when it has none
    int64_t ptsUs = 0;      // presentation time in microseconds
    bool cut = false;       // a segment may start here (a video key frame)
};

struct AvIndex
{
    int64_t fileSize = 0;
    int64_t startUs = 0;    // presentation time of the first cut point
    int64_t durationUs = 0;
    int videoStream = -1;
    std::vector<AvPacket> packets;
};

// How much a container adds around the packets: fixed bytes, bytes per packet and per second.
// A transport stream instead fills whole 188-byte packets.
struct MuxOverhead
{
    int64_t fixed = 16384;
    int64_t perPacket = 32;
    int64_t perSecond = 0;
    bool transportStream = false;
};

// The model for the container an output name asks for.
MuxOverhead OverheadFor(const std::string &outputName);

// One pass over the packets of `file`, decoding nothing. Throws ESplit for an unreadable file or
// an unknown container.
AvIndex IndexMovie(const std::string &file, SplitControl &control);

// First packet of each segment. By size the estimate of every segment stays within the size (the
// writer checks the real files); by count the cuts are the key frames nearest to equal shares of
// the packet bytes; by duration the key frame nearest before each multiple. Throws ESplit.
std::vector<int64_t> PlanMovie(const AvIndex &index, const SplitRequest &request, const MuxOverhead &overhead,
                               const std::string &file);

// Remuxes the packets into the segments; each is closed properly even when stopped early.
void WriteMovie(const std::string &file, const AvIndex &index, const std::vector<int64_t> &starts,
                SegmentSink &sink, SplitControl &control, SplitOutcome &outcome);

} // namespace kbx
