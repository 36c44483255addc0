#pragma once
// A signed-in main window over the embedded demo database with the retrieval and maintenance
// workflows installed, the default share mapped to a scratch folder, and helpers to search
// and to write record files into the share.
#include "app/Settings.h"
#include "doubles/TestSession.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/scanning/ScannerUi.h"
#include "retrieval/OpenRecordWindow.h"
#include "viewer/MainWindow.h"

#include <QDialog>
#include <gtest/gtest.h>
#include <memory>

namespace retrievaltest {

class RetrievalFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the main window; `department` is the department name to choose ("MEDICAL
    // RECORDS" or "HUMAN RESOURCES").
    viewer::MainWindow& load(bool admin = true,
                             const QString& department = QStringLiteral("MEDICAL RECORDS"));
    // "&Open Record", then the window it shows.
    retrieval::OpenRecordWindow& openSearch();
    // Presses Search and waits for the rows.
    void search(retrieval::OpenRecordWindow& f);
    // Selects the grid row whose ID No. is `id` (and whose file name is `fileName` when given).
    bool selectRow(retrieval::OpenRecordWindow& f, const QString& id, const QString& fileName = {});
    // Writes a TIFF of `pages` pages below the share (native relative path, "/"-separated).
    QString writeShareFile(const QString& relative, int pages = 1);
    // One value of the records table.
    QString scalar(const QString& statement);
    // Adds a filed record; returns its recfile_id.
    QString addRecord(const QString& id, const QString& fileName, int recType,
                      const QString& description, const QString& date);
    // Every message shown so far, one text each.
    QStringList messages() const;
    // Texts of the grid's rows in column `column`.
    QStringList column(retrieval::OpenRecordWindow& f, int column) const;

    doubles::TestSession t;
    QString share;
    std::vector<QString> dialogsRun; // object names of the dialogs the maintenance opener ran
    std::function<void(QDialog&)> whileDialog;
    // Changes the main window's options before load() makes the window (engine doubles).
    std::function<void(viewer::MainWindowOptions&)> adjustOptions;
    std::unique_ptr<viewer::MainWindow> w;
};

} // namespace retrievaltest
