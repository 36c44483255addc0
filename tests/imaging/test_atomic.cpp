// Atomic replacement of files: failures (a full disk, a read-only file, a missing folder)
// leave the original untouched and no temporary file behind; stray temporary files of killed
// writers are harmless; a writer killed at random moments always leaves one of the two
// valid versions.
#include "CoreFixtures.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/PageOps.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace imaging;
using namespace corefx;

namespace {

// A document whose page i shows a black column at x = i + shift, 100 x 30 pixels a page.
void makeDocument(const QString& path, int pages, int shift) {
    std::vector<Page> p;
    for (int i = 0; i < pages; ++i)
        p.push_back(bitonalPage(100, 30, true, COMPRESSION_CCITTFAX4, [&](int x, int y) {
            return x == (i + shift) % 100 || (y == 5 && x % 3 == 0);
        }));
    writeTiff(path, p);
}

QStringList temporaries(const QString& folder) {
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (AtomicFile::isTemporaryName(name)) out << name;
    return out;
}

int errorOf(const std::function<void()>& f, QString* description = nullptr) {
    try {
        f();
    } catch (const Error& e) {
        if (description) *description = e.description();
        return e.number();
    }
    return 0;
}

class AtomicTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeDocument(dest(), 5, 0);
        makeDocument(other(), 3, 50);
    }
    void TearDown() override { setAtomicWriteFailureForTesting(-1, 0); }
    QString dest() const { return dir.file(QStringLiteral("doc.tif")); }
    QString other() const { return dir.file(QStringLiteral("other.tif")); }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(AtomicTest, AFullDiskLeavesTheOriginalAndNoTemporaryFile) {
    const QByteArray before = readFile(dest());
    for (qint64 failAfter : {qint64(0), qint64(100), qint64(before.size() / 2)}) {
        setAtomicWriteFailureForTesting(failAfter, ENOSPC);
        QString what;
        EXPECT_EQ(errorOf([&] { appendPages(dest(), other(), 1, 3); }, &what), kErrDiskFull);
        EXPECT_TRUE(what.contains(QStringLiteral("disk is full"))) << qPrintable(what);
        EXPECT_EQ(readFile(dest()), before);
        EXPECT_TRUE(temporaries(dir.path()).isEmpty())
            << qPrintable(temporaries(dir.path()).join(' '));
    }
    setAtomicWriteFailureForTesting(10, EIO);
    EXPECT_EQ(errorOf([&] { deletePages(dest(), 1, 1); }), kErrFileAccess);
    EXPECT_EQ(readFile(dest()), before);
    setAtomicWriteFailureForTesting(-1, 0);
    appendPages(dest(), other(), 1, 3);
    EXPECT_EQ(Document::open(dest())->pageCount(), 8);
}

TEST_F(AtomicTest, ReadOnlyFilesAreRefusedAndPermissionsKept) {
    ASSERT_TRUE(QFile::setPermissions(dest(), QFile::ReadOwner | QFile::ReadGroup));
    const QByteArray before = readFile(dest());
    QString what;
    EXPECT_EQ(errorOf([&] { deletePages(dest(), 1, 1); }, &what), kErrFileAccess);
    EXPECT_TRUE(what.contains(QStringLiteral("read-only")));
    EXPECT_EQ(readFile(dest()), before);
    EXPECT_TRUE(temporaries(dir.path()).isEmpty());

    ASSERT_EQ(::chmod(qPrintable(dest()), 0640), 0);
    deletePages(dest(), 1, 1);
    struct stat st {};
    ASSERT_EQ(::stat(qPrintable(dest()), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicTest, LinksAndBadDestinationsAreRefused) {
    // A link in place of a file is neither written through nor replaced, whether it leads to
    // a file or nowhere.
    const QByteArray before = readFile(dest());
    ASSERT_TRUE(QFile::link(dest(), dir.file(QStringLiteral("link.tif"))));
    QString what;
    EXPECT_EQ(errorOf([&] { deletePages(dir.file(QStringLiteral("link.tif")), 1, 2); }, &what),
              kErrFileAccess);
    EXPECT_TRUE(what.contains(QStringLiteral("symbolic link"))) << what.toStdString();
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("link.tif"))).isSymLink());
    EXPECT_EQ(readFile(dest()), before);
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("nowhere.tif")),
                            dir.file(QStringLiteral("dangling.tif"))));
    EXPECT_EQ(errorOf([&] {
                  writeDocument(dir.file(QStringLiteral("dangling.tif")),
                                {PageSource::copy(Document::open(dest()), 0)});
              }),
              kErrFileAccess);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("nowhere.tif"))));

    DocumentPtr doc = Document::open(other());
    EXPECT_EQ(errorOf([&] {
                  writeDocument(dir.file(QStringLiteral("no/such/folder.tif")),
                                {PageSource::copy(doc, 0)});
              }),
              kErrFileNotFound);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.tif")));
    EXPECT_EQ(errorOf([&] {
                  writeDocument(dir.file(QStringLiteral("folder.tif")), {PageSource::copy(doc, 0)});
              }),
              kErrFileAccess);
}

