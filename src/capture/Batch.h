#pragma once
// A batch: one stack of several records, each led by its cover sheet, scanned once into a
// file of the temporary folder and split into parts at the cover sheets. What is known of a
// batch (its file, its parts, the user's corrections, which parts are filed) is kept in a
// small state file beside the batch file, so a batch whose filing did not finish can be
// continued at the next start without filing a part twice (docs/cover-sheets-and-batches.md).
#include "capture/CoverSheet.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace jobs {
class Job;
}

namespace capture {

struct BatchPart {
    // 1-based page of the part's cover sheet; 0 for the unfiled part.
    int sheetPage = 0;
    // 1-based pages of the batch file, the cover sheet first.
    QList<int> pages;
    QString id;          // read from the sheet or corrected by the user
    int recordType = 0;  // likewise
    bool replace = false; // the ID and type are filed already and the user chose to replace
    bool dropped = false; // not to be filed (its pages stay with the batch)
    bool filed = false;
    QString result;       // what the last filing said: why it was not filed
    // The unfiled part: why its pages are there ("page 1: no cover sheet", ...).
    QStringList notes;
    bool unfiled() const { return sheetPage == 0; }
};

struct BatchState {
    QString batchFile;  // the scanned pages (a logical path in the temporary folder)
    QString recordDate; // mm/dd/yyyy: the date every part is filed under (the scan's day)
    QString department; // the department it was scanned in: its parts are filed there only
    bool scanned = false; // the scan has ended (it may have stopped early)
    bool read = false;    // its pages have been read for cover sheets and split
    // parts[0] is the unfiled part (perhaps with no page), then one part per cover sheet.
    std::vector<BatchPart> parts;
    // 1-based pages of the batch that look blank (shown with their parts, never dropped).
    QList<int> blankPages;
};

// Splits a batch of `sheets.size()` pages (sheets[i]: what page i+1 says, nullopt when it is
// no cover sheet) into parts: each cover sheet whose ID `known` knows leads a part holding it
// and the pages up to the next sheet; the pages before the first sheet, and the pages of a
// sheet whose ID is unknown (the sheet included), go to the unfiled part, with a note each.
std::vector<BatchPart> splitBatch(const std::vector<std::optional<CoverSheetCodes>>& sheets,
                                  const std::function<bool(const QString& id)>& known);

// "1-3", "1, 5-6": pages as the list shows them.
QString pageRangesText(const QList<int>& pages);

// The state file of a batch file ("Batch-20260119-101500.tif" -> "Batch-20260119-101500.json").
QString batchStatePath(const QString& batchFile);
// Writes the state (native paths); false when it cannot (the batch goes on, unsaved).
bool saveBatchState(const QString& nativeStateFile, const BatchState& state);
std::optional<BatchState> loadBatchState(const QString& nativeStateFile);

// A job reading every page of `nativeBatchFile` for a cover sheet into `sheets` (one entry a
// page, in order), and measuring it for blank pages: the 1-based pages below
// `blankInkPercent` go to `blanks`. Pages are read at about 150 dpi.
jobs::Job* makeBatchReadJob(const QString& nativeBatchFile,
                            std::shared_ptr<std::vector<std::optional<CoverSheetCodes>>> sheets,
                            std::shared_ptr<QList<int>> blanks, double blankInkPercent);

} // namespace capture
