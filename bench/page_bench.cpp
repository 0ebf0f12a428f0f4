// page-bench: one split started from the Files page of the real main window, the way a user starts
// it, timed from the press of Start until the page has shown its summary. run-bench.sh compares it
// with the same split through engine-run, so that what the page adds to a job stays visible.
//
//   page-bench INPUT MASK PART_SIZE [SLOTS]
// prints "ok seconds=S status=..." and exits 0, or "error: ..." and exits 1.

#include "fileproc/fileprocpage.h"
#include "ui/fileedit.h"
#include "shell/tform1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: page-bench INPUT MASK PART_SIZE [SLOTS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString mask = QString::fromLocal8Bit(argv[2]);
    const QString partSize = QString::fromLocal8Bit(argv[3]);
    const int slotCount = argc > 4 ? std::atoi(argv[4]) : 2;

    kbx::TForm1 form(nullptr, false);
    form.show();
    kbx::TFileProcPage *page = form.FilesPage();
    auto *output = page->findChild<kbx::TOxFileEdit *>(QStringLiteral("outputFName"));
    auto *length = page->findChild<QLineEdit *>(QStringLiteral("offLength"));
    auto *parallel = page->findChild<QSlider *>(QStringLiteral("parallel"));
    auto *status = page->findChild<QLabel *>(QStringLiteral("fpStatus"));
    if (!output || !length || !parallel || !status) {
        std::fprintf(stderr, "error: the Files page lacks a control this benchmark drives\n");
        return 1;
    }

    QMetaObject::invokeMethod(page, "splitRadioClick");
    page->OpenInputFile(input);
    parallel->setValue(slotCount);
    length->setText(partSize);
    output->setText(mask);
    page->RefreshFunction();

    QElapsedTimer clock;
    bool finished = false;
    double seconds = 0;
    // The clock stops when the summary is on the page: quitting closes the window, and what the window
    // does on closing is no part of the job.
    QObject::connect(page, &kbx::TFileProcPage::jobFinished, &app, [&] {
        seconds = double(clock.nsecsElapsed()) / 1e9;
        finished = true;
        app.quit();
    });
    QTimer::singleShot(0, page, [&] {
        clock.start();
        QMetaObject::invokeMethod(page, "startBtnClick");
        if (!page->IsBusy())
            app.quit();
    });
    app.exec();
    const QByteArray text = status->text().simplified().toLocal8Bit();
    if (!finished) {
        std::fprintf(stderr, "error: the job did not start: %s\n", text.constData());
        return 1;
    }
    if (!text.contains("completed")) {
        std::fprintf(stderr, "error: %s\n", text.constData());
        return 1;
    }
    std::printf("ok seconds=%.3f status=%s\n", seconds, text.constData());
    return 0;
}
