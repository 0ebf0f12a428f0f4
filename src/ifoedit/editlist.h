#pragma once
// The Edit page's fixed actions and the text forms they are written in: edit numbers ("$82B", "-$10",
// "100"), edit lists ("$82B,-$10;") and file masks ("*.mpg;*.mpeg;*.vob").

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace kbx {

// One row of the action table. `anchor` is the offset where the edits expect an MPEG sequence
// header (00 00 01 B3), or -1 when they patch fixed offsets.
struct TIFOAction {
    const char *name;
    const char *masks;
    const char *edits;
    const char *description;
    qint64 anchor;
};

// A sequence header at offset 36 of the second 2048-byte pack.
constexpr qint64 SequenceHeaderOffset = 2048 + 36;

constexpr int IFOActionCount = 3;
const std::array<TIFOAction, IFOActionCount> &IFOActions();

// One edit: the byte (value mod 256) is written at offset; a negative value instead toggles the
// bits of (|value| mod 256) in the byte found there.
struct TEditEntry {
    int32_t offset = 0;
    int32_t value = 0;
    bool operator==(const TEditEntry &) const = default;
};

// "-$10" is -16, "$0c" is 12, "100" is 100. After "$" every character that is not a hex digit is
// skipped. nullopt (with the reason in `error`) for a malformed decimal number or a value outside
// the signed 32-bit range.
std::optional<int32_t> ParseEditNumber(const QString &text, QString *error = nullptr);

// A parsed edit list; `error` is empty when every entry was read.
struct TEditList {
    QList<TEditEntry> entries;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// "offset,value;offset,value;..."; the final ";" may be missing. A malformed entry, a bad number or
// a negative offset fails the whole list (no entries are returned then).
TEditList ParseEditList(const QString &text);

// Compares the way the listing and the selection do: equal strings match; otherwise a mask with a
// "*" matches names that begin with the part before it and end with the part after it. Both are
// compared as given, so callers pass lower-cased texts.
bool MaskMatch(const QString &mask, const QString &name);
// Whether `name` matches one of the ";"-separated `masks`, without regard to case.
bool MatchesAnyMask(const QString &masks, const QString &name);

} // namespace kbx
