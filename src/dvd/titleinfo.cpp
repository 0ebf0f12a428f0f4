#include "dvd/titleinfo.h"

#include "engine/hugefile.h"

#include <array>

namespace kbx {

namespace {

constexpr int PackBufferBytes = 4096;
// From the start of the presentation-control packet to the first byte of its VOBU category word:
// the packet's 6 header bytes, the sub-stream byte and the 4-byte block number.
constexpr int64_t ProtectionInPacket = 11;
constexpr int64_t DefaultPacketStart = 14; // after an MPEG-2 pack header without stuffing

bool StartCodeAt(const uint8_t *data, int64_t length, int64_t at)
{
    return at >= 0 && at + 3 < length && data[at] == 0 && data[at + 1] == 0 && data[at + 2] == 1;
}

// Offset of the first packet after the pack header (and after a system header, which only a
// navigation pack carries), or -1 when the bytes there are no packet.
int64_t PacketStart(const uint8_t *pack, int64_t length)
{
    int64_t at = DefaultPacketStart;
    if (length > 13 && (pack[4] & 0xC0) == 0x40)
        at = 14 + (pack[13] & 0x07);
    else if (length > 4 && (pack[4] & 0xF0) == 0x20)
        at = 12;
    if (StartCodeAt(pack, length, at) && pack[at + 3] == 0xBB && at + 5 < length)
        at += 6 + ((int64_t(pack[at + 4]) << 8) | pack[at + 5]);
    return StartCodeAt(pack, length, at) ? at : -1;
}

// Offset of the payload of an MPEG-2 packet starting at `packet`, or -1.
int64_t PayloadStart(const uint8_t *pack, int64_t length, int64_t packet)
{
    if (packet < 0 || packet + 8 >= length || (pack[packet + 6] & 0xC0) != 0x80)
        return -1;
    const int64_t payload = packet + 9 + pack[packet + 8];
    return payload < length ? payload : -1;
}

bool IsMpeg1PackHeader(const uint8_t *pack, int64_t length)
{
    return length > 4 && StartCodeAt(pack, length, 0) && pack[3] == 0xBA && (pack[4] & 0xF0) == 0x20;
}

// Offset of the protection byte when pack 0 is a navigation pack: its first packet is private
// stream 2 carrying the presentation-control sub-stream (0). Else -1: other streams hold no such byte.
int64_t ProtectionByteAt(const uint8_t *pack, int64_t length)
{
    const int64_t packet = PacketStart(pack, length);
    if (packet < 0 || pack[packet + 3] != 0xBF || packet + ProtectionInPacket >= length)
        return -1;
    return pack[packet + 6] == 0x00 ? packet + ProtectionInPacket : -1;
}

bool IsListedStream(int id)
{
    return (id >= 0xE0 && id <= 0xEF)      // video
        || (id >= 0x80 && id <= 0x8F)      // AC-3 and DTS sub-streams
        || (id >= 0xA0 && id <= 0xA7)      // linear PCM sub-streams
        || (id >= 0xC0 && id <= 0xC7);     // MPEG audio
}

} // namespace

int ReadRegionByte(const QString &ifoPath, bool fromIfo)
{
    if (!fromIfo || ifoPath.isEmpty())
        return 1;
    try {
        TQsHugeFile file(ifoPath.toStdString(), AttributeNormal, GenericRead, ShareFromAccess);
        file.Reset(1);
        file.Seek(35);
        uint8_t byte = 0;
        int64_t got = 0;
        file.BlockRead(&byte, 1, got);
        file.Close();
        return got == 1 ? byte : 1;
    } catch (const EQsHugeFile &) {
        return 1;
    }
}

int RegionFromByte(int regionByte)
{
    int region = 0;
    for (int bit = 0; bit <= 6; ++bit) {
        if ((regionByte & (1 << bit)) == 0)
            ++region;
        region = (region * 2) & 0xFF;
    }
    return region;
}

QString RegionText(int region, const DvdTranslate &translate)
{
    const auto code = [&](int number, const char *where) {
        return QStringLiteral("Code %1 (").arg(number) + translate(where) + QLatin1Char(')');
    };
    switch (region) {
    case 0: return QStringLiteral("region free");
    case 128: return code(1, "USA/Canada");
    case 64: return code(2, "Europe");
    case 32: return code(3, "India");
    case 16: return code(4, "Australia");
    case 8: return code(5, "Africa");
    case 4: return code(6, "China");
    case 2:
    case 3: return translate("invalid");
    default: break;
    }
    QString text;
    for (int bit = 7; bit >= 1; --bit) {
        if (region & (1 << bit))
            text += QString::number(8 - bit) + QLatin1Char(' ');
    }
    return text;
}

QString AspectText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("1:1");
    case 2: return QStringLiteral("4:3");
    case 3: return QStringLiteral("16:9");
    case 4: return QStringLiteral("2.21:1");
    default: return QString();
    }
}

QString FrameRateText(int code, const DvdTranslate &translate)
{
    switch (code) {
    case 1: return QStringLiteral("23.976 fps");
    case 2: return QStringLiteral("24 fps, ") + translate("Cinema");
    case 3: return QStringLiteral("25 fps, PAL");
    case 4: return QStringLiteral("29.97 fps, NTSC");
    case 5: return QStringLiteral("30 fps, NTSC");
    case 6: return QStringLiteral("50 fps");
    case 7: return QStringLiteral("59.94 fps");
    case 8: return QStringLiteral("60 fps");
    default: return QStringLiteral("?");
    }
}

