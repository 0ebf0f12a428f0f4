#include "analyzer/packwalk.h"

#include "common/textfuncs.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <limits>
#include <memory>

namespace kbx {

namespace {

constexpr quint32 CodeNav = 0x000001BB;
constexpr quint32 CodeAud = 0x000001BD;
constexpr quint32 CodeVid = 0x000001E0;

bool KindChecked(PackKind kind, const PackWalkOptions &o)
{
    switch (kind) {
    case PackKind::Nav: return o.nav;
    case PackKind::Aud: return o.aud;
    case PackKind::Vid: return o.vid;
    case PackKind::Other: return false;
    }
    return false;
}

// Packs are read many at a time: one system call per pack would cost more than the analysis.
constexpr qint64 ReadBlock = 128 * VobPackSize;

// Fills `buffer` up to `size` bytes from `have`; fewer only at the end of the file or on a read error.
qint64 Fill(QFile &file, unsigned char *buffer, qint64 have, qint64 size)
{
    while (have < size) {
        const qint64 n = file.read(reinterpret_cast<char *>(buffer) + have, size - have);
        if (n <= 0)
            break;
        have += n;
    }
    return have;
}

char *Put(char *out, const char *text)
{
    while (*text)
        *out++ = *text++;
    return out;
}

// Upper-case hexadecimal digits of `value`, right-aligned with `fill` to `width`.
char *PutHex(char *out, quint64 value, int width, bool negative)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while (value);
    for (int pad = n + int(negative); pad < width; ++pad)
        *out++ = ' ';
    if (negative)
        *out++ = '-';
    while (n)
        *out++ = digits[--n];
    return out;
}

// Cached reading of a range bound: the texts rarely change during a run.
struct RangeBound
{
    QString text;
    qint32 value = -1;
    qint32 of(const QString &t)
    {
        if (t != text) {
            text = t;
            value = ParseHex(t);
        }
        return value;
    }
};

} // namespace

PackKind PackKindOf(const unsigned char *pack)
{
    switch (PackValue(pack, 14, 32)) {
    case CodeNav: return PackKind::Nav;
    case CodeAud: return PackKind::Aud;
    case CodeVid: return PackKind::Vid;
    default: return PackKind::Other;
    }
}

QString PackKindLabel(PackKind kind)
{
    switch (kind) {
    case PackKind::Nav: return QStringLiteral("nav");
    case PackKind::Aud: return QStringLiteral("aud");
    case PackKind::Vid: return QStringLiteral("vid");
    case PackKind::Other: break;
    }
    return {};
}

qint32 ParseHex(const QString &text)
{
    QString t = text.trimmed();
    const qsizetype space = t.indexOf(QLatin1Char(' '));
    if (space >= 0)
        t.truncate(space);
    if (t.isEmpty())
        return -1;
    bool negative = false;
    if (t.startsWith(QLatin1Char('-'))) {
        negative = true;
        t.remove(0, 1);
    }
    // Digit weights beyond 16^7 are multiples of 2^32 and vanish in the wrapping sum.
    quint32 sum = 0;
    quint32 weight = 1;
    for (qsizetype i = t.size() - 1; i >= 0 && weight != 0; --i) {
        const ushort c = t.at(i).toUpper().unicode();
        const qint32 digit = c >= '0' && c <= '9' ? qint32(c) - 48 : qint32(c) - 55;
        sum += quint32(digit) * weight;
        weight <<= 4;
    }
    if (negative)
        sum = 0u - sum;
    return qint32(sum);
}

QString FormatHexField(qint64 value, int width)
{
    const quint64 magnitude = value < 0 ? 0 - quint64(value) : quint64(value);
    QString text = HexText(magnitude);
    if (value < 0)
        text.prepend(QLatin1Char('-'));
    return RightAlign(text, width);
}

int HexFieldWidth(int bits)
{
    return bits == 8 ? 2 : bits == 16 ? 4 : 8;
}

quint32 PackValue(const unsigned char *pack, int pos, int bits)
{
    quint32 v = 0;
    for (int i = 0; i < bits / 8; ++i)
        v = (v << 8) | pack[pos + i];
    return v;
}

qint64 SignMagnitude(quint32 raw, int bits)
{
    const quint32 sign = bits == 8 ? 0x80u : bits == 16 ? 0x8000u : 0x80000000u;
    return (raw & sign) ? -qint64(raw - sign) : qint64(raw);
}

int FormatPackLine(const PackLine &line, char *out, int &valueStart)
{
    char *p = Put(out, " pack: ");
    char digits[20];
    int n = 0;
    quint64 index = line.index < 0 ? 0 : quint64(line.index);
    do {
        digits[n++] = char('0' + index % 10);
        index /= 10;
    } while (index);
    for (int pad = n; pad < 6; ++pad)
        *p++ = '0';
    while (n)
        *p++ = digits[--n];
    if (line.label != PackKind::Other) {
        p = Put(p, " [");
        p = Put(p, line.label == PackKind::Nav ? "nav" : line.label == PackKind::Aud ? "aud" : "vid");
        p = Put(p, "] ");
    }
    p = Put(p, " \tvalue @ ");
    p = PutHex(p, line.offset, 0, false);
    p = Put(p, " == ");
    valueStart = int(p - out);
    const quint64 magnitude = line.value < 0 ? 0 - quint64(line.value) : quint64(line.value);
    p = PutHex(p, magnitude, line.width, line.value < 0);
    return int(p - out);
}

