#pragma once
// A fresh embedded database with the demo data in a temporary folder, for each test.
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace dbtest {

class EmbeddedTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db::EmbeddedDatabase::Options options;
        options.passwordCost = db::PasswordCost::cheapForTests(); // the hashing itself is tested on its own
        options.demoData = withDemoData();
        db::EmbeddedDatabase::ensure(dir.path(), options);
        conn = std::make_unique<db::SqliteConnection>(dir.path());
    }
    virtual bool withDemoData() const { return true; }

    // All rows of a statement as text, NULL as "NULL".
    std::vector<QStringList> rows(const QString& statement) {
        auto rs = conn->execute(statement);
        std::vector<QStringList> out;
        for (const auto& row : rs->rows()) {
            QStringList l;
            for (const QVariant& v : row)
                l << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out.push_back(l);
        }
        return out;
    }
    // One column of every row.
    QStringList column(const QString& statement, const QString& name) {
        auto rs = conn->execute(statement);
        QStringList out;
        for (; !rs->eof(); rs->moveNext())
            out << rs->text(name);
        return out;
    }
    QString scalar(const QString& statement) {
        auto rs = conn->execute(statement);
        EXPECT_FALSE(rs->eof()) << statement.toStdString();
        return rs->eof() ? QString() : rs->value(0).toString();
    }

    // The error number of a statement that must fail (0 when it does not), checking that the
    // error names the statement.
    int errorOf(const QString& statement) {
        try {
            conn->execute(statement);
        } catch (const db::Error& e) {
            EXPECT_EQ(e.statement(), statement);
            EXPECT_FALSE(e.description().isEmpty());
            return e.number();
        }
        return 0;
    }

    testsupport::TempDir dir;
    std::unique_ptr<db::SqliteConnection> conn;
};

} // namespace dbtest
