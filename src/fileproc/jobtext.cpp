#include "fileproc/jobtext.h"

#include "fileproc/offsets.h"

namespace kbx {

namespace {

const QString Quote = QStringLiteral("\"");

double ratio(qint64 part, qint64 whole)
{
    return whole > 0 ? double(part) / double(whole) : 0.0;
}

} // namespace

QString JobDescription(FileFunction function, const JobFacts &facts, const TextLookup &translate)
{
    auto tr = [&translate](const char *word) { return Translated(translate, QString::fromLatin1(word)); };
    auto offset = [&facts](qint64 value) { return OffsetText(value, facts.alignUnit, facts.hex, facts.unitText); };
    const QString in = FileNamePart(facts.input);
    const QString out = FileNamePart(facts.output);
    // "1 part", "1 file": the count decides the noun, so that the sentence reads right in every language.
    const QString parts = QString::number(facts.parts) + (facts.parts == 1 ? " part" : " parts");
    const QString entries = QString::number(facts.entries) + (facts.entries == 1 ? " file" : " files");

    // Truncate and clone are joined from words translated one by one; the other sentences are
    // translated whole.
    switch (function) {
    case FileFunction::Truncate: {
        const QString truncate = tr("Truncate");
        const QString at = tr("at");
        return truncate + " " + Quote + in + Quote + " " + at + " " + offset(facts.end) + ". ";
    }
    case FileFunction::Clone: {
        const QString clone = tr("Clone");
        const QString from = tr("from");
        const QString to = tr("to");
        const QString lengthIs = tr("length is");
        return clone + " " + offset(facts.start) + " - " + offset(facts.end) + " " + from + " " + Quote + in + Quote
            + " " + to + " " + Quote + out + Quote + " (" + lengthIs + " " + offset(facts.length) + ").";
    }
    case FileFunction::Split:
        return Translated(translate, "Split " + Quote + in + Quote + " into " + parts + " named " + Quote + out
                                         + Quote + ", each " + offset(facts.length) + " long.");
    case FileFunction::Merge:
        return Translated(translate, "Merge " + entries + " into " + Quote + out + Quote + " (length is "
                                         + offset(facts.total) + ").");
    case FileFunction::MergeSplit:
        return Translated(translate, "Merge " + entries + " (" + offset(facts.total) + ") and split into "
                                         + parts + " named " + Quote + out + Quote + ", each "
                                         + offset(facts.length) + " long.");
    case FileFunction::Crc:
        return Translated(translate, "Compute CRC checksum from file " + Quote + in + Quote + ".");
    }
    return QString();
}

QString MissingParametersText(FileFunction function, const TextLookup &translate)
{
    const char *text = "";
    switch (function) {
    case FileFunction::Truncate:
        text = "Required parameters for truncate: input file name, output length";
        break;
    case FileFunction::Clone:
        text = "Required parameters for clone: input file name, output file name, starting offset, output length";
        break;
    case FileFunction::Split:
        text = "Required parameters for split: input file name, output file name with wildcards (?), part length";
        break;
    case FileFunction::Merge:
        text = "Required parameters for merge: input files, output file name";
        break;
    case FileFunction::MergeSplit:
        text = "Required parameters for merge&split: input files, output file name with wildcards (?), part length";
        break;
    case FileFunction::Crc:
        text = "Required parameters for CRC computation: input file name";
        break;
    }
    return Translated(translate, QString::fromLatin1(text));
}

qint64 ReadBytes(const JobCounters &counters)
{
    return counters.readerTotal - counters.readerRemaining;
}

ProgressFigures ComputeProgress(FileFunction function, const JobCounters &counters, qint32 jobTicks)
{
    ProgressFigures p;
    p.read = ReadBytes(counters);
    p.done = function == FileFunction::Crc ? counters.readerTotal - counters.checksumRemaining
                                           : counters.writerTotal - counters.writerRemaining;
    if (p.done == 0)
        p.done = 1;
    p.writePercent = ratio(p.done, counters.writerTotal) * 100;
    p.readPercent = ratio(p.read, counters.readerTotal) * 100;
    p.mark = int(Nearest((p.writePercent + p.readPercent) / 2 * 10));
    p.barWidth = int(Nearest(ratio(p.done, counters.writerTotal) * 317));
    p.percent = int(Nearest(p.mark / 10.0));
    p.seconds = jobTicks * 0.33;
    p.elapsed = qint32(qint64(jobTicks) * 330 / 1000);
    if (p.percent >= 1 && p.writePercent > 0)
        p.left = qint32(IntegerPart(p.seconds / p.writePercent * (100 - p.writePercent)));
    return p;
}

QString CountersText(FileFunction function, qint32 fileIndex, qint32 partNumber, const TextLookup &translate)
{
    QString text;
    if (IsMergeFunction(function))
        text = QString::number(fileIndex) + " "
            + Translated(translate, fileIndex == 1 ? QStringLiteral("file read") : QStringLiteral("files read"));
    if (function == FileFunction::MergeSplit)
        text += QStringLiteral(", ");
    if (IsSplitFunction(function))
        text += QString::number(partNumber - 1) + " "
            + Translated(translate, partNumber - 1 == 1 ? QStringLiteral("file written") : QStringLiteral("files written"));
    return text;
}

QString ProgressText(FileFunction function, const JobCounters &counters, const ProgressFigures &figures,
                     const TextLookup &translate)
{
    auto tr = [&translate](const char *word) { return Translated(translate, QString::fromLatin1(word)); };
    QString text = CountersText(function, counters.fileIndex, counters.partNumber, translate);
    if (!text.isEmpty())
        text += QStringLiteral(", ");
    const QString speedIs = tr("speed is");
    const QString passed = tr("passed");
    const QString left = tr("left");
    const QString done = tr("done");
    text += speedIs + " " + SpeedText(figures.read, figures.seconds) + " MB/s, " + MinSecText(figures.elapsed)
        + " min " + passed + ", " + MinSecText(figures.left) + " min " + left;
    return QString::number(figures.percent) + "% " + done + ", " + text;
}

QString InitializingText(const TextLookup &translate)
{
    return Translated(translate, QStringLiteral("Initializing")) + QStringLiteral("...");
}

QString PausedText(const TextLookup &translate)
{
    return Translated(translate, QStringLiteral("Process paused")) + QStringLiteral("...");
}

QString WorkingText(const TextLookup &translate)
{
    return Translated(translate, QStringLiteral("Working")) + QStringLiteral("...");
}

qint32 WholeSeconds(std::chrono::nanoseconds duration)
{
    return qint32(std::chrono::duration_cast<std::chrono::seconds>(duration).count());
}

QString SummaryText(FileFunction function, const JobCounters &counters, std::chrono::nanoseconds duration,
                    bool showCrc, quint32 crc, const TextLookup &translate)
{
    const double seconds = std::chrono::duration<double>(duration).count();
    QString text = CountersText(function, counters.fileIndex, counters.partNumber, translate);
    if (!text.isEmpty())
        text += QStringLiteral(", ");
    text += Translated(translate, QStringLiteral("completed in")) + " " + MinSecText(WholeSeconds(duration)) + " min ("
        + SpeedText(counters.readerTotal, seconds) + " MB/s)";
    if (showCrc)
        text += ", CRC32: " + PadLeft(HexText(crc), 8, QLatin1Char('0'));
    return text;
}

} // namespace kbx
