#include "viewer/History.h"

#include "app/Session.h"
#include "viewer/MainWindow.h"

namespace viewer {

void recordDocumentHistory(MainWindow& w, history::Action action, const QString& pages,
                           const QString& details) {
    const app::Session& s = w.session();
    const QString file = w.doc().FullPathFileName;
    if (!s.rec.gstrRecFileId.isEmpty() &&
        file.compare(s.rec.gstrCurrentFile, Qt::CaseInsensitive) == 0)
        return s.recordRecordHistory(action, pages, details);
    history::Event e;
    e.action = action;
    e.fileName = file;
    e.pages = pages;
    e.details = details;
    s.recordHistory(e);
}

QString pageRange(int first, int last) {
    return first == last ? QString::number(first) : QString("%1-%2").arg(first).arg(last);
}

} // namespace viewer
