#pragma once
// Small helpers shared by the engine tests: deterministic data, whole-file reads and writes, and a
// bytewise table CRC to check the fast one against.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <random>

namespace testutil {

inline QByteArray RandomBytes(qint64 size, uint32_t seed)
{
    QByteArray data(size, Qt::Uninitialized);
    std::mt19937 gen(seed);
    auto *p = reinterpret_cast<uint32_t *>(data.data());
    qint64 words = size / 4;
    for (qint64 i = 0; i < words; ++i)
        p[i] = gen();
    for (qint64 i = words * 4; i < size; ++i)
        data[i] = char(gen());
    return data;
}

inline bool WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The register as the file processor defines it: reflected 0xEDB88320, starts at 0, never inverted.
inline uint32_t TableCrc(uint32_t crc, const QByteArray &data)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    for (char ch : data)
        crc = (crc >> 8) ^ table[(uint8_t(ch) ^ crc) & 0xFF];
    return crc;
}

} // namespace testutil
