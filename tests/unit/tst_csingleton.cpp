#include "base/csingleton.h"

#include "programcopy.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QAtomicInt constructions;

class Slow
{
public:
    Slow()
    {
        constructions.ref();
        // Widens the window in which racing threads could create a second one.
        QThread::msleep(50);
    }
};

// Write their destruction to stdout, to show the order at process exit.
class First
{
public:
    ~First() { std::printf("~First\n"); std::fflush(stdout); }
};
class Second
{
public:
    ~Second() { std::printf("~Second\n"); std::fflush(stdout); }
};

} // namespace

class tst_CSingleton : public QObject
{
    Q_OBJECT

private slots:
    void oneInstanceAcrossRacingThreads();
    void destroyedAfterMainInReverseOrder();
};

void tst_CSingleton::oneInstanceAcrossRacingThreads()
{
    constexpr int threadCount = 8;
    std::vector<Slow *> seen(threadCount, nullptr);
    QAtomicInt ready;
    std::vector<QThread *> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.push_back(QThread::create([&seen, &ready, i] {
            ready.ref();
            while (ready.loadAcquire() < threadCount) {
            }
            seen[i] = Base::CSingleton<Slow>::instance();
        }));
        threads.back()->start();
    }
    for (QThread *thread : threads) {
        QVERIFY(thread->wait(10000));
        delete thread;
    }
    QCOMPARE(constructions.loadAcquire(), 1);
    for (Slow *instance : seen)
        QCOMPARE(instance, seen.front());
    QCOMPARE(Base::CSingleton<Slow>::instance(), seen.front());
    QCOMPARE(constructions.loadAcquire(), 1);
}

void tst_CSingleton::destroyedAfterMainInReverseOrder()
{
    ProgramCopy copy;
    QVERIFY(copy.isValid());
    const ProgramCopy::Result result = copy.run({QStringLiteral("--exit-order")});
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, QByteArray("main returns\n~Second\n~First\n"));
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--exit-order") == 0) {
        Base::CSingleton<First>::instance();
        Base::CSingleton<Second>::instance();
        std::printf("main returns\n");
        std::fflush(stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);
    tst_CSingleton test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_csingleton.moc"