namespace {
void setAge(const QString& path, qint64 seconds) {
    const qint64 then = QDateTime::currentSecsSinceEpoch() - seconds;
    struct utimbuf times {
        then, then
    };
    ASSERT_EQ(::utime(qPrintable(path), &times), 0);
}
} // namespace

TEST_F(AtomicTest, OnlyOldLeftoversOfThisWriterAreCleanedUp) {
    const QString stale = dir.file(QStringLiteral(".doc.tif.docuvane-tmp-0123abcd"));
    const QString fresh = dir.file(QStringLiteral(".doc.tif.docuvane-tmp-4567ef01"));
    writeFile(stale, readFile(dest()).left(100)); // a broken half-written file
    writeFile(fresh, QByteArray("partial"));
    setAge(stale, 20 * 60);
    setAge(fresh, 2 * 60); // might belong to a writer that is still running
    // Old files that are not leftovers of writes of doc.tif: never touched.
    const QStringList others{".other.tif.docuvane-tmp-0123abcd", ".doc.tif.docuvane-tmp-0123ABCD",
                             ".doc.tif.docuvane-tmp-", ".doc.tif.docuvane-tmp-0123abcd0123abcd",
                             ".doc.tif.docuvane-tmp-12.bak", "doc.tif.docuvane-tmp-0123abcd",
                             ".doc.tif.old", ".xdoc.tif.docuvane-tmp-0123abcd"};
    for (const QString& name : others) {
        writeFile(dir.file(name), QByteArray("someone else's"));
        setAge(dir.file(name), 20 * 60);
    }
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral(".doc.tif.old")),
                            dir.file(QStringLiteral(".doc.tif.docuvane-tmp-99"))));

    insertPages(dest(), other(), 1, 1, 2);
    EXPECT_EQ(Document::open(dest())->pageCount(), 7);
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(fresh));
    for (const QString& name : others) EXPECT_TRUE(QFile::exists(dir.file(name))) << qPrintable(name);
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral(".doc.tif.docuvane-tmp-99"))).isSymLink());
    EXPECT_EQ(uniqueFileName(dir.path(), QStringLiteral("doc"), QStringLiteral("tif")),
              QStringLiteral("doc1.tif"));
}

TEST_F(AtomicTest, OpeningAFileClearsWhatAKilledSaveOfItLeftBehind) {
    const QString helper =
        QCoreApplication::applicationDirPath() + QStringLiteral("/imaging_kill_helper");
    const QString a = dir.file(QStringLiteral("a.tif")), b = dir.file(QStringLiteral("b.tif"));
    makeDocument(a, 200, 0);
    makeDocument(b, 210, 7);
    // Kill savers until one dies in the middle of a save.
    for (int round = 0; round < 40 && temporaries(dir.path()).isEmpty(); ++round) {
        QProcess p;
        p.start(helper, {dest(), a, b});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(10000)) << p.readAllStandardError().toStdString();
        QThread::msleep(20 + 7 * round);
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(5000));
    }
    const QStringList left = temporaries(dir.path());
    ASSERT_FALSE(left.isEmpty());
    // Opened at once, the leftover may still be a save in progress elsewhere: it stays.
    DocumentModelPtr model = DocumentModel::acquire(dest());
    model.reset();
    EXPECT_EQ(temporaries(dir.path()), left);
    // Opened later (the program started again), it is cleared; the document is intact.
    for (const QString& name : left) setAge(dir.file(name), 11 * 60);
    model = DocumentModel::acquire(dest());
    EXPECT_TRUE(temporaries(dir.path()).isEmpty()) << qPrintable(temporaries(dir.path()).join(' '));
    EXPECT_TRUE(model->pageCount() == 200 || model->pageCount() == 210 || model->pageCount() == 5);
}

