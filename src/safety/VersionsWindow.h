#pragma once
// "Versions": the kept versions of the open record (time, pages, size), newest first; Restore
// puts the chosen one back after a question.
#include "safety/Versions.h"

#include <QDialog>
#include <functional>

class QTableWidget;
class QPushButton;

namespace app {
class Prompter;
}

namespace safety {

class VersionsWindow : public QDialog {
    Q_OBJECT
public:
    // `restore` puts a version back (the window closes once it has been asked to).
    VersionsWindow(const VersionStore& store, const QString& recordName, app::Prompter& prompter,
                   std::function<void(const QString& versionPath)> restore,
                   QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QPushButton* restoreButton() const { return cmdRestore_; }
    // Asks about the chosen version and restores it on Yes.
    void restoreChosen();

private:
    std::vector<KeptVersion> versions_;
    QString recordName_;
    app::Prompter& prompter_;
    std::function<void(const QString&)> restore_;
    QTableWidget* table_ = nullptr;
    QPushButton* cmdRestore_ = nullptr;
};

} // namespace safety
