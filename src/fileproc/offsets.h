#pragma once
// The arithmetic of the "Offsets" box: reading the fields, keeping start, length and end
// consistent, stepping, aligning, and the display text of an offset.

#include "common/textfuncs.h"

#include <QString>

namespace kbx {

constexpr qint64 KiloByte = 1024;
constexpr qint64 MegaByte = 1048576;

// Which limit a field has: `offLength` 1..MaxSize, `offStart`/`offEnd` up to MaxSize − 1,
// anything else none.
enum class OffsetField { Length, StartOrEnd, Other };

struct OffsetRead
{
    qint64 value = 0;
    QString text;         // what the field holds afterwards
    bool changed = false; // write `text` back and move the caret by caretShift (not before 0)
    int caretShift = 0;
};

// Reads a field's text: only its digits count, an empty length is 1, values are limited. The text
// is written back when it held more than the digits or the value reached the limit.
OffsetRead ReadOffsetValue(const QString &text, OffsetField field, qint64 maxSize);

struct OffsetRange
{
    qint64 start = 0;
    qint64 length = 0;
    qint64 end = 0;
    int sliderPosition = 0; // of the slider that belongs to the changed field, 0..100
};

// After `offStart` changed: the length shrinks so that the range ends at the last byte.
OffsetRange StartChanged(qint64 start, qint64 length, qint64 maxSize);
// After `offLength` changed: the range moves left so that it ends at the last byte.
OffsetRange LengthChanged(qint64 start, qint64 length, qint64 maxSize);
// The value a slider moved by hand writes into its field.
qint64 SliderValue(qint64 maxSize, int position);

// The step of button pair 1, 2 or 3 (left to right): 100, 10 or 1 alignment units.
qint64 StepSize(int pair, qint64 alignUnit);
// A step applied to a field's value; a decrement below 0 gives 0.
qint64 StepOffset(qint64 value, qint64 step);
// The multiply buttons: the value taken as a count of alignment units.
qint64 MultiplyOffset(qint64 value, qint64 alignUnit);

// "B", "KB" or "MB", chosen by a size: MB from 10 MiB, KB from 10 KiB.
QString UnitBySize(qint64 size);
// The alignment unit of an `offMode` text: 1048576 for "MB", 1024 for "KB", 1 for anything else.
qint64 AlignUnitOf(const QString &unitText);

// The unit the align action uses: with the DVD button down the alignment unit when it is a whole
// multiple of the pack size, otherwise the pack size.
qint64 AlignActionUnit(qint64 alignUnit, bool dvdButtonDown, qint64 packSize);
// `value` rounded to the unit; when that passes `maxSize`, rounded down instead.
qint64 AlignOffset(qint64 value, qint64 unit, qint64 maxSize);
// The DVD button's hint after aligning.
QString AlignHintText(qint64 unit, const TextLookup &translate = {});

// An offset for the job descriptions: bytes, or tenths (sixteenths in hex) of the unit, followed
// by the unit's text: "5.5 MB", "5.8h MB", "0.5 MB", "07 B".
QString OffsetText(qint64 value, qint64 alignUnit, bool hex, const QString &unitText);

// The number a `pm_Parts` caption starts with ("1 part", "&3 parts"); 0 without one.
int PartsMenuNumber(const QString &caption);
// The part length the parts menu sets for n parts.
qint64 PartsMenuLength(int parts, qint64 maxSize);

// What the last four characters of an input's name say about it.
enum class InputKind { Avi, Mpeg, Other };
InputKind InputKindOf(const QString &fileName);
// The DVD button's caption: "AVI", "DVD" (pack kind 1), "VCD" (2), "MPG" or "???".
QString FileTypeCaption(InputKind kind, int mpegKind);

} // namespace kbx
