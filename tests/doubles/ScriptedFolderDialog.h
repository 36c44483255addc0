#pragma once
// The folder dialog answered from a script: each request gets the next answer (a native
// folder, or a cancel), and a cancel once the answers run out; every request is recorded.
#include "app/FolderDialog.h"
#include "doubles/ScriptedDialogs.h"

namespace doubles {

class ScriptedFolderDialog : public app::FolderDialog {
public:
    void answer(QString nativeFolder) { script_.push(std::move(nativeFolder)); }
    void cancel() { script_.push(std::nullopt); }
    std::optional<QString> chooseFolder(const app::FolderRequest& request) override {
        return script_.next(request);
    }
    const std::vector<app::FolderRequest>& requests() const { return script_.requests(); }

private:
    DialogScript<app::FolderRequest, QString> script_;
};

} // namespace doubles
