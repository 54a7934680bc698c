#include "engine/treeremover.h"

#include "treelisting.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <QtTest>

#include <sys/resource.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

using appinstaller::TreeRemover;

Q_DECLARE_METATYPE(TreeRemover::Method)

namespace {

// Builds a layout below root. Each line is one entry:
//   "a/b/"         folder
//   "a/f"          file (with content)
//   "a/f=ro"       read-only file
//   "a/f=locked"   immutable file (chattr +i)
//   "a/d/=locked"  immutable empty folder
//   "a/l->target"  symbolic link ("@" in target stands for root)
//   "a/p=fifo"     named pipe
// Parent folders are created as needed.
class Layout
{
public:
    explicit Layout(const QString &root)
        : m_root(root)
    {
    }

    bool build(const QStringList &lines)
    {
        for (const QString &line : lines) {
            if (!add(line))
                return false;
        }
        return true;
    }

    // Clears every immutable flag it set, so the fixture can be removed.
    void unlock()
    {
        for (const QString &path : qAsConst(m_locked))
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), path});
        m_locked.clear();
    }

    bool lockFailed() const { return m_lockFailed; }

private:
    bool add(const QString &line)
    {
        const int arrow = line.indexOf(QLatin1String("->"));
        if (arrow > 0) {
            const QString link = m_root + QLatin1Char('/') + line.left(arrow);
            QString target = line.mid(arrow + 2);
            target.replace(QLatin1Char('@'), m_root);
            return QDir().mkpath(QFileInfo(link).path())
                   && QFile::link(target, link);
        }
        QString name = line;
        QString attribute;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = line.left(eq);
            attribute = line.mid(eq + 1);
        }
        const QString path = m_root + QLatin1Char('/') + name;
        if (name.endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(path))
                return false;
        } else {
            if (!QDir().mkpath(QFileInfo(path).path()))
                return false;
            if (attribute == QLatin1String("fifo")) {
                if (::mkfifo(QFile::encodeName(path).constData(), 0644) != 0)
                    return false;
            } else {
                QFile file(path);
                if (!file.open(QIODevice::WriteOnly) || file.write("content\n") != 8)
                    return false;
            }
        }
        if (attribute == QLatin1String("ro"))
            return QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (attribute == QLatin1String("locked")) {
            QProcess chattr;
            chattr.start(QStringLiteral("chattr"), {QStringLiteral("+i"), path});
            if (!chattr.waitForFinished() || chattr.exitStatus() != QProcess::NormalExit
                || chattr.exitCode() != 0) {
                m_lockFailed = true;
                return false;
            }
            m_locked.append(path);
        }
        return true;
    }

    QString m_root;
    QStringList m_locked;
    bool m_lockFailed = false;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Sentinels beside the tree that a removal must never reach.
const QStringList kOutside = {
    QStringLiteral("outside/"), QStringLiteral("outside/keep"),
    QStringLiteral("outside/sub/"), QStringLiteral("outside/sub/deep"),
};

// Bench mode: removes the given folders and prints how many entries stayed.
int removeForBench(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qint64 failures = 0;
    for (int i = 2; i < argc; ++i) {
        TreeRemover remover;
        if (!remover.remove(QFile::decodeName(argv[i])))
            failures += qMax<qint64>(1, remover.failureCount());
    }
    if (failures)
        QTextStream(stderr) << failures << " entries not removed\n";
    return failures ? 1 : 0;
}

} // namespace

class tst_TreeRemover : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void removesTree_data();
    void removesTree();
    void failuresAreBounded_data();
    void failuresAreBounded();
    void deepTree_data();
    void deepTree();
    void deeperThanTheOpenFileLimit();
    void undecodableNames();

private:
    void addMethods(const char *name, const QStringList &layout, const QString &target,
                    const QStringList &remaining, bool result, const QStringList &failed = {},
                    bool needsLock = false);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Layout> m_layout;
};

void tst_TreeRemover::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_layout = std::make_unique<Layout>(m_dir->path());
    QVERIFY(m_layout->build({QStringLiteral("outside/keep"), QStringLiteral("outside/sub/deep")}));
}

