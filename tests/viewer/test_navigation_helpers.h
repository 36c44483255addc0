#pragma once
// What the navigation tests share: the page the display shows (read from its marker pixels),
// clicks on toolbar buttons, and a window ready for mouse work.
#include "ViewerFixture.h"
#include "viewer/NavigationCommands.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

namespace viewertest {

class NavigationFixture : public ViewerFixture {
protected:
    // Loads the window and takes the start picture off the panes (its timer would). The
    // messages of the load are forgotten: tests look at what their commands show.
    viewer::MainWindow& loadWindow(bool admin = true) {
        load(admin);
        ui().Picture1->hide();
        t.prompter.shown.clear();
        return *w;
    }
    // The label of the page on screen, read from the painted viewport.
    int shownLabel() {
        settle();
        const QRect page = edit().displayedImageRect();
        if (page.isEmpty()) return -1;
        return pageLabel(edit().viewport()->grab().toImage().copy(page));
    }
    void clickToolbar(const QString& key) {
        QWidget* button = ui().tbarMain->widgetForAction(action(key));
        ASSERT_NE(button, nullptr) << key.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }
    QString counter() const { return ui().txtPages->text(); }
};

} // namespace viewertest
