#pragma once
#include <QByteArray>
#include <QString>

namespace kbx {

// Decodes single-byte Windows-1252 text (the code page the language and help files are written in).
// The five codes Windows-1252 leaves undefined map to the control characters of the same number,
// as Windows itself decodes them.
QString DecodeWindows1252(const QByteArray &bytes);

// Encodes to Windows-1252; characters it cannot hold become "?".
QByteArray EncodeWindows1252(const QString &text);

} // namespace kbx
