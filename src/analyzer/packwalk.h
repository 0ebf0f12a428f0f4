#pragma once
// The pack-by-pack walk of a program stream: read one value from each pack of the chosen kinds and
// turn it into a log line. Runs on the caller's thread; the caller processes window events in the
// per-pack hook.

#include <QString>

#include <functional>

namespace kbx {

constexpr int VobPackSize = 2048;

enum class PackKind { Nav, Aud, Vid, Other };

// Kind of a full pack by the start code at bytes 14 to 17.
PackKind PackKindOf(const unsigned char *pack);
// "nav", "aud", "vid"; empty for other packs.
QString PackKindLabel(PackKind kind);

// Hexadecimal text to a number: blanks trimmed, cut at the first space, empty gives -1, a leading
// "-" negates, other characters are taken as digits without complaint and the sum wraps at 32 bits.
qint32 ParseHex(const QString &text);
// Upper-case hex of the magnitude with "-" for negatives, right-aligned to `width`.
QString FormatHexField(qint64 value, int width);
// Field width of a value: 2, 4 or 8 characters for 8, 16 or 32 bits.
int HexFieldWidth(int bits);

// Big-endian value of `bits` (8, 16 or 32) at `pos`; the caller keeps pos + size within the pack.
quint32 PackValue(const unsigned char *pack, int pos, int bits);
// Sign-and-magnitude reading of a raw value: the top bit is the sign, the rest the magnitude.
qint64 SignMagnitude(quint32 raw, int bits);

// What is fixed when a run starts.
struct PackWalkSetup
{
    QString fileName;
    int bits = 32;            // 8, 16 or 32
    QString offsetText;       // base offset, hex
    QString offsetIncText;    // position of the offset byte, hex, may be empty
    bool nav = true;          // kinds checked at the start (only their count is fixed)
    bool aud = true;
    bool vid = true;
};

// What is read anew for every pack, so changes during a run apply from the next pack.
struct PackWalkOptions
{
    bool nav = true;
    bool aud = true;
    bool vid = true;
    bool isSigned = false;
    bool diffs = false;
    bool range = false;
    QString range0;
    QString range1;
};

struct PackLogLine
{
    QString text;          // the whole line, without a line break
    QString value;         // the value text at its end (empty for other lines)
    bool outOfRange = false;
};

// An analysed pack in numbers; its log text is made only when it is shown or saved.
struct PackLine
{
    qint64 index = 0;                 // pack number, from 0
    qint64 value = 0;                 // the value shown (the difference when differences are on)
    quint16 offset = 0;               // byte position read
    quint8 width = 8;                 // field width: 2, 4 or 8 characters
    PackKind label = PackKind::Other; // Other: no label (one kind checked)
    bool outOfRange = false;
};

// Room FormatPackLine needs.
constexpr int PackLineMax = 72;
// The log text of an analysed pack into `out` (Latin-1, no line break); returns its length and
// sets `valueStart` to where the value text at its end begins.
int FormatPackLine(const PackLine &line, char *out, int &valueStart);

struct PackWalkHooks
{
    // Before each read, with the number of packs done and the total; the page processes events here.
    std::function<void(qint64 done, qint64 total)> beforePack;
    std::function<PackWalkOptions()> options;
    std::function<void(const PackLogLine &line)> line;
    // When set, analysed packs come here instead of to `line`, without their text.
    std::function<void(const PackLine &pack)> pack;
    // Polled after every pack, skipped ones included.
    std::function<bool()> stopRequested;
};

enum class PackWalkResult { Finished, Stopped, BadInput, OpenFailed };

struct PackWalkOutcome
{
    PackWalkResult result = PackWalkResult::Finished;
    QString message;      // for BadInput and OpenFailed
    qint64 packsRead = 0; // full packs read
    qint64 linesLogged = 0;
};

// Checks the inputs, then walks the file. Lines: the "Test:" header, one per analysed pack, and an
// empty one at the end; none when the inputs are refused or the file cannot be opened. Packs with
// an unrecognised start code and a short tail are not analysed.
PackWalkOutcome WalkPacks(const PackWalkSetup &setup, const PackWalkHooks &hooks);

// The messages of a refused run.
QString InsufficientInputText();   // "Error: insufficient input"
QString PositionOutsidePackText();

// The progress bar holds an int: scale a 64-bit pack count so that its range fits.
int ProgressMaximum(qint64 totalPacks);
int ProgressPosition(qint64 done, qint64 totalPacks);

} // namespace kbx
