#include "db/DbError.h"
#include "db/SqlTokenizer.h"

#include <QStringList>
#include <gtest/gtest.h>

using db::SqlToken;
using db::SqlTokenizer;

namespace {

QStringList texts(const std::vector<SqlToken>& t) {
    QStringList l;
    for (const auto& k : t)
        if (k.kind != SqlToken::End) l << k.text;
    return l;
}

TEST(Tokenizer, SplitsNamesLiteralsAndOperators) {
    const auto t = SqlTokenizer::tokenize(
        "SELECT [dbo].[tbl x], RF.a<>'it''s', N'Müller' FROM dbRecords..t WHERE n>=10.5");
    EXPECT_EQ(texts(t),
              (QStringList{"SELECT", "dbo", ".",    "tbl x", ",",      "RF",   ".",
                           "a",      "<>",  "it's", ",",     "Müller", "FROM", "dbRecords",
                           ".",      ".",   "t",    "WHERE", "n",      ">=",   "10.5"}));
    EXPECT_EQ(t[1].kind, SqlToken::QuotedName);
    EXPECT_EQ(t[9].kind, SqlToken::String);
    EXPECT_FALSE(t[9].national);
    EXPECT_TRUE(t[11].national);
    EXPECT_EQ(t.back().kind, SqlToken::End);
    EXPECT_TRUE(SqlTokenizer::tokenize("sElEcT")[0].isWord("SELECT")); // any case
    EXPECT_FALSE(t[1].isWord("DBO")); // a bracketed name is never a keyword
}

TEST(Tokenizer, DropsCommentsButKeepsThemInsideLiterals) {
    const auto t = SqlTokenizer::tokenize("SELECT 1 -- rest\n/* block */ , '--not /* a comment'");
    EXPECT_EQ(texts(t), (QStringList{"SELECT", "1", ",", "--not /* a comment"}));
}

TEST(Tokenizer, KeepsPositionsOfTheStatementText) {
    const QString s = "select  x from y";
    const auto t = SqlTokenizer::tokenize(s);
    EXPECT_EQ(s.mid(t[1].position, 1), "x");
    EXPECT_EQ(s.mid(t[3].position, 1), "y");
}

TEST(Tokenizer, RejectsUnterminatedLiteralsNamesAndComments) {
    for (const char* bad : {"SELECT 'abc", "SELECT [abc", "SELECT 1 /* open", "SELECT 'a''"}) {
        try {
            SqlTokenizer::tokenize(bad);
            FAIL() << bad;
        } catch (const db::Error& e) {
            EXPECT_TRUE(e.number() == 105 || e.number() == 113) << bad;
            EXPECT_EQ(e.statement(), QString(bad));
        }
    }
}

TEST(Tokenizer, ReadsVariablesAndTwoCharacterOperators) {
    const auto t = SqlTokenizer::tokenize("@@IDENTITY @x != <= ||");
    EXPECT_EQ(t[0].kind, SqlToken::Variable);
    EXPECT_EQ(t[0].text, "@@IDENTITY");
    EXPECT_EQ(t[1].text, "@x");
    EXPECT_TRUE(t[2].isOp("!="));
    EXPECT_TRUE(t[3].isOp("<="));
    EXPECT_TRUE(t[4].isOp("||"));
}

} // namespace
