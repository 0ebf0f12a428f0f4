#include "ui/codepage.h"

#include <array>

namespace kbx {

namespace {

// Codes 0x80 to 0x9F; the rest of the page is identical to Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::array<char16_t, 256> makeTable()
{
    std::array<char16_t, 256> table{};
    for (int code = 0; code < 256; ++code)
        table[code] = (code >= 0x80 && code < 0xA0) ? kHighControls[code - 0x80] : char16_t(code);
    return table;
}

constexpr std::array<char16_t, 256> kTable = makeTable();

} // namespace

QString DecodeWindows1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(kTable[static_cast<unsigned char>(bytes[i])]);
    return text;
}

QByteArray EncodeWindows1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        char encoded = '?';
        if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
            encoded = char(unit);
        } else {
            for (int i = 0; i < int(kHighControls.size()); ++i) {
                if (kHighControls[i] == unit)
                    encoded = char(0x80 + i);
            }
        }
        bytes.append(encoded);
    }
    return bytes;
}

} // namespace kbx
