// Result sets: ADO-style positioning and column access, and writing back an updatable row.
#include "EmbeddedFixture.h"
#include "db/KeyedRowWriter.h"

#include <QDateTime>

namespace {

TEST(Recordset, PositionsLikeAdo) {
    db::Recordset rs({"a", "B"}, {{1, "x"}, {2, "y"}});
    EXPECT_TRUE(rs.isOpen());
    EXPECT_FALSE(rs.bof());
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(rs.value("b").toString(), "x");
    rs.moveNext();
    EXPECT_EQ(rs.value(0).toInt(), 2);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.value("a"), db::Error);
    rs.moveLast();
    EXPECT_EQ(rs.value("A").toInt(), 2);
    rs.movePrevious();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    rs.moveFirst();
    EXPECT_EQ(rs.absolutePosition(), 0);
    EXPECT_EQ(rs.fieldIndex("missing"), -1);
    EXPECT_THROW(rs.value("missing"), db::Error);
    EXPECT_THROW(rs.setValue("a", 5), db::Error); // read-only
    rs.close();
    EXPECT_FALSE(rs.isOpen());
    EXPECT_THROW(rs.value(0), db::Error);

    db::Recordset empty({"a"}, {});
    EXPECT_TRUE(empty.bof() && empty.eof());
    db::Recordset row({"n"}, {{QVariant()}});
    EXPECT_TRUE(row.isNull("n"));
    EXPECT_EQ(row.text("n"), "");
}

TEST(SingleTableSelect, RecognisesOnlyPlainSingleTableSelects) {
    auto s = db::parseSingleTableSelect(
        "SELECT recfile_id,admission_id,rectype_id,file_name   FROM dbRecords.dbo.tblRecFiles "
        "WHERE recfile_id='5'");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->table, "dbRecords.dbo.tblRecFiles");
    EXPECT_EQ(s->columns, (QStringList{"recfile_id", "admission_id", "rectype_id", "file_name"}));
    EXPECT_TRUE(db::parseSingleTableSelect("SELECT * FROM dbRecords..tblRecType T"));
    EXPECT_FALSE(db::parseSingleTableSelect("SELECT a FROM t JOIN u ON 1=1"));
    EXPECT_FALSE(db::parseSingleTableSelect("SELECT a + 1 FROM t"));
    EXPECT_FALSE(db::parseSingleTableSelect("SELECT a FROM t, u"));
    EXPECT_FALSE(db::parseSingleTableSelect("SELECT a FROM t UNION ALL SELECT a FROM u"));
}

TEST(KeyedRowWriter, UpdatesChangedColumnsWhereTheyStillHoldTheirOldValues) {
    QStringList sent;
    db::KeyedRowWriter w(
        [&](const QString& s) {
            sent << s;
            return 1L;
        },
        "dbRecords.dbo.tblRecFiles", "recfile_id", {"recfile_id", "file_name", "Description"});
    w.updateRow({}, {5, "a'b", QVariant()}, {5, "c", "new"});
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0], "UPDATE dbRecords.dbo.tblRecFiles SET [file_name] = N'c', [Description] = "
                       "N'new' WHERE [recfile_id] = 5 AND [file_name] = N'a''b' AND "
                       "[Description] IS NULL");
    w.updateRow({}, {5, "c", "x"}, {5, "c", "x"});
    EXPECT_EQ(sent.size(), 1); // nothing changed, nothing sent
    EXPECT_THROW(w.updateRow({}, {5, "c", "x"}, {6, "c", "x"}), db::Error); // the key itself
    db::KeyedRowWriter gone([](const QString&) { return 0L; }, "t", "id", {"id", "v"});
    try {
        gone.updateRow({}, {1, "a"}, {1, "b"});
        FAIL();
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), -2147217864);
    }
}

class UpdatableRows : public dbtest::EmbeddedTest {};

TEST_F(UpdatableRows, WritesBackByKeyAndRefusesConcurrentChanges) {
    const QString s = "SELECT recfile_id,admission_id,rectype_id,file_name   FROM "
                      "dbRecords.dbo.tblRecFiles WHERE recfile_id='1'";
    auto rs = conn->open(s, db::kDynamicOptimistic);
    ASSERT_TRUE(rs->updatable());
    rs->setValue("rectype_id", 3);
    rs->setValue("file_name", "\\2025\\2025-03-14\\250123-9.tif");
    rs->update();
    auto check = conn->execute("SELECT rectype_id, file_name FROM dbRecords..tblRecFiles WHERE "
                               "recfile_id = 1");
    EXPECT_EQ(check->value("rectype_id").toInt(), 3);
    EXPECT_EQ(check->text("file_name"), "\\2025\\2025-03-14\\250123-9.tif");

    // Someone else changes the row: the next write is refused, the row keeps their change.
    conn->execute("UPDATE dbRecords..tblRecFiles SET file_name = 'theirs' WHERE recfile_id = 1");
    rs->setValue("file_name", "mine");
    EXPECT_THROW(rs->update(), db::Error);
    EXPECT_EQ(scalar("SELECT file_name FROM dbRecords..tblRecFiles WHERE recfile_id = 1"),
              "theirs");
}

TEST_F(UpdatableRows, DatesAndNullsRoundTrip) {
    auto rs = conn->open("SELECT recfile_id, date_created, file_type FROM dbRecords..tblRecFiles "
                         "WHERE recfile_id = 2",
                         db::kDynamicOptimistic);
    rs->setValue("date_created", QDateTime(QDate(2025, 3, 15), QTime(8, 30)));
    rs->setValue("file_type", "TIF");
    rs->update();
    rs->setValue("file_type", QVariant());
    rs->update();
    auto check = conn->execute("SELECT date_created, file_type FROM dbRecords..tblRecFiles WHERE "
                               "recfile_id = 2");
    EXPECT_EQ(check->value("date_created").toDateTime(),
              QDateTime(QDate(2025, 3, 15), QTime(8, 30)));
    EXPECT_TRUE(check->isNull("file_type"));
}

TEST_F(UpdatableRows, OnlySingleTableSelectsWithTheKeyAreUpdatable) {
    EXPECT_THROW(conn->open("SELECT admission_id, file_name FROM dbRecords..tblRecFiles",
                            db::kDynamicOptimistic),
                 db::Error);
    EXPECT_THROW(conn->open("SELECT RF.recfile_id FROM dbRecords..tblRecFiles RF JOIN "
                            "dbRecords..tblRecType RT ON RF.rectype_id = RT.rectype_id",
                            db::kDynamicOptimistic),
                 db::Error);
    EXPECT_FALSE(conn->open("SELECT recfile_id FROM dbRecords..tblRecFiles")->updatable());
}

TEST_F(UpdatableRows, AWriteAfterTheConnectionIsGoneFails) {
    auto rs = conn->open("SELECT recfile_id, file_name FROM dbRecords..tblRecFiles WHERE "
                         "recfile_id = 4",
                         db::kDynamicOptimistic);
    conn.reset();
    rs->setValue("file_name", "x");
    EXPECT_THROW(rs->update(), db::Error);
}

} // namespace
