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

    // Every input is translated, those whose entries feed each other too: their work is bounded per
    // text, and an input that is slow anyway is what the fuzzer's time-out is there to find.
    const QString sample = text.left(64);
    translator.Translate(sample);
    const qsizetype sources = qMin<qsizetype>(translator.SourceTexts().size(), 16);
    for (qsizetype i = 0; i < sources; ++i)
        translator.Translate(translator.SourceTexts().at(i));
    return 0;
}
