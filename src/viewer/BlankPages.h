#pragma once
// Pages that look blank (the blank backs of a duplex scan, a sheet fed twice): measured after
// pages come into the open document (a scan, an insert, an append, a rescan, an import),
// marked in the thumbnail strip and the page counter, and deleted together by the Page menu's
// "Delete Marked Blank Pages" after a question that lists their numbers.
//
// The marks belong to pages, not to numbers: they follow the document's change notices
// (pages inserted before a marked page move its mark, a deleted page takes its mark along, a
// page the user edits loses it, a file read again loses them all), and a document closed and
// opened again in this run gets its marks back while its page count is the same.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

namespace app {
class SettingsStore;
}
namespace imaging {
class DocumentModel;
}

namespace viewer {

class MainWindow;

// The ink (percent of a page) below which a page counts as blank: the setting
// "BlankPageInk" of section [Scan] in the program's preferences ("TALVOR Docuvane"), a
// decimal number such as 0.005; absent, not a number or negative gives
// imaging::kDefaultBlankPageInk.
double blankPageInkSetting(const app::SettingsStore* settings);

class BlankPageMarks : public QObject {
    Q_OBJECT
public:
    explicit BlankPageMarks(MainWindow& w);
    ~BlankPageMarks() override;

    // Measures pages first..first+count-1 (1-based, clipped to the document) of the open
    // document on a worker, as a background job of the window (its progress in the status
    // bar; the window keeps painting and its commands stay). When it ends, the marks of those
    // pages are set from the result; when the document changed or was closed meanwhile the
    // result is dropped. Nothing happens without an open document.
    void check(int first, int count);
    void checkAll();
    // A check is running.
    bool checking() const { return running_ > 0; }

    // Marked pages of the open document, 1-based, ascending.
    std::vector<int> marked() const;
    bool isMarked(int page) const;

    // "Delete Marked Blank Pages": asks whether to delete the marked pages (naming them);
    // Yes deletes them as "Delete Pages" deletes the selected ones (the same rights, the same
    // job, the same history), No leaves everything as it is.
    void deleteMarked();

    // Puts the marks on the thumbnail strip and the page counter and sets the Page menu's
    // item: for the window, after it has given the strip the document anew.
    void showMarks();

signals:
    // The marks changed (a check ended, pages moved, a page was edited, another document).
    void marksChanged();
    // A check ended: its marks applied (`applied`), or dropped / failed.
    void checkFinished(bool applied);

private:
    void attach(const QString& enginePath);
    void detach();
    void onInserted(int first, int count);
    void onRemoved(int first, int count);
    void onChanged(int index);
    void onReloaded();
    void changed(); // a notice of the document: running checks are stale, marks shown anew

    MainWindow& w_;
    QPointer<imaging::DocumentModel> model_;
    QString path_;
    std::vector<bool> marks_; // per page of the open document
    // Marks of documents closed in this run, by path, kept while their page count is the same.
    QHash<QString, std::vector<bool>> kept_;
    quint64 generation_ = 0; // counts the document's notices; a check started before is stale
    int running_ = 0;
    std::vector<QMetaObject::Connection> connections_;
};

// For workflows that add pages to the window's open document: checks pages
// first..first+count-1 (see BlankPageMarks::check).
void checkBlankPages(MainWindow& w, int first, int count);

} // namespace viewer
