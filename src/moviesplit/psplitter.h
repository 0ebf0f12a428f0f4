#pragma once
// MPEG program streams (VOB, MPG) cut byte-exactly between packs: at navigation packs, or, in a
// stream without them, at the packs that carry a sequence header or a group-of-pictures start.
// The segments laid end to end are the source byte for byte.

#include "moviesplit/splitcontrol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kbx {

struct PsCut
{
    int64_t offset = 0;     // first byte of the pack
    double seconds = 0;     // its clock reference, from the first pack's
};

struct PsIndex
{
    int64_t size = 0;
    double duration = 0;    // last clock reference less the first
    bool navPacks = false;  // the cut points are navigation packs
    std::vector<PsCut> cuts;
};

// True when the bytes begin with a pack start code.
bool LooksLikeProgramStream(const uint8_t *data, int64_t length);

// Walks the packs of `file`; control.done grows by the bytes read. Throws ESplit.
PsIndex ScanProgramStream(const std::string &file, SplitControl &control);

// Start offsets of the segments (the first is 0). By size no segment is longer than the size; by
// count each cut is the point nearest to an equal share; by duration each cut is the point nearest
// before a multiple of the duration. Throws ESplit naming `file` when the size cannot be kept.
std::vector<int64_t> PlanProgramStream(const PsIndex &index, const SplitRequest &request,
                                       const std::string &file);

// What a run has written so far, and which of those files did not get all their bytes.
struct SplitOutcome
{
    std::vector<std::string> names;
    std::vector<std::string> partial;
    bool aborted = false;
};

// Copies each segment [starts[i], starts[i+1]) into the file the sink names. Stops early, with
// outcome.aborted, when the control says so. Throws ESplit on a read or write failure.
void WriteProgramStream(const std::string &file, const PsIndex &index, const std::vector<int64_t> &starts,
                        SegmentSink &sink, SplitControl &control, SplitOutcome &outcome);

} // namespace kbx
