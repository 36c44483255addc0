#pragma once
// "Scan Batch...": one stack of several records scanned once into a file of the temporary
// folder, read for cover sheets and split into parts, listed for the user to check, correct
// or drop, and filed part by part as a filed scan is (fileScannedPages). The list window is
// `frmScanBatch`; a batch whose filing did not finish is offered again at the next start.
#include "capture/Batch.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

namespace viewer {
class MainWindow;
}

namespace capture {

class BatchWindow : public QWidget {
    Q_OBJECT
public:
    // The list of the batch `state` (kept in `nativeStateFile`); its pages are read for cover
    // sheets first when they have not been.
    BatchWindow(viewer::MainWindow& window, QString nativeStateFile, BatchState state);

    enum Column { ColId, ColName, ColType, ColPages, ColScanned, ColStatus, ColumnCount };

    QLabel* lblBatch;
    QTableWidget* lvwBatchParts;
    QPushButton* cmdFile;
    QPushButton* cmdDrop;
    QPushButton* cmdOpenUnfiled;
    QPushButton* cmdClose;

    const BatchState& state() const { return state_; }
    // The part a row shows.
    int partOfRow(int row) const { return rowParts_.value(row, -1); }
    // The file holding the pages left unfiled once every other part is filed or dropped.
    QString unfiledFile() const { return unfiledFile_; }

    // "File": every part that can be filed is, one after another as background jobs.
    void fileParts();
    // Drops the part of the current row (its pages stay with the batch), or takes it back.
    void dropPart();

private:
    // True when the window's department is the batch's; otherwise tells the user so.
    bool inBatchDepartment();
    struct Check {
        QString name;
        bool known = false;
        bool scanned = false; // sp_CheckScanned: filed already
    };
    void startReading();
    void recheck(size_t part);
    void refresh();
    bool fileable(size_t part) const;
    void fileNext(std::vector<size_t> queue);
    void finishIfDone();
    void save();
    QString native(const QString& logical) const;
    QString tempFile(const QString& suffix) const;

    viewer::MainWindow& w_;
    QString stateFile_;
    BatchState state_;
    std::vector<Check> checks_;
    QList<int> rowParts_;
    bool busy_ = false;
    bool filling_ = false;
    QString unfiledFile_;
};

// The File menu's "Scan Batch...".
void mnuFileScanBatch_Click(viewer::MainWindow& window);

// At the start, once the main window shows: each batch of the temporary folder whose filing
// did not finish is offered; Yes opens its list on what is there (No leaves it for later).
void offerInterruptedBatches(viewer::MainWindow& window);

} // namespace capture
