#pragma once
// What the Backup page shows of one title: region, protection marks, picture and streams, read
// from the title's first VOB file by a bounded pack walk. No widgets here.

#include "dvd/dvdscan.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace kbx {

// Packs 0 to 128 at most are read; streams are looked for in packs 8 to 128.
constexpr int TitleInfoLastPack = 128;
constexpr int TitleInfoFirstStreamPack = 8;

// Byte 35 of the video manager information file (a set bit r - 1 forbids region r); 1 when
// `fromIfo` is off or the byte cannot be read.
int ReadRegionByte(const QString &ifoPath, bool fromIfo = true);
// The region value R built from a region byte greater than 1: region r allowed sets bit 8 - r.
int RegionFromByte(int regionByte);
QString RegionText(int region, const DvdTranslate &translate = DvdSourceText);
QString AspectText(int code);
QString FrameRateText(int code, const DvdTranslate &translate = DvdSourceText);

struct TitleInfo
{
    bool readFailed = false;       // not opened, a short first pack, no pack header, or a failed read
    int packsRead = 0;             // packs examined
    uint8_t mpegKind = MpegNone;   // 3 for an MPEG-1 pack header or a picture not made of 16-pixel blocks
    uint8_t protectionByte = 0;    // from a navigation pack only; 0 without one
    int region = 1;                // 1: not known

    // Unset: the page keeps what it shows.
    std::optional<QString> regionText;
    std::optional<bool> css;
    std::optional<bool> macrovision;
    std::optional<QString> widthText;
    std::optional<QString> heightText;
    std::optional<QString> aspectText;

    bool sequenceHeaderFound = false;
    int width = 0;
    int height = 0;
    int aspectCode = 0;
    int frameRateCode = 0;
    QStringList streams;           // sorted, one line per stream: "80 (Audiostream)", "E0 (Videostream)"
};

struct TitleInfoInput
{
    QString file;                  // the title's first VOB, or the MPEG file in file mode
    qint64 packSize = 0;
    uint8_t mpegKind = MpegNone;
    int regionByte = 1;            // ReadRegionByte in DVD mode, 1 in file mode
};

TitleInfo ShowTitleInfo(const TitleInfoInput &input, const DvdTranslate &translate = DvdSourceText);

// The walk over packs already in memory, `packSize` bytes each; what a file's pack walk examines.
// Fuzzing and the file walk share it.
class TitlePackWalk
{
public:
    TitlePackWalk(const TitleInfoInput &input, const DvdTranslate &translate);
    // Examines pack `index`; false ends the walk (pack 0 without a pack header).
    bool addPack(int index, const uint8_t *pack, int64_t length);
    // Fills the texts; call once after the last pack.
    TitleInfo finish(bool readFailed);

private:
    void readPicture(const uint8_t *pack, int64_t length);
    void readStream(const uint8_t *pack, int64_t length);

    TitleInfoInput m_input;
    DvdTranslate m_translate;
    TitleInfo m_info;
    bool m_packZero = false;
    bool m_packOne = false;
    bool m_navigationPack = false;
};

} // namespace kbx
