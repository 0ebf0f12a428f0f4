#pragma once
// The status texts of the Files page: the job description or the missing parameters before a
// job, the progress line while it runs and the summary after it.

#include "fileproc/functions.h"
#include "common/textfuncs.h"

#include <QString>

#include <chrono>

namespace kbx {

// What a description shows. Names are full; the description uses their file-name parts.
// Offsets are shown with OffsetText in the given unit.
struct JobFacts
{
    QString input;
    QString output;
    qint64 start = 0;
    qint64 end = 0;
    qint64 length = 0;
    qint64 total = 0;     // MaxSize
    qint64 parts = 0;     // part count of the split functions
    int entries = 0;      // join-list entries
    qint64 alignUnit = 1;
    bool hex = false;
    QString unitText = QStringLiteral("B");
};

QString JobDescription(FileFunction function, const JobFacts &facts, const TextLookup &translate = {});
QString MissingParametersText(FileFunction function, const TextLookup &translate = {});

// The engine's counters as one progress tick reads them.
struct JobCounters
{
    qint64 readerTotal = 0;
    qint64 readerRemaining = 0;
    qint64 checksumRemaining = 0;
    qint64 writerTotal = 0;
    qint64 writerRemaining = 0;
    qint32 fileIndex = 0;   // reader FileIndex
    qint32 partNumber = 1;  // writer PartNumber
};

// Bytes read so far; a tick with less than 1 shows InitializingText only and counts no tick.
qint64 ReadBytes(const JobCounters &counters);

struct ProgressFigures
{
    qint64 read = 0;
    qint64 done = 0;          // written, or checksummed for "only compute CRC"; at least 1
    double writePercent = 0;  // pw
    double readPercent = 0;   // pr
    int mark = 0;             // per mille, the average of reading and writing
    int percent = 0;
    double seconds = 0;       // ticks × 0.33
    qint32 elapsed = 0;       // whole seconds
    qint32 left = 0;          // estimated seconds to go
    int barWidth = 0;         // width of the `progress` bar
};

// The figures of a tick, `jobTicks` already counting it.
ProgressFigures ComputeProgress(FileFunction function, const JobCounters &counters, qint32 jobTicks);

// "n files read", "n files written" or both, for the functions that have them; else empty.
QString CountersText(FileFunction function, qint32 fileIndex, qint32 partNumber, const TextLookup &translate = {});
// "42% done, <counters>, speed is 12.34 MB/s, 00:33 min passed, 00:45 min left".
QString ProgressText(FileFunction function, const JobCounters &counters, const ProgressFigures &figures,
                     const TextLookup &translate = {});
QString InitializingText(const TextLookup &translate = {});
QString PausedText(const TextLookup &translate = {});
QString WorkingText(const TextLookup &translate = {});
// The completion line over the job's measured duration. The speed uses the reader's full 64-bit
// length; the CRC is appended when `showCrc`.
QString SummaryText(FileFunction function, const JobCounters &counters, std::chrono::nanoseconds duration,
                    bool showCrc, quint32 crc, const TextLookup &translate = {});
// Whole seconds of a duration, as the "mm:ss" texts show it.
qint32 WholeSeconds(std::chrono::nanoseconds duration);

} // namespace kbx
