#include "app/DatabaseUpdate.h"
#include "app/General.h"
#include "app/Settings.h"
#include "db/DbError.h"
#include "doubles/RecordingConnection.h"
#include "doubles/TestSession.h"
#include "storage/LocationTools.h"
#include "storage/RecordPaths.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace storage;

namespace {

// A scratch folder standing for the share \\fs\recfiles.
struct Share : ::testing::Test {
    doubles::TestSession t;
    QString root = "\\\\fs\\recfiles";
    QString native;
    void SetUp() override {
        native = t.dir.file("share");
        QDir().mkpath(native);
        t.settings.write(app::kAppPrefs, "Shares", root, native);
    }
    void touch(const QString& rel) {
        QDir().mkpath(QFileInfo(native + "/" + rel).absolutePath());
        QFile f(native + "/" + rel);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("II*\0", 4);
    }
};

} // namespace

TEST(RecordDates, ReadTheFormsTheDialogsShow) {
    EXPECT_EQ(parseRecordDate("11/25/2008"), QDate(2008, 11, 25));
    EXPECT_EQ(parseRecordDate("02/03/2009"), QDate(2009, 2, 3)); // month first
    EXPECT_EQ(parseRecordDate(" 1/2/2008 "), QDate(2008, 1, 2));
    EXPECT_EQ(parseRecordDate("2008-11-25"), QDate(2008, 11, 25));
    EXPECT_FALSE(parseRecordDate("13/45/2008").isValid());
    EXPECT_FALSE(parseRecordDate("recfiles").isValid());
    EXPECT_FALSE(parseRecordDate("").isValid());
}

