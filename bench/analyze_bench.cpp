// analyze-bench: the Analyze page over a generated program stream of 2048-byte packs, with all three
// pack kinds checked so that every pack logs a line, timed from the press of Start until the run
// has ended and the log holds every line.
//
//   analyze-bench [SIZE_MIB]      (default 1024)
// The stream is written into a temporary folder (TMPDIR) that is deleted afterwards. Prints
// "ok seconds=S packs=N lines=N maxrss_kib=K base_rss_kib=K" and exits 0, or "error: ..." and exits 1.

#include "analyzer/analyzepage.h"
#include "ui/fileedit.h"
#include "ui/program.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace {

long maxRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One MiB of packs: a navigation pack, then video and audio packs, each with its number at 0x2C.
QByteArray packBlock(qint64 firstPack)
{
    constexpr int PackSize = 2048;
    constexpr int PacksPerBlock = 512;
    QByteArray block(PackSize * PacksPerBlock, '\0');
    for (int i = 0; i < PacksPerBlock; ++i) {
        char *p = block.data() + qsizetype(i) * PackSize;
        const quint32 code = i % 16 == 0 ? 0x1BB : i % 4 == 1 ? 0x1BD : 0x1E0;
        const quint32 number = quint32(firstPack + i);
        const unsigned char head[] = {0x00, 0x00, 0x01, 0xBA, 0x44, 0x00, 0x04, 0x00, 0x04, 0x01, 0x01, 0x89, 0xC3, 0xF8};
        for (int k = 0; k < 14; ++k)
            p[k] = char(head[k]);
        for (int k = 0; k < 4; ++k) {
            p[14 + k] = char(code >> (24 - 8 * k));
            p[0x2C + k] = char(number >> (24 - 8 * k));
        }
    }
    return block;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const qint64 sizeMib = argc > 1 ? std::atoll(argv[1]) : 1024;
    if (sizeMib < 1) {
        std::fprintf(stderr, "usage: analyze-bench [SIZE_MIB]\n");
        return 2;
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "error: cannot create a temporary folder\n");
        return 1;
    }
    // Profiles are looked up in the program folder; keep the real one out of the run.
    kbx::ProgramFolder::setPath(dir.path());
    const QString stream = dir.filePath(QStringLiteral("bench.vob"));
    {
        QFile f(stream);
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "error: cannot create %s\n", qPrintable(stream));
            return 1;
        }
        for (qint64 i = 0; i < sizeMib; ++i) {
            const QByteArray block = packBlock(i * 512);
            if (f.write(block) != block.size()) {
                std::fprintf(stderr, "error: cannot write %s: %s\n", qPrintable(stream), qPrintable(f.errorString()));
                return 1;
            }
        }
    }
    const qint64 packs = sizeMib * 512;

    kbx::TAnalyzeVOBFrame page;
    page.resize(640, 600);
    page.show();
    page.FrameCreate();
    page.ed_source->setText(stream);
    page.ed_offset->setText(QStringLiteral("2C"));
    page.type_32->setChecked(true);
    page.pack_nav->setChecked(true);
    page.pack_aud->setChecked(true);
    page.pack_vid->setChecked(true);
    QApplication::processEvents();
    const long baseRss = maxRssKib();

    QElapsedTimer clock;
    clock.start();
    page.btn_research->click();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;

    // The header line, one per pack and the empty line at the end.
    const qint64 shown = page.output->lineCount();
    const qint64 lines = page.log().lineCount() - 2;
    const QString last = page.log().line(lines);
    const QString expected = QStringLiteral(" pack: %1").arg(packs - 1, 6, 10, QLatin1Char('0'));
    if (lines != packs || shown != lines + 2 || !last.startsWith(expected)) {
        std::fprintf(stderr, "error: %lld lines for %lld packs, last \"%s\"\n", static_cast<long long>(lines),
                     static_cast<long long>(packs), qPrintable(last));
        return 1;
    }
    std::printf("ok seconds=%.3f packs=%lld lines=%lld maxrss_kib=%ld base_rss_kib=%ld\n", seconds,
                static_cast<long long>(packs), static_cast<long long>(lines), maxRssKib(), baseRss);
    return 0;
}
