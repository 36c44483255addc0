#pragma once
// Opening a filed record into the main window, and deleting the opened record's row.
#include <QString>
#include <QStringList>

namespace viewer {
class MainWindow;
}

namespace retrieval {

// Opens the record of one search row (its 17 column texts): looks up the row's stored file
// name and finds the file under the storage root (either stored form), lets the document
// shown go with one save question (closing it when nothing can be opened in its place),
// copies the row into the record context, opens the file at page 1 and fills the record
// panel. Returns false when the user cancelled the save question (the record context is then
// left as it was) or when the save asked for runs first (the opening goes on after it).
bool openRecord(viewer::MainWindow& window, const QStringList& row);

// "Delete Record": after the rights check and the user's confirmation, removes the row of the
// record opened in this session, and only while that record's file is the document shown.
// A server that does not count the rows deleted is answered by reading the row back.
void deleteRecord(viewer::MainWindow& window);

} // namespace retrieval
