#pragma once
// For the shot tools that work on an open record (they link Qt6::Test): a three-page record
// shown in the window, and a wait for the window's jobs.
#include "ShotSupport.h"
#include "viewer/JobHost.h"

#include <QDir>
#include <QTest>

namespace shots {

// Lets the window's jobs finish and their notices arrive.
inline void finishJobs(viewer::MainWindow& w) {
    for (int i = 0; i < 2000 && w.jobs().anyRunning(); ++i) QTest::qWait(5);
    QTest::qWait(100);
}

// Writes a three-page record (admission record, nursing notes, orders) into `folder` and
// shows it in the window; returns its path.
inline QString openThreePageRecord(viewer::MainWindow& w, const QString& folder) {
    const QString path = QDir(folder).filePath("250123-1.tif");
    imaging::writeDocument(path, {textPage("ADMISSION RECORD - Garcia, Maria Santos", 20),
                                  textPage("NURSING NOTES - page 2", 14),
                                  textPage("ORDERS - page 3", 8)});
    w.doc().gblnNewDocument = false;
    w.PerformFileOpen(false, path, 1);
    finishJobs(w);
    return path;
}

} // namespace shots
