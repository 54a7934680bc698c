// Holds the lock file that Qt's settings take while writing an INI file, so
// an end-to-end test can keep the uninstaller's last step (clearing its
// registry entry) waiting while it looks at the running program.
//
//   e2e_lockhold FILE.lock    prints "locked" once held; releases on end of input

#include <QCoreApplication>
#include <QFile>
#include <QLockFile>
#include <QTextStream>

#include <cstdio>
#include <thread>
#include <utime.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: e2e_lockhold FILE.lock\n");
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    QLockFile lock(path);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(30000)) {
        std::fprintf(stderr, "e2e_lockhold: cannot lock %s (error %d)\n", argv[1],
                     int(lock.error()));
        return 1;
    }
    std::printf("locked\n");
    std::fflush(stdout);

    // Waiters treat a lock older than their stale time (30 s for settings) as
    // abandoned; keep it fresh while we hold it.
    bool done = false;
    std::thread refresher([&done, &argv] {
        while (!done) {
            utime(argv[1], nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    });
    while (std::fgetc(stdin) != EOF) {
    }
    done = true;
    refresher.join();
    lock.unlock();
    return 0;
}