QString InsufficientInputText()
{
    return QStringLiteral("Error: insufficient input");
}

QString PositionOutsidePackText()
{
    return QStringLiteral("Error: position outside the pack (0 to 7FF)");
}

int ProgressMaximum(qint64 totalPacks)
{
    return ProgressPosition(totalPacks, totalPacks);
}

int ProgressPosition(qint64 done, qint64 totalPacks)
{
    constexpr qint64 Limit = std::numeric_limits<int>::max();
    if (totalPacks <= 0 || done <= 0)
        return 0;
    const qint64 scale = totalPacks / Limit + 1;
    return int(qMin(done, totalPacks) / scale);
}

PackWalkOutcome WalkPacks(const PackWalkSetup &setup, const PackWalkHooks &hooks)
{
    PackWalkOutcome out;
    const int bits = setup.bits == 8 || setup.bits == 16 ? setup.bits : 32;
    const int size = bits / 8;
    QString name = setup.fileName;
    if (!QFileInfo(name).isFile())
        name.clear();
    const qint32 base = ParseHex(setup.offsetText);
    const int kindCount = int(setup.nav) + int(setup.aud) + int(setup.vid);
    if (base < 0 || name.isEmpty() || kindCount == 0) {
        out.result = PackWalkResult::BadInput;
        out.message = InsufficientInputText();
        return out;
    }
    const qint32 bytePos = setup.offsetIncText.isEmpty() ? -1 : ParseHex(setup.offsetIncText);
    // The offset byte can add up to 255, so that much room is needed for every pack.
    const qint64 reach = qint64(base) + size + (bytePos >= 0 ? 255 : 0);
    if (reach > VobPackSize || bytePos >= VobPackSize) {
        out.result = PackWalkResult::BadInput;
        out.message = PositionOutsidePackText();
        return out;
    }

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        out.result = PackWalkResult::OpenFailed;
        out.message = QStringLiteral("Cannot open \"%1\": %2").arg(name, file.errorString());
        return out;
    }
    auto emitLine = [&](const PackLogLine &line) {
        if (hooks.line)
            hooks.line(line);
    };
    emitLine({QStringLiteral("Test: \"%1\"").arg(name), {}, false});

    const qint64 total = file.size() / VobPackSize;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[ReadBlock]);
    qint64 have = 0;
    qint64 at = 0;
    qint64 previous = 0;
    const quint8 width = quint8(HexFieldWidth(bits));
    RangeBound low, high;
    for (;;) {
        if (hooks.beforePack)
            hooks.beforePack(out.packsRead, total);
        if (have - at < VobPackSize) {
            std::memmove(buffer.get(), buffer.get() + at, size_t(have - at));
            have = Fill(file, buffer.get(), have - at, ReadBlock);
            at = 0;
            if (have < VobPackSize)
                break;
        }
        const unsigned char *pack = buffer.get() + at;
        at += VobPackSize;
        const qint64 index = out.packsRead++;
        const PackWalkOptions o = hooks.options ? hooks.options() : PackWalkOptions{};
        const PackKind kind = PackKindOf(pack);
        if (KindChecked(kind, o)) {
            PackLine line;
            line.index = index;
            line.width = width;
            line.label = kindCount > 1 ? kind : PackKind::Other;
            line.offset = quint16(bytePos >= 0 ? base + pack[bytePos] : base);
            const quint32 raw = PackValue(pack, line.offset, bits);
            if (o.isSigned && o.diffs) {
                const qint64 v = SignMagnitude(raw, bits);
                line.value = v - previous;
                previous = v;
            } else if (o.isSigned) {
                line.value = SignMagnitude(raw, bits);
            } else {
                line.value = raw;
            }
            if (o.range && !o.range0.isEmpty() && !o.range1.isEmpty()) {
                // The value as its text reads back: wrapped to a signed 32-bit number.
                const qint32 v = qint32(quint32(quint64(line.value)));
                line.outOfRange = v < low.of(o.range0) || v > high.of(o.range1);
            }
            if (hooks.pack) {
                hooks.pack(line);
            } else {
                char text[PackLineMax];
                int valueStart = 0;
                const int length = FormatPackLine(line, text, valueStart);
                emitLine({QString::fromLatin1(text, length), QString::fromLatin1(text + valueStart, length - valueStart),
                          line.outOfRange});
            }
            ++out.linesLogged;
        }
        // Checked after every pack, so a file without a chosen kind can still be stopped.
        if (hooks.stopRequested && hooks.stopRequested()) {
            out.result = PackWalkResult::Stopped;
            break;
        }
    }
    emitLine({QString(), {}, false});
    return out;
}

} // namespace kbx
