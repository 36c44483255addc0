// Hostile text typed or pasted into every criterion of the search (both modes) and every
// editable cell of the maintenance grid: no statement fails, no row changes but the one a
// maintainer saves (and that one holds exactly what was typed), and the windows keep working.
#include "RetrievalFixture.h"

#include "maintenance/MaintenanceDialog.h"

#include "retrieval/SearchResultModel.h"
#include "viewer/SessionCommands.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

using namespace retrievaltest;

namespace {

QStringList hostileValues() {
    QStringList v = {"'", "''", "O'Brien", "'; DROP TABLE tblRecFiles; --", "--", ";", "/*", "*/",
                     "]", "[", "[a-", "%", "_", "%%_", "\\", "\\\\", "\"", "' OR '1'='1",
                     "') OR ('1'='1", "1' UNION ALL SELECT * FROM dbRecords..tblRecFiles --",
                     "%' --", "NULL", " ", "   ", "\r\n", "\t", "@@version", "char(39)",
                     "12/31/9999", "0/0/0000", "2025-02-30", "; EXEC xp_cmdshell 'dir'",
                     "<script>alert(1)</script>", "$(rm -rf /)", "😀 Müller ǅ"};
    v << QString(QChar(0)) << QString("a") + QChar(0) + "'b" << QString(10000, 'x')
      << QString(10000, '\'') << QString::fromUtf8("\u200F250123\u200E")
      << QString::fromUtf8("\u202Egnirts'") << QString::fromUtf8("\uFEFF")
      << QString(QChar(0xD800)) + "x";
    return v;
}

// Text as a paste of invalid UTF-8 from another program gives it.
QString invalidUtf8() { return QString::fromUtf8("\xC3\x28\xFF\xFE'\xE2\x82", 7); }

class HostileInput : public RetrievalFixture {
protected:
    // Every column of every filed row, as one text.
    QString table() {
        QString all;
        auto rs = t.demo->execute("SELECT * FROM dbRecords..tblRecFiles ORDER BY recfile_id");
        for (const auto& row : rs->rows())
            for (const QVariant& v : row) all += v.toString() + "|";
        auto types = t.demo->execute("SELECT * FROM dbRecords..tblRecType ORDER BY rectype_id");
        for (const auto& row : types->rows())
            for (const QVariant& v : row) all += v.toString() + "|";
        return all;
    }
    QStringList statementErrors() const {
        QStringList e;
        for (const QString& m : messages())
            if (m != "Invalid Date.") e << m;
        return e;
    }
    void searchEveryBox(retrieval::OpenRecordWindow& f, const QStringList& values) {
        QList<QLineEdit*> boxes = {f.txtAdmNo, f.txtDesc, f.txtScandate, f.txtDateUpdated};
        if (f.recMode() == 1) boxes << f.txtPatName << f.txtHospNum << f.txtAdmDate;
        for (const QString& value : values) {
            for (QLineEdit* box : boxes) {
                for (QLineEdit* b : boxes) b->clear();
                box->setText(value);
                search(f);
                ASSERT_TRUE(statementErrors().isEmpty())
                    << box->objectName().toStdString() << ": " << value.left(40).toStdString()
                    << " -> " << statementErrors().join(" / ").toStdString();
            }
            // All boxes at once.
            for (QLineEdit* b : boxes) b->setText(value);
            f.chkBydate->setChecked(!f.chkBydate->isChecked());
            search(f);
            ASSERT_TRUE(statementErrors().isEmpty()) << value.left(40).toStdString();
        }
        // Pasted invalid UTF-8.
        QGuiApplication::clipboard()->setText(invalidUtf8());
        for (QLineEdit* b : boxes) {
            b->clear();
            b->paste();
        }
        search(f);
        EXPECT_TRUE(statementErrors().isEmpty());
        for (QLineEdit* b : boxes) b->clear();
    }
};

} // namespace

TEST_F(HostileInput, SearchCriteriaInBothModesChangeNoStatementShapeAndNoRow) {
    const QStringList values = hostileValues();
    ASSERT_GE(values.size(), 30);
    load(true, "MEDICAL RECORDS");
    const QString before = table();
    auto& f = openSearch();
    f.chkIncludeOutPatient->setChecked(true);
    searchEveryBox(f, values);
    // Still a working window: an ordinary search finds its rows.
    f.txtAdmNo->setText("250123");
    search(f);
    EXPECT_GT(f.results().recordCount(), 0);

    w->ui().cboDept->setCurrentIndex(w->ui().cboDept->findText("HUMAN RESOURCES"));
    w->sessionCommands().cboDept_Click();
    auto& g = openSearch();
    ASSERT_EQ(g.recMode(), 0);
    searchEveryBox(g, values);
    g.txtAdmNo->setText("5012");
    search(g);
    EXPECT_GT(g.results().recordCount(), 0);
    EXPECT_EQ(table(), before);
}

TEST_F(HostileInput, MaintenanceGridStoresExactlyWhatIsTypedOrRefusesIt) {
    QStringList values = hostileValues();
    values << invalidUtf8();
    load();
    maintenance::MaintenanceDialog d(t.s(), *w, w.get());
    // Hostile record numbers load nothing and fail nothing.
    for (const QString& v : values) {
        d.txtRecFileID->setText(v);
        d.cmdGo->click();
        ASSERT_TRUE(messages().isEmpty()) << v.left(40).toStdString();
        EXPECT_EQ(d.row().rowCount(), 0) << v.left(40).toStdString();
    }
    d.txtRecFileID->setText("1");
    d.cmdGo->click();
    ASSERT_EQ(d.row().rowCount(), 1);
    auto othersOf = [&] {
        QString all;
        auto rs = t.demo->execute("SELECT * FROM dbRecords..tblRecFiles WHERE recfile_id <> 1 "
                                  "ORDER BY recfile_id");
        for (const auto& row : rs->rows())
            for (const QVariant& v : row) all += v.toString() + "|";
        return all;
    };
    const QString others = othersOf();
    int saved = 0, refused = 0;
    for (int column : {1, 2, 3}) {
        const QString name = d.row().headerData(column, Qt::Horizontal).toString();
        for (const QString& v : values) {
            t.prompter.shown.clear();
            const QString typed = column == 3 ? "\\2025\\2025-03-14\\" + v + ".tif" : v;
            const QModelIndex cell = d.row().index(0, column);
            if (!d.row().setData(cell, typed, Qt::EditRole)) {
                ++refused;
                ASSERT_EQ(messages().size(), 1) << name.toStdString() << " " << v.left(40).toStdString();
                EXPECT_TRUE(messages()[0].endsWith("The change is not taken."));
                continue;
            }
            d.cmdUpdate->click();
            ASSERT_TRUE(messages().isEmpty())
                << name.toStdString() << " " << v.left(40).toStdString() << " -> "
                << messages().join(" / ").toStdString();
            ++saved;
            auto rs = t.demo->execute("SELECT " + name +
                                      " FROM dbRecords..tblRecFiles WHERE recfile_id = 1");
            const QString expect = column == 2 ? QString::number(typed.trimmed().toInt()) : typed;
            if (d.lblStatus->text() == "Saved.")
                EXPECT_EQ(rs->text(name), expect) << name.toStdString() << " " << v.left(40).toStdString();
        }
    }
    EXPECT_GT(saved, 10);
    EXPECT_GT(refused, 10);
    EXPECT_EQ(othersOf(), others);
}
