#pragma once
// Byte-by-byte builders for the DVD tests: pack headers, PES packets, sequence headers, files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <initializer_list>

namespace dvdtest {

inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray data;
    for (int v : values)
        data.append(char(v));
    return data;
}

// An MPEG-2 pack header of 14 bytes plus `stuffing` bytes of 0xFF.
inline QByteArray PackHeader(int stuffing = 0)
{
    QByteArray data = Bytes({0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3,
                             0xF8 | stuffing});
    data.append(QByteArray(stuffing, char(0xFF)));
    return data;
}

// A PES packet: `headerData` is what its header-length byte counts (time stamps, stuffing).
inline QByteArray Pes(int id, const QByteArray &headerData, const QByteArray &payload, int flags1 = 0x81,
                      int flags2 = 0x80)
{
    const int length = 3 + headerData.size() + payload.size();
    QByteArray data = Bytes({0x00, 0x00, 0x01, id, length >> 8, length & 0xFF, flags1, flags2,
                             int(headerData.size())});
    return data + headerData + payload;
}

inline QByteArray SequenceHeader(int width, int height, int aspect, int frameRate)
{
    return Bytes({0x00, 0x00, 0x01, 0xB3, width >> 4, ((width & 15) << 4) | (height >> 8), height & 0xFF,
                  (aspect << 4) | frameRate, 0x11, 0x11, 0x11, 0x11});
}

// Pads `body` with 0xFF to a whole pack.
inline QByteArray Pack(const QByteArray &body, int packSize = 2048)
{
    QByteArray data = body.left(packSize);
    data.append(QByteArray(packSize - data.size(), char(0xFF)));
    return data;
}

// A navigation pack whose VOBU category byte (offset 49) is `protection`.
inline QByteArray NavPack(int protection = 0, int packSize = 2048)
{
    QByteArray body = PackHeader() + Bytes({0x00, 0x00, 0x01, 0xBB, 0x00, 0x12}) + QByteArray(18, char(0x80));
    body += Bytes({0x00, 0x00, 0x01, 0xBF, 0x03, 0xD4, 0x00, 0x00, 0x00, 0x00, 0x00});
    QByteArray pack = Pack(body, packSize);
    pack[49] = char(protection);
    return pack;
}

// The first video pack: a PES header with `headerLength` bytes of time stamps and stuffing, so the
// sequence header starts at 14 + 9 + headerLength (36 for 13).
inline QByteArray VideoPack(int width, int height, int aspect, int frameRate, int headerLength = 13,
                            int flags1 = 0x81, int packSize = 2048)
{
    QByteArray stamps(headerLength, char(0xFF));
    return Pack(PackHeader() + Pes(0xE0, stamps, SequenceHeader(width, height, aspect, frameRate), flags1, 0xC0),
                packSize);
}

// A pack carrying one packet of stream `id`; for private stream 1 `subId` is the first data byte.
inline QByteArray StreamPack(int id, int subId = -1, int packSize = 2048)
{
    QByteArray payload(64, char(0x55));
    if (subId >= 0)
        payload[0] = char(subId);
    return Pack(PackHeader() + Pes(id, Bytes({0x21, 0x00, 0x01, 0x00, 0x01}), payload), packSize);
}

inline bool WriteFile(const QString &path, const QByteArray &data, qint64 size = -1)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return false;
    // Large titles are sparse: only their first packs hold bytes.
    return size < 0 || file.resize(size);
}

// Two DVD packs at the start of a file of `size` bytes.
inline bool WriteVob(const QString &path, qint64 size)
{
    return WriteFile(path, NavPack() + VideoPack(720, 576, 3, 3), size);
}

} // namespace dvdtest