TitlePackWalk::TitlePackWalk(const TitleInfoInput &input, const DvdTranslate &translate)
    : m_input(input), m_translate(translate)
{
    m_info.mpegKind = input.mpegKind;
    if (input.regionByte > 1)
        m_info.region = RegionFromByte(input.regionByte);
}

bool TitlePackWalk::addPack(int index, const uint8_t *pack, int64_t length)
{
    ++m_info.packsRead;
    if (index == 0) {
        if (!StartCodeAt(pack, length, 0) || pack[3] != 0xBA)
            return false;
        m_packZero = true;
        if (IsMpeg1PackHeader(pack, length))
            m_info.mpegKind = MpegOne;
        const int64_t protection = ProtectionByteAt(pack, length);
        m_navigationPack = protection >= 0;
        m_info.protectionByte = m_navigationPack ? pack[protection] : 0;
        if (m_info.region == 1 && m_navigationPack)
            m_info.region = m_info.protectionByte;
    } else if (index == 1) {
        readPicture(pack, length);
    } else if (index >= TitleInfoFirstStreamPack && index <= TitleInfoLastPack) {
        readStream(pack, length);
    }
    return true;
}

void TitlePackWalk::readPicture(const uint8_t *pack, int64_t length)
{
    m_packOne = true;
    // Only an MPEG-2 PES header has the scrambling bits; an MPEG-1 packet or no packet is clear.
    const int64_t packet = PacketStart(pack, length);
    const bool mpeg2Header = packet >= 0 && PayloadStart(pack, length, packet) >= 0;
    m_info.css = mpeg2Header && (pack[packet + 6] & 0x10) != 0;

    // Authoring tools pad the PES header, so the sequence header is looked for where the header
    // says its data starts, and else anywhere in the pack; never at a fixed offset.
    int64_t header = -1;
    const int64_t payload = packet >= 0 && pack[packet + 3] >= 0xE0 && pack[packet + 3] <= 0xEF
        ? PayloadStart(pack, length, packet) : -1;
    if (StartCodeAt(pack, length, payload) && pack[payload + 3] == 0xB3)
        header = payload;
    for (int64_t p = 0; header < 0 && p + 3 < length; ++p) {
        if (StartCodeAt(pack, length, p) && pack[p + 3] == 0xB3)
            header = p;
    }
    if (header < 0 || header + 7 >= length)
        return;
    const uint8_t *fields = pack + header + 4;
    m_info.sequenceHeaderFound = true;
    m_info.width = fields[0] * 16 + fields[1] / 16;
    m_info.height = (fields[1] % 16) * 256 + fields[2];
    m_info.aspectCode = fields[3] / 16;
    m_info.frameRateCode = fields[3] % 16;
    if (m_info.width % 16 != 0 || m_info.height % 16 != 0)
        m_info.mpegKind = MpegOne;
}

void TitlePackWalk::readStream(const uint8_t *pack, int64_t length)
{
    const int64_t packet = PacketStart(pack, length);
    if (packet < 0)
        return;
    int id = pack[packet + 3];
    if (id == 0xBD) {
        // A private stream names its sub-stream in the first byte of its data.
        const int64_t payload = PayloadStart(pack, length, packet);
        if (payload < 0)
            return;
        id = pack[payload];
    }
    if (!IsListedStream(id))
        return;
    const QString line = QString::number(id, 16).toUpper()
        + m_translate(id >= 0xE0 ? " (Videostream)" : " (Audiostream)");
    if (!m_info.streams.contains(line))
        m_info.streams << line;
}

TitleInfo TitlePackWalk::finish(bool readFailed)
{
    m_info.streams.sort();
    m_info.readFailed = readFailed || !m_packZero;
    if (m_info.readFailed)
        return m_info;
    if (m_info.region != 1) {
        m_info.regionText = RegionText(m_info.region, m_translate);
        m_info.macrovision = m_info.protectionByte != 0;
    } else if (!m_navigationPack) {
        // A stream without a navigation pack (a loose MPEG file, a video CD) carries no region and
        // no protection mark, so nothing of an earlier title may stay on show.
        m_info.regionText = m_translate("not applicable");
        m_info.macrovision = false;
    }
    m_info.widthText = QString::number(m_info.width);
    m_info.heightText = QString::number(m_info.height);
    m_info.aspectText = AspectText(m_info.aspectCode) + QStringLiteral(", ")
        + FrameRateText(m_info.frameRateCode, m_translate);
    if (m_info.mpegKind == MpegOne) {
        m_info.regionText = m_translate("not applicable");
        m_info.css = false;
        m_info.macrovision = false;
        m_info.aspectText = m_translate("MPEG1 stream");
        m_info.widthText = QString();
        m_info.heightText = QString();
    }
    return m_info;
}

TitleInfo ShowTitleInfo(const TitleInfoInput &input, const DvdTranslate &translate)
{
    TitlePackWalk walk(input, translate);
    // A pack larger than the buffer cannot come from the probe; it is refused rather than read.
    if (input.packSize <= 0 || input.packSize > PackBufferBytes)
        return walk.finish(true);
    std::array<uint8_t, PackBufferBytes> buffer{};
    bool failed = false;
    try {
        TQsHugeFile file(input.file.toStdString(), AttributeNormal, GenericRead, ShareFromAccess);
        file.Reset(1);
        for (int i = 0; i <= TitleInfoLastPack; ++i) {
            int64_t got = 0;
            file.BlockRead(buffer.data(), input.packSize, got);
            if (got < input.packSize) {
                failed = i == 0;
                break;
            }
            if (!walk.addPack(i, buffer.data(), got))
                break;
        }
        file.Close();
    } catch (const EQsHugeFile &) {
        failed = true;
    }
    return walk.finish(failed);
}

} // namespace kbx
