#pragma once
// Small texts and the rounding shared by the Files page and the bitrate calculator.

#include <QChar>
#include <QString>

#include <functional>

namespace kbx {

// The translator's lookup; an empty function leaves texts as they are.
using TextLookup = std::function<QString(const QString &)>;
QString Translated(const TextLookup &translate, const QString &text);

// x rounded to the nearest integer, an exact half going to the even neighbour. Values that are
// not finite give 0; values beyond the 64-bit range are clamped to it.
qint64 Nearest(double x);
// The integer part of x (toward zero), with Nearest's handling of non-finite and huge values.
qint64 IntegerPart(double x);

// `character` put in front of `text` until it is `width` long; longer texts stay as they are.
QString PadLeft(const QString &text, int width, QChar character);
QString RightAlign(const QString &text, int width);
// "mm:ss", minutes not wrapped into hours: 125 gives "02:05", 3725 gives "62:05".
QString MinSecText(qint32 seconds);
// Upper-case hexadecimal without leading zeros; "0" for zero.
QString HexText(quint64 value);
// Hundredths of MiB per second as "m.hh", right-aligned to 4 characters: "0.00", "12.34".
QString SpeedText(qint64 bytes, double seconds);

} // namespace kbx