void tst_TreeRemover::cleanup()
{
    if (m_layout)
        m_layout->unlock();
    m_layout.reset();
    m_dir.reset();
}

void tst_TreeRemover::addMethods(const char *name, const QStringList &layout, const QString &target,
                                 const QStringList &remaining, bool result,
                                 const QStringList &failed, bool needsLock)
{
    const struct
    {
        const char *suffix;
        TreeRemover::Method method;
    } methods[] = {{"native", TreeRemover::Method::Native}, {"portable", TreeRemover::Method::Portable}};
    for (const auto &m : methods) {
        QTest::addRow("%s/%s", name, m.suffix)
            << m.method << layout << target << sorted(kOutside + remaining) << result << failed
            << needsLock;
    }
}

void tst_TreeRemover::removesTree_data()
{
    QTest::addColumn<TreeRemover::Method>("method");
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<bool>("needsLock");

    const QStringList nested = {
        "tree/a/b/c/file", "tree/a/b/other", "tree/a/x", "tree/.hidden", "tree/.dir/inner",
        "tree/empty/", "tree/with space/and\nnewline", "tree/pipe=fifo",
    };
    addMethods("nested tree", nested, "tree", {}, true);
    addMethods("trailing slash", nested, "tree/", {}, true);
    addMethods("read-only entries", {"tree/ro=ro", "tree/sub/ro2=ro", "tree/sub/rw"}, "tree", {}, true);
    addMethods("link inside to a folder outside", {"tree/a/file", "tree/a/link->@/outside"}, "tree",
               {}, true);
    addMethods("link inside to a file outside", {"tree/flink->@/outside/keep", "tree/x"}, "tree", {},
               true);
    addMethods("relative link inside", {"tree/rel->../outside", "tree/x"}, "tree", {}, true);
    addMethods("dangling link inside", {"tree/dangling->@/nowhere", "tree/x"}, "tree", {}, true);
    addMethods("top is a link to a folder outside", {"link->@/outside"}, "link", {}, true);
    addMethods("top is a link, given with a slash", {"link->@/outside"}, "link/", {}, true);
    addMethods("top is a dangling link", {"link->@/nowhere"}, "link", {}, true);
    addMethods("top is a file", {"file", "tree/keep"}, "file", {"tree/", "tree/keep"}, true);
    addMethods("missing", {"tree/keep"}, "missing", {"tree/", "tree/keep"}, true);
    addMethods("missing below a file", {"file"}, "file/missing", {"file"}, true);

    addMethods("immutable file", {"tree/a/locked=locked", "tree/a/other", "tree/b/x", "tree/c"},
               "tree", {"tree/", "tree/a/", "tree/a/locked"}, false, {"tree/a/locked"}, true);
    addMethods("immutable empty folder", {"tree/a/held/=locked", "tree/a/other", "tree/b"}, "tree",
               {"tree/", "tree/a/", "tree/a/held/"}, false, {"tree/a/held"}, true);
    addMethods("immutable top file", {"locked=locked"}, "locked", {"locked"}, false, {"locked"},
               true);
}

void tst_TreeRemover::removesTree()
{
    QFETCH(TreeRemover::Method, method);
    QFETCH(QStringList, layout);
    QFETCH(QString, target);
    QFETCH(QStringList, remaining);
    QFETCH(bool, result);
    QFETCH(QStringList, failed);
    QFETCH(bool, needsLock);

    if (!m_layout->build(layout)) {
        if (needsLock && m_layout->lockFailed())
            QSKIP("chattr +i is not available here (needs root and a supporting file system)");
        QFAIL("could not build the layout");
    }

    const QString root = m_dir->path();
    TreeRemover remover(method);
    QCOMPARE(remover.remove(root + QLatin1Char('/') + target), result);
    QCOMPARE(treeListing(root), remaining);

    QStringList expectedFailed;
    for (const QString &entry : qAsConst(failed))
        expectedFailed.append(root + QLatin1Char('/') + entry);
    QCOMPARE(remover.failedEntries(), expectedFailed);
    QCOMPARE(remover.failureCount(), qint64(failed.size()));
}