TEST(RecordPathsLayout, NamesTheYearAndDateFoldersAndTheFile) {
    const RecordPath p = recordPath("\\\\fs\\recfiles", "55", 7, QDate(2008, 11, 25));
    EXPECT_EQ(p.storedName, "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(p.fullPath, "\\\\fs\\recfiles\\2008\\2008-11-25\\55-7.tif");
    // The full path is the root followed by the stored name, for a drive root as for a share.
    EXPECT_EQ(recordPath("R:", "55", 7, QDate(2008, 11, 25)).fullPath, "R:\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(recordPath("\\\\fs\\recfiles\\HRD", "6001", 3, QDate(2010, 12, 31)).fullPath,
              "\\\\fs\\recfiles\\HRD\\2010\\2010-12-31\\6001-3.tif");
    EXPECT_EQ(dateFolderPath("\\\\fs\\recfiles\\HRD", QDate(2009, 2, 3)),
              "\\\\fs\\recfiles\\HRD\\2009\\2009-02-03");
    // The ID is used exactly as entered.
    EXPECT_EQ(recordPath("R", " 55T", 12, QDate(2008, 1, 2)).storedName, "\\2008\\2008-01-02\\ 55T-12.tif");
}

TEST(RecordIds, HostileIdsAreRefusedNamingTheCharacter) {
    EXPECT_FALSE(invalidIdReason("55").has_value());
    EXPECT_FALSE(invalidIdReason("31245B").has_value());
    EXPECT_FALSE(invalidIdReason("O'Brien 2").has_value());
    EXPECT_FALSE(invalidIdReason("Müller").has_value());
    for (const char* bad : {"..\\..\\etc", "a/b", "a\\b", "x..y", "a:b", "a*", "a?", "a|b",
                            "a<b", "a>b", "a\"b"}) {
        const auto r = invalidIdReason(QString::fromUtf8(bad));
        ASSERT_TRUE(r.has_value()) << bad;
    }
    EXPECT_TRUE(invalidIdReason("a/b")->contains("\"/\""));
    EXPECT_TRUE(invalidIdReason("a:b")->contains("\":\""));
    EXPECT_TRUE(invalidIdReason(QString("a") + QChar(9) + "b")->contains("control"));
    EXPECT_TRUE(invalidIdReason("55 ")->contains("blank"));
    EXPECT_TRUE(invalidIdReason("55.")->contains("full stop"));
}

TEST_F(Share, BuildingAPathCreatesTheYearAndThenTheDateFolder) {
    const RecordPath p = buildRecordPath(t.s(), root, "55", 7, QDate(2008, 11, 25));
    EXPECT_EQ(p.fullPath, root + "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_TRUE(QDir(native + "/2008/2008-11-25").exists());
    EXPECT_TRUE(t.log.lines.empty());
    // Again: nothing to create, nothing logged.
    buildRecordPath(t.s(), root, "56", 7, QDate(2008, 11, 25));
    EXPECT_TRUE(t.log.lines.empty());
}

TEST_F(Share, AFolderThatCannotBeCreatedIsLoggedAndTheSequenceGoesOn) {
    const QString missingRoot = "\\\\fs\\recfiles\\nosuchdept";
    const RecordPath p = buildRecordPath(t.s(), missingRoot, "55", 7, QDate(2008, 11, 25));
    EXPECT_EQ(p.storedName, "\\2008\\2008-11-25\\55-7.tif");
    ASSERT_EQ(t.log.lines.size(), 2u);
    for (const QString& l : t.log.lines) EXPECT_TRUE(l.endsWith("- ScanStart")) << l.toStdString();
}

TEST_F(Share, StoredNamesOfTheCurrentFormResolveUnderTheRoot) {
    Resolved r = resolveStoredName(*t.paths, root, "\\2008\\2008-11-25\\55-7.tif", &t.log);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, root + "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(r.currentFolder, root + "\\2008\\2008-11-25\\");
    // Without the leading backslash, and with doubled ones, the same path comes out.
    EXPECT_EQ(resolveStoredName(*t.paths, root, "2008\\2008-11-25\\55-7.tif", &t.log).path, r.path);
    EXPECT_EQ(resolveStoredName(*t.paths, root, "2008\\\\2008-11-25\\55-7.tif", &t.log).path, r.path);
}

TEST_F(Share, OldAbsoluteNamesAreReRootedAtTheirDateFolder) {
    touch("2008/2008-11-25/55-7.tif");
    Resolved r = resolveStoredName(*t.paths, root, "\\\\oldserver\\scans\\2008-11-25\\55-7.tif", &t.log);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, root + "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(r.currentFolder, root + "\\2008\\2008-11-25\\");

    // The layout without year folders is the second place to look.
    touch("2007-01-05/12-3.tif");
    r = resolveStoredName(*t.paths, root, "\\\\oldserver\\scans\\2007-01-05\\12-3.tif", &t.log);
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.path, root + "\\2007-01-05\\12-3.tif");
    EXPECT_TRUE(t.log.lines.empty());

    // Neither folder holds a file: the last folder tried is logged.
    r = resolveStoredName(*t.paths, root, "\\\\oldserver\\scans\\2006-06-06\\1-1.tif", &t.log);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(t.log.lines, std::vector<QString>{"Cannot acccess target folder. " + root + "\\2006-06-06\\"});
}

TEST_F(Share, AnAbsoluteNameWithoutADateFindsNothing) {
    const Resolved r = resolveStoredName(*t.paths, root, "\\\\oldserver\\scans\\55-7.tif", &t.log);
    EXPECT_FALSE(r.found);
    ASSERT_FALSE(t.log.lines.empty());
    EXPECT_EQ(t.log.lines.back(), "Cannot acccess target folder. " + root + "\\55-7.tif\\");
}

TEST_F(Share, NamesThatWouldLeaveTheStorageRootAreNotOpened) {
    const Resolved r = resolveStoredName(*t.paths, root, "\\..\\..\\..\\etc\\passwd", &t.log);
    // The mapper keeps ".." inside the share; a name that climbs is refused outright.
    if (r.found) {
        EXPECT_TRUE(t.paths->toNative(r.path).startsWith(native));
    }
    touch("2008/2008-11-25/a.tif");
    const Resolved r2 =
        resolveStoredName(*t.paths, root + "\\HRD", "\\..\\2008\\2008-11-25\\a.tif", &t.log);
    EXPECT_FALSE(r2.found);
    EXPECT_TRUE(t.log.lines.back().contains("outside the storage folder"));
}

// Every file of the ID and type is moved aside; one already gone is skipped (its row may go,
// nothing of it is left), the file to be filed again stays, and only rows whose files are out of
// the way are given back for removal. A file that cannot be moved puts the others back.
TEST_F(Share, DeletingRecordTypeFilesRecyclesEachFileAndSkipsMissingOnes) {
    touch("2008/2008-11-25/55-7.tif");
    touch("2009/2009-01-02/55-7.tif");
    touch("2010/2010-03-04/55-7.tif");
    doubles::RecordingConnection db;
    db.results.push_back(db::Recordset({"recfile_id", "file_name"},
                                       {{QString("11"), QString("\\2008\\2008-11-25\\55-7.tif")},
                                        {QString("12"), QString("\\2007\\2007-01-01\\55-7.tif")},
                                        {QString("13"), QString("\\2009\\2009-01-02\\55-7.tif")},
                                        {QString("14"), QString("\\2010\\2010-03-04\\55-7.tif")}}));
    t.user->connection = &db;
    t.signIn();
    t.s().gstrDefaultDirectory = root;
    const auto out = DeleteRecordTypeFiles(t.s(), "55", 7, root + "\\2010\\2010-03-04\\55-7.tif");
    EXPECT_EQ(db.statements.front(), "SELECT recfile_id, file_name FROM dbRecords.dbo.tblRecFiles "
                                     "WHERE admission_id='55' and rectype_id='7' ORDER BY recfile_id");
    QStringList ids, recycled;
    for (const auto& f : out) {
        ids << f.recfileId;
        recycled << f.recycled;
    }
    EXPECT_EQ(ids, (QStringList{"11", "12", "13", "14"}));
    // Not destroyed: in the recycle folder of the clock's day, with the time of day added.
    EXPECT_EQ(recycled, (QStringList{root + "\\Recycled\\2008-11-25\\55-7-140500.tif", "",
                                     root + "\\Recycled\\2008-11-25\\55-7-140500-2.tif", ""}));
    EXPECT_FALSE(QFile::exists(native + "/2008/2008-11-25/55-7.tif"));
    EXPECT_FALSE(QFile::exists(native + "/2009/2009-01-02/55-7.tif"));
    EXPECT_TRUE(QFile::exists(native + "/Recycled/2008-11-25/55-7-140500-2.tif"));
    EXPECT_TRUE(QFile::exists(native + "/2010/2010-03-04/55-7.tif")); // the one kept
    EXPECT_TRUE(t.prompter.shown.empty());

    // Put back where they were.
    restoreRecycledFiles(t.s(), out);
    EXPECT_TRUE(QFile::exists(native + "/2008/2008-11-25/55-7.tif"));
    EXPECT_TRUE(QFile::exists(native + "/2009/2009-01-02/55-7.tif"));

    // A file that cannot be moved (the recycle folder cannot be made): the files moved before
    // it go back.
    db.results.push_back(db::Recordset({"recfile_id", "file_name"},
                                       {{QString("11"), QString("\\2008\\2008-11-25\\55-7.tif")},
                                        {QString("13"), QString("\\2009\\2009-01-02\\55-7.tif")}}));
    t.clock.set(QDateTime(QDate(2008, 11, 26), QTime(9, 0)));
    touch("Recycled/2008-11-26/blocker.tif");
    QDir(native + "/Recycled/2008-11-26").removeRecursively();
    QFile blocker(native + "/Recycled/2008-11-26");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the day's folder would be
    blocker.close();
    EXPECT_THROW(DeleteRecordTypeFiles(t.s(), "55", 7), std::runtime_error);
    EXPECT_TRUE(QFile::exists(native + "/2008/2008-11-25/55-7.tif"));
    EXPECT_TRUE(QFile::exists(native + "/2009/2009-01-02/55-7.tif"));
}

TEST_F(Share, RecyclingTheSameNameTwiceKeepsBoth) {
    touch("2008/2008-11-25/55-7.tif");
    t.signIn();
    const QString first = recycleRecordFile(t.s(), root, root + "\\2008\\2008-11-25\\55-7.tif");
    touch("2008/2008-11-25/55-7.tif");
    const QString second = recycleRecordFile(t.s(), root, root + "\\2008\\2008-11-25\\55-7.tif");
    EXPECT_EQ(first, root + "\\Recycled\\2008-11-25\\55-7-140500.tif");
    EXPECT_EQ(second, root + "\\Recycled\\2008-11-25\\55-7-140500-2.tif");
    EXPECT_TRUE(QFile::exists(native + "/Recycled/2008-11-25/55-7-140500-2.tif"));
    EXPECT_THROW(recycleRecordFile(t.s(), root, root + "\\2008\\2008-11-25\\55-7.tif"),
                 std::runtime_error); // gone already
}

TEST_F(Share, QuotesInTheIdDoNotBreakTheStatement) {
    doubles::RecordingConnection db;
    t.user->connection = &db;
    t.signIn();
    DeleteRecordTypeFiles(t.s(), "O'Brien", 2);
    EXPECT_TRUE(db.statements.front().contains("admission_id='O''Brien'"));
    EXPECT_TRUE(t.prompter.shown.empty());
}

// Signed in but without a connection (it went away): each use of it says so, none fails.
TEST(NoConnection, EveryUseOfTheConnectionSaysThereIsNone) {
    doubles::TestSession t;
    t.user->connection = nullptr;
    t.signIn();
    const QString none = "There is no connection to the records database.";
    try {
        app::GetEmployeeFullName(t.s(), "1001");
        ADD_FAILURE() << "no error raised";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.description(), none);
    }
    try {
        DeleteRecordTypeFiles(t.s(), "55", 7);
        ADD_FAILURE() << "no error raised";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.description(), none);
    }
    const std::vector<std::function<void()>> commands{
        [&] { EXPECT_GT(app::UpdateDatabase(t.s()), 0); },
    };
    for (const auto& command : commands) {
        t.prompter.shown.clear();
        command();
        EXPECT_EQ(t.prompter.texts(), std::vector<QString>{none});
    }
}

