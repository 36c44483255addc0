// The versions kept of a record's file: Undo and Redo of every page change restore the file
// byte for byte, and the kept versions stay within the count and age limits.
#include "app/Settings.h"
#include "doubles/FixedClock.h"
#include "doubles/MemorySettingsStore.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/PageOps.h"
#include "imaging/pixels/ImagingError.h"
#include "safety/Versions.h"
#include "support/TempDir.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace imaging;

namespace {

// A page that shows its number as a band at a different height, 120 x 80 pixels.
QImage pageImage(int n) {
    QImage img(120, 80, QImage::Format_Grayscale8);
    img.fill(255);
    QPainter p(&img);
    p.fillRect(0, (n * 7) % 70, 120, 8, Qt::black);
    return img;
}

void makeDocument(const QString& path, int pages, int first = 1) {
    std::vector<PageSource> sources;
    for (int i = 0; i < pages; ++i)
        sources.push_back(PageSource::pixels(pageImage(first + i), 200, 200, {}));
    writeDocument(path, sources);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct PageChange {
    const char* name;
    int pagesAfter; // of a 4-page record
    std::function<void(DocumentModel&, const QString& other)> run;
};

void PrintTo(const PageChange& c, std::ostream* os) { *os << c.name; }

class RecordVersions : public ::testing::TestWithParam<PageChange> {
protected:
    testsupport::TempDir dir;
    doubles::FixedClock clock{QDateTime(QDate(2026, 3, 2), QTime(9, 0))};
    QString record = dir.file("55-7.tif");
    QString other = dir.file("import.tif");
};

TEST_P(RecordVersions, UndoAndRedoRestoreTheFileByteForByte) {
    makeDocument(record, 4);
    makeDocument(other, 3, 10);
    const QByteArray before = bytesOf(record);
    auto store = std::make_shared<safety::VersionStore>(
        safety::versionFolder(dir.path(), "55-7"), clock, safety::VersionLimits{});
    auto history = std::make_shared<safety::RecordHistory>(store);
    int notices = 0;
    history->setChangedHandler([&] { ++notices; });
    auto model = DocumentModel::acquire(record);
    model->addWriteObserver(history);
    EXPECT_FALSE(history->canUndo());

    GetParam().run(*model, other);
    const QByteArray after = bytesOf(record);
    ASSERT_NE(after, before);
    ASSERT_EQ(model->pageCount(), GetParam().pagesAfter);
    EXPECT_TRUE(history->canUndo());
    EXPECT_FALSE(history->canRedo());
    EXPECT_EQ(store->versions().size(), 1u);

    clock.set(clock.now().addSecs(60));
    ASSERT_TRUE(history->undo(*model));
    EXPECT_EQ(bytesOf(record), before);
    EXPECT_EQ(model->pageCount(), 4);
    EXPECT_EQ(model->pageImage(0).convertToFormat(QImage::Format_Grayscale8), pageImage(1));
    EXPECT_FALSE(history->canUndo());
    EXPECT_TRUE(history->canRedo());
    EXPECT_FALSE(history->undo(*model));

    clock.set(clock.now().addSecs(60));
    ASSERT_TRUE(history->redo(*model));
    EXPECT_EQ(bytesOf(record), after);
    EXPECT_EQ(model->pageCount(), GetParam().pagesAfter);
    EXPECT_TRUE(history->canUndo());
    EXPECT_FALSE(history->canRedo());
    EXPECT_GE(notices, 3);

    // A new change after an undo ends what could be redone.
    ASSERT_TRUE(history->undo(*model));
    model->deletePages(4, 1);
    EXPECT_FALSE(history->canRedo());
    ASSERT_TRUE(history->undo(*model));
    EXPECT_EQ(bytesOf(record), before);
}

INSTANTIATE_TEST_SUITE_P(
    EachPageChange, RecordVersions,
    ::testing::Values(
        PageChange{"Delete", 3, [](DocumentModel& m, const QString&) { m.deletePages(2, 1); }},
        PageChange{"Insert", 6,
                   [](DocumentModel& m, const QString& o) { m.insertPagesFrom(o, 1, 2, 2); }},
        PageChange{"Append", 5,
                   [](DocumentModel& m, const QString& o) { m.appendPagesFrom(o, 3, 1); }},
        PageChange{"Rescan", 4,
                   [](DocumentModel& m, const QString&) {
                       m.replacePage(3, PageSource::pixels(pageImage(40), 200, 200, {}));
                   }},
        PageChange{"Duplicate", 5,
                   [](DocumentModel& m, const QString&) {
                       m.insertPageSources(3, {PageSource::copy(m.document(), 1)});
                   }},
        PageChange{"Import", 7,
                   [](DocumentModel& m, const QString& o) { m.insertPagesFrom(o, 1, 1, 3); }},
        PageChange{"RotationSave", 4,
                   [](DocumentModel& m, const QString&) {
                       m.apply(makeOperation("Rotate right", 1, [](PageContent& c) {
                           c.image = c.image.transformed(QTransform().rotate(90));
                       }));
                       m.save();
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

// An observer that may refuse the model's writes, as the check for changes from elsewhere does.
struct RefusingObserver : WriteObserver {
    bool refuse = false;
    int before = 0, after = 0;
    void beforeWrite(const DocumentModel&, const QString&) override {
        ++before;
        if (refuse) throw Error(kErrFileAccess, "changed elsewhere");
    }
    void afterWrite(const DocumentModel&, const QString&) override { ++after; }
};

TEST_F(RecordVersions, AStepIsCheckedByTheModelsOtherObserversAndARefusalChangesNothing) {
    makeDocument(record, 4);
    auto store = std::make_shared<safety::VersionStore>(
        safety::versionFolder(dir.path(), "55-7"), clock, safety::VersionLimits{});
    auto history = std::make_shared<safety::RecordHistory>(store);
    auto guard = std::make_shared<RefusingObserver>();
    auto model = DocumentModel::acquire(record);
    model->addWriteObserver(guard);
    model->addWriteObserver(history);
    model->deletePages(1, 1);
    const QByteArray after = bytesOf(record);

    guard->refuse = true;
    EXPECT_THROW(history->undo(*model), Error);
    EXPECT_EQ(bytesOf(record), after);
    EXPECT_EQ(model->pageCount(), 3);
    EXPECT_TRUE(history->canUndo());
    EXPECT_FALSE(history->canRedo());
    EXPECT_EQ(store->versions().size(), 1u); // nothing kept for the refused step

    guard->refuse = false;
    ASSERT_TRUE(history->undo(*model));
    EXPECT_EQ(model->pageCount(), 4);
    EXPECT_EQ(guard->before, 3);
    EXPECT_EQ(guard->after, 2); // told of the deletion and of the undo
}

TEST(VersionLimits, NoMoreThanTheCountAndNoneOlderThanTheAge) {
    testsupport::TempDir dir;
    const QString record = dir.file("rec.tif");
    makeDocument(record, 2);
    const QDateTime start(QDate(2026, 1, 1), QTime(8, 0));
    doubles::FixedClock clock(start);
    safety::VersionStore store(safety::versionFolder(dir.path(), "rec"), clock, {3, 30});

    // Five kept a day apart: only the three newest stay.
    for (int i = 0; i < 5; ++i) {
        clock.set(start.addDays(i));
        store.keep(record);
    }
    auto kept = store.versions();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].time, start.addDays(2));
    EXPECT_EQ(kept[2].time, start.addDays(4));
    EXPECT_EQ(kept[0].size, QFileInfo(record).size());

    // 30 days after the second newest, it and the oldest are past the age limit; exactly
    // 30 days old still stays.
    clock.set(start.addDays(3 + 30).addSecs(1));
    store.prune();
    kept = store.versions();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].time, start.addDays(4));
    clock.set(start.addDays(4 + 30));
    store.prune();
    EXPECT_EQ(store.versions().size(), 1u);
}

TEST(VersionLimits, ReadFromTheSettingsWithTheDefaultsForMissingOrUnusableValues) {
    struct Case {
        const char* count;
        const char* age;
        int expectedCount, expectedAge;
    } cases[] = {{nullptr, nullptr, 10, 30}, {"5", "7", 5, 7}, {" 20 ", "365", 20, 365},
                 {"0", "-3", 10, 30}, {"many", "", 10, 30}};
    for (const Case& c : cases) {
        doubles::MemorySettingsStore settings;
        if (c.count) settings.write(app::kAppPrefs, "Versions", "MaxCount", c.count);
        if (c.age) settings.write(app::kAppPrefs, "Versions", "MaxAgeDays", c.age);
        const safety::VersionLimits l = safety::versionLimits(settings);
        EXPECT_EQ(l.maxCount, c.expectedCount) << (c.count ? c.count : "none");
        EXPECT_EQ(l.maxAgeDays, c.expectedAge) << (c.age ? c.age : "none");
    }
}

TEST(VersionLimits, AVersionIsAHardLinkWhereTheFileSystemAllows) {
    testsupport::TempDir dir;
    const QString record = dir.file("rec.tif");
    makeDocument(record, 2);
    doubles::FixedClock clock(QDateTime(QDate(2026, 1, 1), QTime(8, 0)));
    safety::VersionStore store(safety::versionFolder(dir.path(), "rec"), clock, {});
    const QString kept = store.keep(record);
    struct stat a {}, b {};
    ASSERT_EQ(::stat(QFile::encodeName(record).constData(), &a), 0);
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &b), 0);
    EXPECT_TRUE(store.lastKeepLinked());
    EXPECT_EQ(a.st_ino, b.st_ino);
    EXPECT_EQ(bytesOf(kept), bytesOf(record));
}

} // namespace
