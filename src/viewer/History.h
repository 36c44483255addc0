#pragma once
// The access history of what is done with the document shown: an action on the record's own
// file names the record (recfile_id, ID, hospital number); on any other file, the file alone.
#include "history/Event.h"

#include <QString>

namespace viewer {

class MainWindow;

void recordDocumentHistory(MainWindow& w, history::Action action, const QString& pages = {},
                           const QString& details = {});

// Pages as the history shows them: "3", or "2-5".
QString pageRange(int first, int last);

} // namespace viewer
