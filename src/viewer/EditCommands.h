#pragma once
// Page editing: cut, copy, copy page, paste, clear, delete pages, rotate and flip, duplicate
// a page, the image operation buttons, the mouse modes, and the selection state fed by the
// page display's notifications.
#include <QObject>
#include <QString>

namespace viewer {

class MainWindow;

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

    // Selection state.
    bool AnnoSelected = false;
    bool PasteDone = false;
    QString SelectionKind;
    bool CopyingPage = false;

private:
    MainWindow& w_;
};

} // namespace viewer
