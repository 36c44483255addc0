#pragma once
// Pieces shared by the workflows' tool windows (Check Storage, Record History, Patient
// Access...): one window of a kind per main window, and the date boxes of their ranges.
#include "viewer/MainWindow.h"

#include <QDate>
#include <QStringList>

class QDateEdit;
class QTableWidget;
class QWidget;

namespace viewer {

// Shows the main window's window of type W named `name`: the one open comes to the front, or
// `make()` makes a new one, which is shown.
template <class W, class Make> void showOneWindow(MainWindow& main, const char* name, Make make) {
    if (auto* open = main.findChild<W*>(name)) {
        open->raise();
        open->activateWindow();
        return;
    }
    W* window = make();
    window->show();
}

// A read-only list of whole rows under `headings`, its last column stretched.
QTableWidget* makeListGrid(QWidget* parent, const char* name, const QStringList& headings);

// A date box of a range ("MM/dd/yyyy", with a calendar).
QDateEdit* makeDateBox(QWidget* parent, const char* name, const QDate& date);

} // namespace viewer
