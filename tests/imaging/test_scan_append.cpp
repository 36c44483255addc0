// Scans add their pages at the end of the file without rewriting the pages before them: a
// scan killed at any moment leaves a file that opens and holds every page finished before
// the kill, in order, and the bytes already on disk stay as they were but for one link;
// whether or not the record is open in a document model during the scan.
#include "CoreFixtures.h"
#include "imaging/documents/Document.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

// The number page `img` carries (see the helper): bit b is the square at x = 40 + 50 b.
int markerOf(const QImage& img) {
    int k = 0;
    for (int b = 0; b < 14; ++b)
        if (corefx::isBlack(img, 60 + 50 * b, 60)) k |= 1 << b;
    return k;
}

} // namespace

TEST(ScanAppend, KilledScansLeaveEveryFinishedPageAndRewriteNothingBefore) {
    testsupport::TempDir dir;
    const QString dest = dir.file(QStringLiteral("record.tif"));
    const QString helper =
        QCoreApplication::applicationDirPath() + QStringLiteral("/scan_append_helper");
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << qPrintable(helper);
    QRandomGenerator rng(24);
    int pages = 0; // what the file holds after the previous round
    int roundsThatAdded = 0;
    for (int round = 0; round < 16; ++round) {
        if (round % 5 == 0) { // a new record now and then: the first page creates the file
            QFile::remove(dest);
            pages = 0;
        }
        const QByteArray before = QFile::exists(dest) ? corefx::readFile(dest) : QByteArray();
        QProcess p;
        // Every other round the record is open in a document model while it is scanned into.
        QStringList args{dest, QString::number(pages), QStringLiteral("10000")};
        if (round % 2) args << QStringLiteral("open");
        p.start(helper, args);
        ASSERT_TRUE(p.waitForStarted(5000));
        QByteArray out;
        while (!out.contains("ready\n") && p.waitForReadyRead(10000)) out += p.readAll();
        ASSERT_TRUE(out.contains("ready\n")) << p.readAllStandardError().toStdString();
        QThread::msleep(rng.bounded(5, 250));
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(5000));
        out += p.readAll();
        ASSERT_EQ(p.exitStatus(), QProcess::CrashExit) << p.readAllStandardError().toStdString();
        // The last number printed: pages finished as the helper saw it before it died.
        int reported = pages;
        for (const QByteArray& line : out.split('\n'))
            if (!line.isEmpty() && line != "ready") reported = line.toInt();

        if (!QFile::exists(dest)) {
            ASSERT_EQ(reported, 0) << "round " << round;
            continue;
        }
        const DocumentPtr doc = Document::open(dest);
        const int now = doc->pageCount();
        // Every page reported finished is there; at most one more (finished, not yet printed).
        ASSERT_GE(now, reported) << "round " << round;
        ASSERT_LE(now, reported + 1) << "round " << round;
        for (int i = 0; i < now; ++i)
            ASSERT_EQ(markerOf(doc->decodePage(i)), i) << "round " << round << " page " << i + 1;
        // What was on disk stays: at most the four bytes of one next-directory link changed.
        const QByteArray after = corefx::readFile(dest);
        ASSERT_GE(after.size(), before.size());
        int changed = 0, firstChange = -1, lastChange = -1;
        for (qsizetype i = 0; i < before.size(); ++i)
            if (before[i] != after[i]) {
                ++changed;
                if (firstChange < 0) firstChange = int(i);
                lastChange = int(i);
            }
        if (changed > 0) {
            EXPECT_LE(lastChange - firstChange, 3) << "round " << round;
            EXPECT_EQ(firstChange % 2, 0) << "round " << round; // a word-aligned link
        }
        if (now > pages) ++roundsThatAdded;
        pages = now;
    }
    EXPECT_GE(roundsThatAdded, 8);
}