void tst_TreeRemover::failuresAreBounded_data()
{
    QTest::addColumn<TreeRemover::Method>("method");
    QTest::newRow("native") << TreeRemover::Method::Native;
    QTest::newRow("portable") << TreeRemover::Method::Portable;
}

void tst_TreeRemover::failuresAreBounded()
{
    QFETCH(TreeRemover::Method, method);
    QStringList layout;
    for (int i = 0; i < 8; ++i)
        layout << QStringLiteral("tree/d%1/locked=locked").arg(i) << QStringLiteral("tree/d%1/free").arg(i);
    if (!m_layout->build(layout)) {
        if (m_layout->lockFailed())
            QSKIP("chattr +i is not available here (needs root and a supporting file system)");
        QFAIL("could not build the layout");
    }

    TreeRemover remover(method, 3);
    QVERIFY(!remover.remove(m_dir->path() + QStringLiteral("/tree")));
    QCOMPARE(remover.failureCount(), qint64(8));
    QCOMPARE(remover.failedEntries().size(), 3);
    for (const QString &entry : remover.failedEntries())
        QVERIFY2(entry.endsWith(QLatin1String("/locked")), qPrintable(entry));
    // Everything that could go went.
    const QStringList left = treeListing(m_dir->path());
    QCOMPARE(left.filter(QStringLiteral("free")), QStringList());
    QCOMPARE(left.filter(QStringLiteral("/locked")).size(), 8);
}

void tst_TreeRemover::deepTree_data()
{
    failuresAreBounded_data();
}

void tst_TreeRemover::deepTree()
{
    QFETCH(TreeRemover::Method, method);
    QString path = QStringLiteral("tree");
    for (int i = 0; i < 120; ++i)
        path += QStringLiteral("/level%1").arg(i);
    QVERIFY(m_layout->build({path + QStringLiteral("/leaf"), QStringLiteral("tree/side/link->@/outside")}));

    TreeRemover remover(method);
    QVERIFY(remover.remove(m_dir->path() + QStringLiteral("/tree")));
    QCOMPARE(treeListing(m_dir->path()), kOutside);
}

void tst_TreeRemover::deeperThanTheOpenFileLimit()
{
    // One descriptor is open per level: a tree deeper than the soft limit
    // still goes when the system allows more.
    struct rlimit saved;
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
    constexpr int levels = 200;
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < rlim_t(levels + 64))
        QSKIP("the hard limit of open files is too low for this case");
    struct rlimit low = saved;
    low.rlim_cur = 64;
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);

    QString path = QStringLiteral("tree");
    for (int i = 0; i < levels; ++i)
        path += QStringLiteral("/l%1").arg(i);
    const bool built = m_layout->build({path + QStringLiteral("/leaf")});
    TreeRemover remover(TreeRemover::Method::Native);
    const bool removed = built && remover.remove(m_dir->path() + QStringLiteral("/tree"));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    QVERIFY(built);
    QVERIFY(removed);
    QCOMPARE(treeListing(m_dir->path()), kOutside);
}

void tst_TreeRemover::undecodableNames()
{
    // File names are bytes: a name that is not valid UTF-8 is still removed.
    const QByteArray tree = QFile::encodeName(m_dir->path() + QStringLiteral("/tree"));
    QVERIFY(::mkdir(tree.constData(), 0755) == 0);
    const QByteArray odd = tree + "/bad\xff\xfe name";
    QVERIFY(::mkdir(odd.constData(), 0755) == 0);
    FILE *file = std::fopen((odd + "/x\xff").constData(), "w");
    QVERIFY(file);
    std::fclose(file);

    TreeRemover remover(TreeRemover::Method::Native);
    QVERIFY(remover.remove(m_dir->path() + QStringLiteral("/tree")));
    QCOMPARE(treeListing(m_dir->path()), kOutside);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--remove") == 0)
        return removeForBench(argc, argv);
    QCoreApplication app(argc, argv);
    tst_TreeRemover test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_treeremover.moc"
