// Arbitrary text through the analyzer's hex reader, and arbitrary numbers through its hex field.
// Input: 8 bytes of a number, 1 byte of a field width, then the text.

#include "analyzer/packwalk.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isHexDigits(const QString &text)
{
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    return !text.isEmpty();
}

// Upper case for ASCII letters only, so that no other character turns into a hex digit.
QString asciiUpper(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kbx;
    if (size < 9)
        return 0;
    qint64 value = 0;
    std::memcpy(&value, data, sizeof value);
    const int width = int(data[8] % 80) - 8; // a few negative widths, mostly 0..71
    const QByteArray raw(reinterpret_cast<const char *>(data) + 9, qsizetype(size - 9));

    // The field: right-aligned, upper-case digits without leading zeros, and read back it gives the
    // number modulo 2^32 (the reader keeps 32 bits).
    const QString field = FormatHexField(value, width);
    check(field.size() >= width);
    const QString digits = field.trimmed();
    check(field.endsWith(digits));
    check(field.size() == digits.size() || field.size() == width);
    const bool negative = digits.startsWith(QLatin1Char('-'));
    check(negative == (value < 0));
    const QString magnitude = negative ? digits.mid(1) : digits;
    check(isHexDigits(magnitude));
    check(magnitude == QLatin1String("0") || !magnitude.startsWith(QLatin1Char('0')));
    check(ParseHex(field) == qint32(quint32(quint64(value))));

    // Any text: no crash, only what comes before the first inner space counts, and plain hex of at
    // most 8 digits reads as the number it is.
    for (const QString &text : {QString::fromUtf8(raw), QString::fromLatin1(raw)}) {
        const qint32 parsed = ParseHex(text);
        const QString t = text.trimmed();
        const QString head = t.section(QLatin1Char(' '), 0, 0);
        if (head == head.trimmed())
            check(parsed == ParseHex(head));
        if (head.isEmpty())
            check(parsed == -1);
        if (head.size() <= 8 && isHexDigits(head.toUpper()) && isHexDigits(asciiUpper(head))) {
            bool ok = false;
            const uint expected = head.toUInt(&ok, 16);
            check(ok && parsed == qint32(expected));
        }
    }
    return 0;
}
