// The docuvane-image tool, run as a process on files the test makes.
#include "CoreFixtures.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

using namespace corefx;

namespace {

struct ToolRun {
    int status = -1;
    QString output;
};

ToolRun tool(const QStringList& args) {
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/docuvane-image"), args);
    ToolRun r;
    if (!p.waitForFinished(60000)) return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.output = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    return r;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/docuvane-image"))
                .isExecutable());
        Page g4 =
            bitonalPage(300, 200, true, COMPRESSION_CCITTFAX4, [](int x, int y) { return x == y; });
        g4.dpi = 300;
        Page gray = grayPage(120, 80, 8, [](int x, int) { return x * 2; });
        gray.compression = COMPRESSION_LZW;
        gray.orientation = 6;
        writeTiff(good(), {g4, gray});
        QImage bmp(20, 10, QImage::Format_RGB32);
        bmp.fill(Qt::red);
        ASSERT_TRUE(bmp.save(dir.file(QStringLiteral("good.bmp")), "bmp"));
        const QByteArray all = readFile(good());
        writeFile(dir.file(QStringLiteral("truncated.tif")), all.left(all.size() - 30));
        QByteArray data = all;
        const uint32_t second = ifdOffsets(data)[1];
        setLe16(data, entryPos(data, second, TIFFTAG_COMPRESSION) + 8, 34999);
        writeFile(dir.file(QStringLiteral("unknown.tif")), data);
    }
    QString good() const { return dir.file(QStringLiteral("good.tif")); }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(ToolTest, CheckPassesGoodFilesAndStopsAtTheFirstBadOne) {
    const ToolRun ok =
        tool({QStringLiteral("check"), good(), dir.file(QStringLiteral("good.bmp"))});
    EXPECT_EQ(ok.status, 0) << qPrintable(ok.output);
    EXPECT_EQ(ok.output.count(QStringLiteral("OK ")), 2);
    EXPECT_TRUE(ok.output.contains(QStringLiteral("(2 pages)")));
    for (const char* bad : {"truncated.tif", "unknown.tif", "missing.tif"}) {
        const ToolRun r =
            tool({QStringLiteral("check"), good(), dir.file(QString::fromLatin1(bad)), good()});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_EQ(r.output.count(QStringLiteral("OK ")), 1) << qPrintable(r.output);
        EXPECT_TRUE(r.output.contains(QStringLiteral("BAD "))) << qPrintable(r.output);
    }
}

TEST_F(ToolTest, InfoListsThePages) {
    const ToolRun r = tool({QStringLiteral("info"), good()});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.output.contains(QStringLiteral("TIFF, 2 pages"))) << qPrintable(r.output);
    EXPECT_TRUE(
        r.output.contains(QStringLiteral("page 1: 300 x 200, 300 x 300 dpi, 1 bit, CCITT G4")));
    EXPECT_TRUE(r.output.contains(
        QStringLiteral("page 2: 80 x 120, no resolution, 8 bit, LZW, orientation 6")));
    EXPECT_EQ(tool({QStringLiteral("info")}).status, 2);
    EXPECT_EQ(tool({QStringLiteral("frobnicate"), good()}).status, 2);
}

TEST_F(ToolTest, RenderWritesThePageAsPng) {
    const QString png = dir.file(QStringLiteral("page.png"));
    ToolRun r = tool({QStringLiteral("render"), good(), QStringLiteral("1"), png,
                      QStringLiteral("--width"), QStringLiteral("150"), QStringLiteral("--gray")});
    ASSERT_EQ(r.status, 0) << qPrintable(r.output);
    QImage img(png);
    ASSERT_EQ(img.size(), QSize(150, 100));
    EXPECT_LT(qGray(img.pixel(50, 50)), 200); // the diagonal, grayed
    EXPECT_EQ(qGray(img.pixel(100, 20)), 255);
    r = tool({QStringLiteral("render"), good(), QStringLiteral("2"), png});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(QImage(png).size(), QSize(80, 120));
    EXPECT_EQ(tool({QStringLiteral("render"), good(), QStringLiteral("3"), png}).status, 1);
}
