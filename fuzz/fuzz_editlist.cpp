// Arbitrary text as an edit list, an edit number and a mask. Nothing may crash or overflow; a list
// that parses must come back the same from its decimal form, and a failed one must say why.

#include "ifoedit/editlist.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace kbx;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const TEditList list = ParseEditList(text);
    if (list.ok()) {
        QString again;
        for (const TEditEntry &entry : list.entries) {
            if (entry.offset < 0)
                std::abort();
            again += QString::number(entry.offset) + QLatin1Char(',') + QString::number(entry.value)
                     + QLatin1Char(';');
        }
        if (ParseEditList(again).entries != list.entries)
            std::abort();
    } else if (!list.entries.isEmpty()) {
        std::abort();
    }

    QString why;
    const auto number = ParseEditNumber(text, &why);
    if (!number && why.isEmpty())
        std::abort();
    if (number && ParseEditNumber(QString::number(*number)) != number)
        std::abort();

    // The first line as a mask, the rest as a name.
    const qsizetype cut = text.indexOf(QLatin1Char('\n'));
    if (cut >= 0) {
        const QString mask = text.left(cut);
        const QString name = text.mid(cut + 1);
        const bool matched = MaskMatch(mask, name);
        if (mask == name && !matched)
            std::abort();
        MatchesAnyMask(mask, name);
    }
    return 0;
}