// A share is written by many hands: links planted in it (a record file, a year or date
// folder, the recycle folder, the Test Write file) are never followed out of it, while a link
// that stays inside it is fine.
TEST_F(Share, LinksPlantedInTheShareAreNotFollowedOutOfIt) {
    const QString outside = t.dir.file("outside");
    QDir().mkpath(outside + "/2009-01-02");
    {
        QFile f(outside + "/secret.tif");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("II*\0", 4);
    }
    touch("2008/2008-11-25/55-7.tif");
    t.signIn();
    t.s().gstrDefaultDirectory = root;
    // A record file that is a link to a file outside.
    ASSERT_TRUE(QFile::link(outside + "/secret.tif", native + "/2008/2008-11-25/66-7.tif"));
    EXPECT_FALSE(resolveStoredName(*t.paths, root, "\\2008\\2008-11-25\\66-7.tif", &t.log).found);
    EXPECT_TRUE(t.log.lines.back().contains("points outside the storage folder"));
    EXPECT_TRUE(resolveStoredName(*t.paths, root, "\\2008\\2008-11-25\\55-7.tif", &t.log).found);
    // A year folder that is a link out: no folder is made through it and filing refuses it.
    ASSERT_TRUE(QFile::link(outside, native + "/2009"));
    const RecordPath rp = buildRecordPath(t.s(), root, "77", 7, QDate(2009, 1, 2));
    EXPECT_FALSE(staysInsideRoot(*t.paths, root, rp.fullPath));
    EXPECT_TRUE(t.log.lines.back().contains("leads out of the storage folder"))
        << t.log.lines.back().toStdString();
    // A date folder linked to another date folder inside the share stays inside.
    ASSERT_TRUE(QFile::link(native + "/2008/2008-11-25", native + "/2008/2008-11-26"));
    EXPECT_TRUE(staysInsideRoot(*t.paths, root, root + "\\2008\\2008-11-26\\55-7.tif"));
    // The recycle folder linked out: nothing is moved there.
    QDir().mkpath(native + "/Recycled");
    ASSERT_TRUE(QFile::link(outside, native + "/Recycled/2008-11-25"));
    EXPECT_THROW(recycleRecordFile(t.s(), root, root + "\\2008\\2008-11-25\\55-7.tif"),
                 std::runtime_error);
    EXPECT_TRUE(QFile::exists(native + "/2008/2008-11-25/55-7.tif"));
    // The Test Write file planted as a link to a file outside: nothing is written through it.
    const QString testFile = native + "/test write20081125.txt";
    ASSERT_TRUE(QFile::link(outside + "/secret.tif", testFile));
    TestWrite(t.s());
    EXPECT_TRUE(t.prompter.lastText().contains("is a link")) << t.prompter.lastText().toStdString();
    QFile secret(outside + "/secret.tif");
    ASSERT_TRUE(secret.open(QIODevice::ReadOnly));
    EXPECT_EQ(secret.readAll(), QByteArray("II*\0", 4));
}
