#include "viewer/ToolWindows.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QTableWidget>

namespace viewer {

QTableWidget* makeListGrid(QWidget* parent, const char* name, const QStringList& headings) {
    auto* grid = new QTableWidget(0, int(headings.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headings);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->hide();
    return grid;
}

QDateEdit* makeDateBox(QWidget* parent, const char* name, const QDate& date) {
    auto* box = new QDateEdit(date, parent);
    box->setObjectName(name);
    box->setCalendarPopup(true);
    box->setDisplayFormat("MM/dd/yyyy");
    return box;
}

} // namespace viewer
