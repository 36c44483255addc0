#pragma once
// The floating annotation toolbox: one button per tool. Choosing a button asks the page
// display for that tool; the rubber-stamp button opens the stamp dialog. Closing the window
// by the user is reported (closedByUser) so that the owner can follow the toolbox's state;
// hiding it from code is not.
#include <QWidget>

class QButtonGroup;

namespace imaging {

class AnnotationToolbox : public QWidget {
    Q_OBJECT
public:
    explicit AnnotationToolbox(QWidget* parent = nullptr);

    // Shows `tool` as the chosen one (0 = none) without emitting anything.
    void setCurrentTool(int tool);
    int currentTool() const;

signals:
    void toolChosen(int tool);
    void stampDialogRequested();
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QButtonGroup* group_ = nullptr;
    int current_ = 0;
};

} // namespace imaging
