// startup-bench: the main window from the start of the process to its first paint, with the
// settings an earlier run left behind.
//
//   startup-bench --prepare   writes the settings of a finished earlier run (setup done, a language
//                             chosen), opens and closes the window once, and exits
//   startup-bench             opens the window and exits as soon as it has painted
// The start is KINBOX_START_US (microseconds since the epoch, taken by the caller right before it
// starts the program), or the start of main() without it. Settings go under XDG_CONFIG_HOME, which
// must name a folder the caller made for the purpose. Prints "ok seconds=S" followed by the phases
// in milliseconds and exits 0, or "error: ..." and exits 1.

#include "shell/tform1.h"
#include "ui/program.h"
#include "ui/registry.h"
#include "ui/translator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 nowUs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// Ends the run after the first paint of the window or any of its children; the queued call runs
// once the whole window has been painted and flushed.
class FirstPaint : public QObject
{
public:
    std::function<void()> painted;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted && watched->isWidgetType()) {
            auto fire = std::move(painted);
            painted = nullptr;
            QTimer::singleShot(0, this, fire);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    const qint64 mainUs = nowUs();
    const qint64 startUs = qEnvironmentVariableIsSet("KINBOX_START_US")
        ? qEnvironmentVariable("KINBOX_START_US").toLongLong() : mainUs;
    const bool prepare = argc > 1 && qstrcmp(argv[1], "--prepare") == 0;
    if (qEnvironmentVariable("XDG_CONFIG_HOME").isEmpty()) {
        std::fprintf(stderr, "error: set XDG_CONFIG_HOME to a folder of its own; the user's settings stay untouched\n");
        return 1;
    }

    QApplication app(argc, argv);
    const qint64 appUs = nowUs();
    kbx::CreateShellInstances();
    QApplication::setApplicationDisplayName(QStringLiteral("Kinbox"));
    kbx::TForm1::CloseAnimation = false;

    if (prepare) {
        kbx::TOxRegistry &registry = kbx::Registry();
        registry.WriteString(kbx::kSettingsSection, QStringLiteral("SetupDone"), QStringLiteral("1"));
        const bool german = QFileInfo::exists(kbx::ProgramFolderFile(QStringLiteral("deutsch.lng")));
        registry.WriteString(kbx::kSettingsSection, QStringLiteral("language"), german ? QStringLiteral("deutsch.lng") : QStringLiteral("default"));
        kbx::TForm1 window;
        QObject::connect(&window, &kbx::TForm1::startupFinished, &window, [&window] {
            QTimer::singleShot(0, &window, &QWidget::close);
        });
        window.show();
        app.exec();
        std::printf("ok prepared\n");
        return 0;
    }

    QElapsedTimer clock;
    clock.start();
    kbx::TForm1 window;
    const qint64 windowMs = clock.elapsed();
    qint64 startupMs = -1;
    QObject::connect(&window, &kbx::TForm1::startupFinished, &window, [&] { startupMs = clock.elapsed(); });
    FirstPaint watch;
    watch.painted = [&] {
        const qint64 paintedUs = nowUs();
        std::printf("ok seconds=%.3f to_main_ms=%.1f qapp_ms=%.1f window_ms=%lld startup_done_ms=%lld painted_ms=%lld\n",
                    double(paintedUs - startUs) / 1e6, double(mainUs - startUs) / 1e3, double(appUs - mainUs) / 1e3,
                    windowMs, startupMs, clock.elapsed());
        std::fflush(stdout);
        QCoreApplication::exit(0);
    };
    app.installEventFilter(&watch);
    window.show();
    QTimer::singleShot(20000, &app, [] {
        std::fprintf(stderr, "error: the window did not paint within 20 s\n");
        QCoreApplication::exit(1);
    });
    const int rc = app.exec();
    app.removeEventFilter(&watch);
    return rc;
}
