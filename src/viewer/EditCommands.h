#pragma once
// Page editing: cut, copy, copy page, paste, clear, delete pages, rotate and flip, duplicate
// a page, the image operation buttons, the mouse modes, and the selection state fed by the
// page display's notifications.
#include "imaging/documents/DocumentModel.h"
#include "viewer/CommandState.h"

#include <QObject>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace imaging {
enum class PageEdit;
}

namespace viewer {

class MainWindow;

// Runs of consecutive page numbers, {first, count}, from the last pages down: the order in
// which selected pages are deleted so that the numbers still to be deleted stay valid.
std::vector<std::pair<int, int>> pageRunsFromLast(std::vector<int> pages);

class EditCommands : public QObject {
    Q_OBJECT
public:
    explicit EditCommands(MainWindow& w);

    void mnuEditActionItem_Click(int Index);
    void mnuEditSelectItem_Click(int Index);
    void mnuPageRotatePageItem_Click(int Index);
    void mDuplicate_Click();
    void cmdDup_Click();
    void cmdCommands_Click(int Index);
    void mnuCtxDel_Click();
    void mnuCtxFlip_Click();
    void mnuCtxRLeft_Click();
    void mnuCtxRRight_Click();

    // Page display notifications.
    void docImgEdit1_SelectionRectDrawn(int left, int top, int width, int height);
    void docImgEdit1_AnnotationSelected();
    void docImgEdit1_SelectionCleared();

    // Deletes `pages` (1-based, any order) as "Delete Pages" deletes the selected ones: the
    // user's rights checked, `question` asked (anything but Yes changes nothing), the pages
    // deleted in a document job, the deletion recorded in the history.
    void deletePages(std::vector<int> pages, const QString& question);

    // Selection state.
    bool AnnoSelected = false;
    bool PasteDone = false;
    viewer::SelectionKind SelectionKind = viewer::SelectionKind::None;
    bool CopyingPage = false;

private:
    void Cut();
    void Copy();
    void CopyPage();
    void Paste();
    void Clear();
    void DeletePages();
    void Duplicate();
    // Deletes `count` pages from `first` through the open model (or the file itself); a run
    // refused whole goes one page at a time from its last. Runs on a worker thread.
    static void deleteRun(const imaging::DocumentModelPtr& model, const QString& file,
                          const imaging::PathResolver& resolve, int first, int count);
    // Changes the shown page as a document job; `afterwards` runs when it succeeded, a
    // failure is reported.
    void startPageEdit(imaging::PageEdit edit, std::function<void()> afterwards);
    // Shows `page` after pages were rewritten, with the page items set for it.
    void showPageAfterRewrite(int page);
    void clearSelectedImageData();
    void clearSelectedAnnotations();
    // The kind that Cut and Copy report to the selection menus.
    viewer::SelectionKind selectedKind() const;
    void enablePaste();

    MainWindow& w_;
};

} // namespace viewer
