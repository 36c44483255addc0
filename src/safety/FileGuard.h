#pragma once
// Changes from elsewhere: before the shown document's file is written (a save, a page
// change, an import, a rescan), it must still be the file that was opened, by its size,
// modification time and directory chain. Another workstation's save, a move or a deletion
// refuses the write: nothing is overwritten and nothing deleted is recreated. The window then
// shows the file as it now is; unsaved edits are first saved under a new name beside it.
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/FileIdentity.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <mutex>

namespace viewer {
class MainWindow;
}

namespace safety {

// The write observer of one document model: refuses a write when the file is no longer the
// one this guard last saw (when the model opened it, or after its own writes).
class FileGuard : public imaging::WriteObserver {
public:
    // `refused` runs on the writing thread after a refusal (the file gone: `gone`).
    FileGuard(const imaging::DocumentModel& model, const QString& nativePath,
              std::function<void(bool gone)> refused);
    void beforeWrite(const imaging::DocumentModel& model, const QString& nativePath) override;
    void afterWrite(const imaging::DocumentModel& model, const QString& nativePath) override;

private:
    std::mutex mutex_;
    imaging::FileIdentity seen_;
    std::function<void(bool)> refused_;
};

// Keeps a guard on the model of the document the main window shows, and after a refused
// write brings the window to the file as it is now.
class GuardCommands : public QObject {
    Q_OBJECT
public:
    explicit GuardCommands(viewer::MainWindow& window);

private:
    void attach(const QString& enginePath);
    void refused(std::weak_ptr<imaging::DocumentModel> model, bool gone);
    void showAsItIsNow(const std::shared_ptr<imaging::DocumentModel>& model);
    viewer::MainWindow& w_;
    std::weak_ptr<imaging::DocumentModel> model_;
    std::shared_ptr<FileGuard> guard_;
    bool pending_ = false;
};

void installFileGuard(viewer::MainWindow& window);

} // namespace safety
