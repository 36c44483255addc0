// Batch scanning through "Scan Batch..." and the scanner double: a stack of several records
// led by cover sheets is split into parts, listed, filed part by part (the already-scanned
// rule per part), its stray pages kept; a batch left unfinished is offered at the next start
// and continued without filing a part twice.
#include "CaptureFixture.h"

#include "app/Settings.h"
#include "capture/BatchWindow.h"
#include "capture/CoverSheet.h"
#include "imaging/documents/Document.h"
#include "viewer/JobHost.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace capturetest {
namespace {

class BatchScan : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        t.settings.write(app::kAppPrefs, "Scanner", "Resolution", "200");
    }
    // Puts a stack in the feeder: a cover sheet (200 dpi) for each {id, type} entry, a plain
    // page for each entry with an empty ID. Page n of the scan carries marker label n.
    void feed(const std::vector<std::pair<QString, int>>& stack, int failAfterPages = -1) {
        auto lock = fake->lock();
        fake->script().feederSheets = int(stack.size());
        fake->script().failAfterPages = failAfterPages;
        fake->script().sheetImages.clear();
        for (const auto& [id, type] : stack) {
            if (id.isEmpty()) {
                QImage plain(600, 800, QImage::Format_RGB32);
                plain.fill(Qt::white);
                fake->script().sheetImages.push_back(plain);
                continue;
            }
            capture::CoverSheetContent content;
            content.id = id;
            content.recordType = type;
            content.recordTypeName = "RECORD TYPE";
            content.date = QDate(2008, 11, 25);
            fake->script().sheetImages.push_back(capture::renderCoverSheet(content, 200));
        }
    }
    capture::BatchWindow* scanBatch() {
        EXPECT_TRUE(w->ui().mnuFileScanBatch->isEnabled());
        w->ui().mnuFileScanBatch->trigger();
        waitJobs();
        waitJobs(); // the reading job started by the list
        return dialog<capture::BatchWindow>("frmScanBatch");
    }
    // The list as text: one "ID | name | type | pages | scanned | status" line a row.
    static QStringList rows(capture::BatchWindow& b) {
        QApplication::processEvents();
        QStringList out;
        QTableWidget* t = b.lvwBatchParts;
        for (int r = 0; r < t->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < t->columnCount(); ++c) {
                auto* combo = qobject_cast<QComboBox*>(t->cellWidget(r, c));
                cells << (combo ? combo->currentText() : t->item(r, c)->text());
            }
            out << cells.join(" | ");
        }
        return out;
    }
    int rowsOf(const QString& id, int type) {
        return scalar("SELECT COUNT(*) FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
                      "' AND rectype_id = " + QString::number(type))
            .toInt();
    }
    // The marker labels of the pages of the file filed for `id` and `type` (its one row).
    std::vector<int> filedLabels(const QString& id, int type) {
        const QString name =
            scalar("SELECT file_name FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
                   "' AND rectype_id = " + QString::number(type));
        EXPECT_EQ(name, "\\2008\\2008-11-25\\" + id + "-" + QString::number(type) + ".tif");
        return labels(native(root + name));
    }
    static std::vector<int> labels(const QString& nativeFile) {
        std::vector<int> out;
        if (!QFileInfo::exists(nativeFile)) return out;
        const auto doc = imaging::Document::open(nativeFile);
        for (int i = 0; i < doc->pageCount(); ++i)
            out.push_back(doubles::FakeScanner::readLabel(doc->decodePage(i)));
        return out;
    }
    QStringList tempFiles() {
        return QDir(native(t.s().gstrTempDir)).entryList({"Batch-*"}, QDir::Files, QDir::Name);
    }
    // The demo's admissions: 230877 (D'Souza), 240311 (Garcia), 260045 (O'Brien; filed as
    // OPERATIVE REPORT already); 999999 is no admission.
    const QString a = "230877", b = "260045", c = "240311";
};

