#pragma once
// Undo, Redo and "Versions..." on the main window: each record the page display opens gets
// a RecordHistory observing its document model, whose versions are kept in the storage
// root's recycle area; the steps run as document jobs, and the display, the thumbnails and
// the page counter follow the model's reload.
#include "history/Event.h"
#include "safety/Versions.h"

#include <QObject>
#include <memory>

namespace viewer {
class MainWindow;
}

namespace safety {

class VersionCommands : public QObject {
    Q_OBJECT
public:
    explicit VersionCommands(viewer::MainWindow& window);
    ~VersionCommands() override;

    // Edit > Undo and Edit > Redo (document jobs; false when none was started).
    bool undo();
    bool redo();
    // Maintenance > Versions...: the open record's versions, one restored after a question.
    void showVersions();
    // Restores one kept version of the open record as a document job.
    bool restore(const QString& versionPath);

    // The history of the record open now (null when none).
    std::shared_ptr<RecordHistory> history() const { return history_; }
    // The commands installed on `window` (null before install).
    static VersionCommands* of(viewer::MainWindow& window);

private:
    // Follows the page display's document: a new model gets a history of its own.
    void follow();
    void detach();
    void updateFacts();
    // Runs a step as a document job; once done, it goes into the access history as `action`.
    bool startStep(const QString& title, std::function<void(RecordHistory&, imaging::DocumentModel&)> step,
                   history::Action action, const QString& details = {});

    viewer::MainWindow& w_;
    std::shared_ptr<imaging::DocumentModel> model_;
    std::shared_ptr<RecordHistory> history_;
};

void installVersionCommands(viewer::MainWindow& window);

} // namespace safety