TEST_F(AtomicTest, FilesThisUserMayNotWriteAreNotReplacedThroughTheFolder) {
    // The folder is the user's, so a rename could replace any file in it; the files below
    // belong to someone else or deny this user writing by an access-control list.
    ASSERT_TRUE(testsupport::giveToUnprivileged(dir.path()));
    const QString foreign = dir.file(QStringLiteral("foreign.tif"));
    const QString denied = dir.file(QStringLiteral("denied.tif"));
    const QString own = dir.file(QStringLiteral("own.tif"));
    for (const QString& f : {foreign, denied, own}) makeDocument(f, 4, 0);
    ASSERT_EQ(::chmod(qPrintable(foreign), 0644), 0); // owner-write set: only access() tells
    ASSERT_EQ(::chmod(qPrintable(denied), 0666), 0);
    const QString who = QString::number(testsupport::unprivilegedUid());
    if (::geteuid() == 0) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("setfacl"),
                                    {QStringLiteral("-m"), "u:" + who + ":r--", denied}),
                  0);
        ASSERT_TRUE(testsupport::giveToUnprivileged(own));
    } else {
        GTEST_SKIP() << "needs root to make files of another owner";
    }
    const std::string problems = testsupport::asUnprivilegedUser([&]() -> std::string {
        std::string out;
        for (const QString& f : {foreign, denied}) {
            const QByteArray before = readFile(f);
            QString what;
            const int err = errorOf([&] { deletePages(f, 1, 1); }, &what);
            if (err != kErrFileAccess)
                out += f.toStdString() + ": error " + std::to_string(err) + "; ";
            if (readFile(f) != before) out += f.toStdString() + " was replaced; ";
            if (!what.contains(QStringLiteral("may not change")))
                out += "message: " + what.toStdString() + "; ";
        }
        if (!temporaries(dir.path()).isEmpty()) out += "temporary files left; ";
        const int err = errorOf([&] { deletePages(own, 1, 1); });
        if (err != 0) out += "the user's own file was refused: " + std::to_string(err) + "; ";
        else if (Document::open(own)->pageCount() != 3) out += "own file not changed; ";
        return out;
    });
    EXPECT_EQ(problems, "");
}

TEST_F(AtomicTest, AWriterKilledAtRandomMomentsLeavesOneOfTheTwoVersions) {
    const QString helper =
        QCoreApplication::applicationDirPath() + QStringLiteral("/imaging_kill_helper");
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << qPrintable(helper);
    const QString a = dir.file(QStringLiteral("a.tif")), b = dir.file(QStringLiteral("b.tif"));
    makeDocument(a, 60, 0);
    makeDocument(b, 80, 7);
    DocumentPtr va = Document::open(a), vb = Document::open(b);
    ASSERT_EQ(::rename(qPrintable(a), qPrintable(dest())), 0); // the destination starts as A
    va = Document::open(dest());
    makeDocument(a, 60, 0);

    QRandomGenerator rng(77);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 40; ++round) {
        QProcess p;
        p.start(helper, {dest(), a, b});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(10000)) << p.readAllStandardError().toStdString();
        // Odd rounds wait until version B is in place and kill the write of A that follows
        // at once, so both versions are seen however slow the machine is; even rounds kill
        // at a random moment.
        if (round % 2) {
            QByteArray out;
            while (!out.contains("B\n") && p.waitForReadyRead(30000)) out += p.readAll();
            ASSERT_TRUE(out.contains("B\n")) << p.readAllStandardError().toStdString();
        } else {
            QThread::msleep(rng.bounded(5, 120));
        }
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(5000));

        DocumentPtr now = Document::open(dest());
        const DocumentPtr& expected = now->pageCount() == 60 ? va : vb;
        ASSERT_TRUE(now->pageCount() == 60 || now->pageCount() == 80) << now->pageCount();
        (now->pageCount() == 60 ? sawA : sawB)++;
        for (int i = 0; i < now->pageCount(); ++i)
            ASSERT_EQ(now->decodePage(i), expected->decodePage(i))
                << "round " << round << " page " << i + 1;
    }
    // The kills did interrupt writes (each leaves its temporary file), and both versions
    // were seen.
    const int interrupted = int(temporaries(dir.path()).size());
    EXPECT_GT(interrupted, 0);
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    std::printf("kills: %d interrupted a write; version A %d times, B %d times\n", interrupted,
                sawA, sawB);
    // Whatever the kills left behind is not in the way of the next write.
    deletePages(dest(), 1, 1);
    EXPECT_TRUE(Document::open(dest())->pageCount() == 59 ||
                Document::open(dest())->pageCount() == 79);
}