TEST_F(BatchScan, StackIsSplitListedAndFiledPartByPartStrayPagesKept) {
    load();
    // stray, A + 2, unknown + 1, B + 1, C + 3
    feed({{"", 0}, {a, 3}, {"", 0}, {"", 0}, {"999999", 3}, {"", 0}, {b, 4}, {"", 0}, {c, 3},
          {"", 0}, {"", 0}, {"", 0}});
    ASSERT_EQ(rowsOf(b, 4), 1);
    capture::BatchWindow* list = scanBatch();
    ASSERT_NE(list, nullptr);
    // The pages behind the sheets are the scanner's white marker sheets (only label blocks at
    // the edge): each is listed as looking blank, the cover sheets are not.
    EXPECT_EQ(rows(*list),
              (QStringList{
                  "230877 | D'Souza, Anil Kumar | LABORATORY RESULTS | 2-4 (3 pages; blank? 3-4) |  "
                  "| To be filed",
                  "260045 | O'Brien, Patrick Sean | OPERATIVE REPORT | 7-8 (2 pages; blank? 8) | Yes - "
                  "replace the earlier files | Not filed: scanned already (tick to replace the "
                  "earlier files)",
                  "240311 | Garcia, Jose | LABORATORY RESULTS | 9-12 (4 pages; blank? 10-12) |  | To "
                  "be filed",
                  " |  |  | 1, 5-6 (3 pages; blank? 1, 6) |  | Not filed: page 1: no cover sheet; "
                  "pages 5-6: unknown ID 999999"}));

    // File: A and C; B waits for its replace tick, so the batch stays in the temporary folder.
    t.prompter.shown.clear();
    list->cmdFile->click();
    waitJobs();
    EXPECT_EQ(rowsOf(a, 3), 1);
    EXPECT_EQ(rowsOf(c, 3), 1);
    EXPECT_EQ(rowsOf(b, 4), 1);
    EXPECT_EQ(scalar("SELECT file_name FROM dbRecords..tblRecFiles WHERE admission_id = '" + b +
                     "' AND rectype_id = 4"),
              "\\2026\\2026-01-19\\260045-4.tif");
    EXPECT_EQ(filedLabels(a, 3), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(filedLabels(c, 3), (std::vector<int>{9, 10, 11, 12}));
    EXPECT_EQ(rowsOf("999999", 3), 0);
    EXPECT_TRUE(t.prompter.shown.empty()) << t.prompter.lastText().toStdString();
    EXPECT_EQ(tempFiles().size(), 2) << tempFiles().join(", ").toStdString(); // batch + state
    QStringList now = rows(*list);
    EXPECT_TRUE(now[0].endsWith("| Filed")) << now[0].toStdString();
    EXPECT_TRUE(now[2].endsWith("| Filed")) << now[2].toStdString();

    // B replaced once asked; A and C are not filed again; the stray and unknown pages are kept
    // in a file of their own, the user told where.
    list->lvwBatchParts->item(1, capture::BatchWindow::ColScanned)->setCheckState(Qt::Checked);
    QApplication::processEvents();
    t.prompter.answers = {app::mb::No}; // open the pages not filed now? No
    list->cmdFile->click();
    waitJobs();
    EXPECT_TRUE(t.prompter.answers.empty());
    EXPECT_EQ(rowsOf(a, 3), 1);
    EXPECT_EQ(rowsOf(c, 3), 1);
    EXPECT_EQ(rowsOf(b, 4), 1);
    EXPECT_EQ(filedLabels(b, 4), (std::vector<int>{7, 8}));
    const QString unfiled = list->unfiledFile();
    ASSERT_FALSE(unfiled.isEmpty());
    EXPECT_TRUE(t.prompter.lastText().contains("(pages 1, 5-6 of the batch) are kept in the file " +
                                               unfiled))
        << t.prompter.lastText().toStdString();
    EXPECT_EQ(labels(native(unfiled)), (std::vector<int>{1, 5, 6}));
    EXPECT_EQ(tempFiles(), QStringList{QFileInfo(native(unfiled)).fileName()});

    // A third File files nothing.
    list->cmdFile->click();
    waitJobs();
    EXPECT_EQ(t.prompter.lastText(), "No part of the batch can be filed now.");
    EXPECT_EQ(rowsOf(a, 3) + rowsOf(b, 4) + rowsOf(c, 3), 3);
}

TEST_F(BatchScan, JammedBatchIsListedKeptAndContinuedAtTheNextStartWithoutRefiling) {
    load();
    // A + 1, C + 1, then a jam half-way through the fifth page.
    feed({{a, 3}, {"", 0}, {c, 3}, {"", 0}, {b, 4}, {"", 0}}, 4);
    capture::BatchWindow* list = scanBatch();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(messages().join("\n").contains("The 4 pages scanned are kept and listed"))
        << messages().join("\n").toStdString();
    QStringList listed = rows(*list);
    ASSERT_EQ(listed.size(), 2) << listed.join("\n").toStdString();
    EXPECT_TRUE(listed[0].startsWith("230877 | D'Souza, Anil Kumar | LABORATORY RESULTS | 1-2 "));
    EXPECT_TRUE(listed[1].startsWith("240311 | Garcia, Jose | LABORATORY RESULTS | 3-4 "));
    list->cmdClose->click();
    QApplication::processEvents();

    // The program ended after A was filed and before C: the state says so (A's row is left out
    // of the database on purpose, so filing A again would show).
    const QStringList states = QDir(native(t.s().gstrTempDir)).entryList({"Batch-*.json"});
    ASSERT_EQ(states.size(), 1);
    const QString stateFile = native(t.s().gstrTempDir) + "/" + states[0];
    QFile f(stateFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QJsonObject state = QJsonDocument::fromJson(f.readAll()).object();
    f.close();
    QJsonArray parts = state["parts"].toArray();
    bool marked = false;
    for (int i = 0; i < parts.size(); ++i) {
        QJsonObject part = parts[i].toObject();
        if (part["id"].toString() != a) continue;
        part["filed"] = true;
        parts[i] = part;
        marked = true;
    }
    ASSERT_TRUE(marked);
    state["parts"] = parts;
    // The batch belongs to the department it was scanned in.
    const QString department = state["department"].toString();
    EXPECT_EQ(department, t.s().gstrDepartmentID);
    auto writeState = [&](const QString& dept) {
        state["department"] = dept;
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(state).toJson());
        f.close();
    };
    // The next start: a new main window over the same temporary folder offers the batch.
    auto restart = [&] {
        w->jobs().cancelAllAndWait();
        w.reset();
        QApplication::processEvents();
        t.prompter.answers = {app::mb::Yes};
        load();
        EXPECT_TRUE(t.prompter.answers.empty()) << "the batch was not offered";
        return dialog<capture::BatchWindow>("frmScanBatch");
    };

    // Left in another department: offered, but nothing is filed from this one.
    writeState("HRD");
    list = restart();
    ASSERT_NE(list, nullptr);
    t.prompter.answers = {app::mb::OK};
    list->cmdFile->click();
    waitJobs();
    EXPECT_TRUE(t.prompter.lastText().startsWith("This batch was scanned in department HRD"))
        << t.prompter.lastText().toStdString();
    EXPECT_EQ(rowsOf(c, 3), 0);
    list->cmdClose->click();
    QApplication::processEvents();

    writeState(department);
    list = restart();
    ASSERT_NE(list, nullptr);
    listed = rows(*list);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed[0].endsWith("| Filed")) << listed[0].toStdString();
    EXPECT_TRUE(listed[1].endsWith("| To be filed")) << listed[1].toStdString();
    list->cmdFile->click();
    waitJobs();
    EXPECT_EQ(rowsOf(c, 3), 1);
    EXPECT_EQ(filedLabels(c, 3), (std::vector<int>{3, 4}));
    EXPECT_EQ(rowsOf(a, 3), 0);
    EXPECT_EQ(t.prompter.lastText(), "Every part of the batch is filed.");
    EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(", ").toStdString();
}

} // namespace
} // namespace capturetest
