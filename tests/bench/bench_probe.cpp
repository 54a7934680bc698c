// Runs the uninstall window exactly as the program does once the user has
// confirmed, and measures how long the GUI thread's event loop goes without
// turning: a 1 ms precise timer notes the largest gap between two of its
// ticks, from the window being shown until a moment after the run has ended
// (so the switch to the completion page is included). Prints one line:
//   max_stall_ms=... stall_at_ms=... running_stall_ms=... ticks=... run_ms=... left_items=...
// (stall_at_ms: when the longest stall ended; running_stall_ms: the longest
// one before the worker ended)
// With --idle MS the window is shown for that long without starting the run:
// the stalls the machine itself causes at the time, for comparison.
// Like the program, it must sit beside an AppConfig.xml with a registry entry
// staged for it; it removes what that entry names.

#include "app/application.h"
#include "config/appconfig.h"
#include "config/registrymgr.h"
#include "controls/varnel.h"
#include "ui/installingpage.h"
#include "ui/mainwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

using namespace appinstaller;

int main(int argc, char **argv)
{
    Application app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int idleAt = args.indexOf(QStringLiteral("--idle"));
    const int idleMs = idleAt > 0 && idleAt + 1 < args.size() ? args.at(idleAt + 1).toInt() : 0;
    QString styleSheet;
    Varnel::InitResource(QCoreApplication::applicationDirPath() + QStringLiteral("/rcc/guiresource.rcc"),
                         styleSheet, false);
    app.setStyleSheet(styleSheet);
    MainWindow window(nullptr);

    // The checks main() makes before it asks, so the same singletons exist.
    Base::CSingleton<AppConfig>::instance()->getProgramName();
    if (!Base::CSingleton<RegistryMgr>::instance()->isInstalled() && idleMs <= 0) {
        std::fprintf(stderr, "bench_probe: the product is not installed here\n");
        return 2;
    }

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 maxGap = 0;
    qint64 maxGapEnd = 0;
    // The same, counted only until the worker has ended.
    qint64 maxGapRunning = 0;
    qint64 ticks = 0;
    qint64 finishedAt = -1;

    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0 && now - last > maxGap) {
            maxGap = now - last;
            maxGapEnd = now;
        }
        if (last >= 0 && finishedAt < 0 && now - last > maxGapRunning)
            maxGapRunning = now - last;
        last = now;
        ++ticks;
    });

    auto *page = window.findChild<InstallingPage *>();
    if (!page) {
        std::fprintf(stderr, "bench_probe: no progress page in the window\n");
        return 2;
    }
    QObject::connect(page, &InstallingPage::signalunInstallFinished, &window, [&] {
        finishedAt = clock.nsecsElapsed();
        // Long enough for the completion page to be built and painted.
        QTimer::singleShot(300, &window, [&] {
            probe.stop();
            window.close();
        });
    });

    clock.start();
    probe.start();
    window.show();
    if (idleMs > 0) {
        QTimer::singleShot(idleMs, &window, [&] {
            probe.stop();
            window.close();
        });
    } else {
        window.onUninstall();
    }
    const int result = Application::exec();

    if (idleMs > 0)
        finishedAt = idleMs * 1000000LL;
    std::printf("max_stall_ms=%.2f stall_at_ms=%.1f running_stall_ms=%.2f ticks=%lld run_ms=%.1f "
                "left_items=%d\n",
                maxGap / 1e6, maxGapEnd / 1e6, maxGapRunning / 1e6, static_cast<long long>(ticks),
                finishedAt / 1e6,
                static_cast<int>(page->leftItems().size()));
    return result;
}
