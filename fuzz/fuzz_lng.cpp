// Arbitrary bytes as a language file: Windows-1252 decoding, line splitting, entry parsing, and a
// translation through the dictionary that was read.

#include "ui/codepage.h"
#include "ui/translator.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

// Each entry can multiply the text's length by its translation's length (a later entry also
// replaces words inside earlier translations), so translate only where that product stays small.
bool translationStaysSmall(const kbx::TTranslator &translator, qsizetype textSize)
{
    double bound = double(textSize);
    for (const QString &translation : translator.Translations()) {
        bound *= double(qMax<qsizetype>(1, translation.size()));
        if (bound > 65536)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // One character per byte, and every byte comes back unchanged.
    const QString text = kbx::DecodeWindows1252(bytes);
    check(text.size() == bytes.size());
    check(kbx::EncodeWindows1252(text) == bytes);

    kbx::TTranslator translator;
    translator.LoadFromText(text);
    check(translator.SourceTexts().size() == translator.Translations().size());
    for (const QString &source : translator.SourceTexts())
        check(!source.contains(QLatin1Char('\r')) && !source.contains(QLatin1Char('\n')));

    const QString sample = text.left(64);
    if (translationStaysSmall(translator, sample.size())) {
        translator.Translate(sample);
        for (const QString &source : translator.SourceTexts())
            translator.Translate(source);
    }
    return 0;
}
