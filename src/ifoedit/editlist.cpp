#include "ifoedit/editlist.h"

#include <limits>

namespace kbx {

const std::array<TIFOAction, IFOActionCount> &IFOActions()
{
    static const std::array<TIFOAction, IFOActionCount> actions = {{
        {"adjust DVB bitrate", "*.mpg;*.mpeg;*.vob", "$82C,$13;$82D,$88;$82E,$23",
         "makes files from digital TV DVD compatible", SequenceHeaderOffset},
        {"toggle 16:9 aspect [MPEG]", "*.mpg;*.mpeg;*.vob", "$82B,-$10",
         "switches between 4:3 and 16:9 aspect ratio in VOB and MPEG", SequenceHeaderOffset},
        {"toggle 16:9 aspect [IFO]", "*.ifo", "$200,-$0C",
         "switches between 4:3 and 16:9 aspect ratio in IFO files", -1},
    }};
    return actions;
}

namespace {

constexpr qint64 Int32Min = std::numeric_limits<int32_t>::min();
constexpr qint64 Int32Max = std::numeric_limits<int32_t>::max();

std::optional<int32_t> fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Read from the last character to the first; the weight only grows with a digit, so "$1_0" is 16.
std::optional<qint64> hexMagnitude(QStringView digits)
{
    qint64 value = 0;
    qint64 weight = 1;
    bool weightTooBig = false;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        const int digit = hexDigit(digits[i]);
        if (digit < 0)
            continue;
        if (digit != 0) {
            if (weightTooBig)
                return std::nullopt;
            value += digit * weight;
            if (value > Int32Max + 1)
                return std::nullopt;
        }
        if (!weightTooBig) {
            weight *= 16;
            weightTooBig = weight > Int32Max + 1;
        }
    }
    return value;
}

// An optional sign, then decimal digits only.
std::optional<qint64> decimalValue(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'+' || text[0] == u'-')) {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i >= text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < '0' || u > '9')
            return std::nullopt;
        value = value * 10 + (u - '0');
        if (value > Int32Max + 1)
            return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace

std::optional<int32_t> ParseEditNumber(const QString &text, QString *error)
{
    const QString work = text.trimmed().toUpper();
    QStringView rest(work);
    bool negative = false;
    if (rest.startsWith(u'-')) {
        negative = true;
        rest = rest.mid(1);
    }
    std::optional<qint64> value;
    if (rest.startsWith(u'$')) {
        value = hexMagnitude(rest.mid(1));
        if (!value)
            return fail(error, QStringLiteral("\"%1\" is out of range").arg(text.trimmed()));
    } else {
        value = decimalValue(rest);
        if (!value)
            return fail(error, QStringLiteral("\"%1\" is not a valid integer value").arg(text.trimmed()));
    }
    const qint64 result = negative ? -*value : *value;
    if (result < Int32Min || result > Int32Max)
        return fail(error, QStringLiteral("\"%1\" is out of range").arg(text.trimmed()));
    return int32_t(result);
}

TEditList ParseEditList(const QString &text)
{
    TEditList list;
    QString rest = text.trimmed();
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf(u';');
        const QString entry = end < 0 ? rest : rest.left(end);
        rest = end < 0 ? QString() : rest.mid(end + 1).trimmed();
        const qsizetype comma = entry.indexOf(u',');
        if (comma < 0) {
            list.error = QStringLiteral("edit \"%1\" has no \",\"").arg(entry);
            break;
        }
        QString why;
        const auto offset = ParseEditNumber(entry.left(comma), &why);
        const auto value = offset ? ParseEditNumber(entry.mid(comma + 1), &why) : std::nullopt;
        if (!offset || !value) {
            list.error = why;
            break;
        }
        if (*offset < 0) {
            list.error = QStringLiteral("edit \"%1\" has a negative offset").arg(entry);
            break;
        }
        list.entries.append({*offset, *value});
    }
    if (!list.ok())
        list.entries.clear();
    return list;
}

bool MaskMatch(const QString &mask, const QString &name)
{
    if (mask == name)
        return true;
    const qsizetype star = mask.indexOf(u'*');
    if (star < 0)
        return false;
    const QStringView prefix = QStringView(mask).left(star);
    const QStringView suffix = QStringView(mask).mid(star + 1);
    // Without this a name shorter than prefix and suffix together could match both with one overlap.
    if (name.size() < prefix.size() + suffix.size())
        return false;
    return name.startsWith(prefix) && name.endsWith(suffix);
}

bool MatchesAnyMask(const QString &masks, const QString &name)
{
    const QString lowered = name.toLower();
    const QStringList list = masks.toLower().split(u';', Qt::SkipEmptyParts);
    for (const QString &mask : list) {
        if (MaskMatch(mask.trimmed(), lowered))
            return true;
    }
    return false;
}

} // namespace kbx
