#pragma once
// Choosing a folder: the platform's folder dialog behind a small interface, so tests answer
// it from a script (doubles::ScriptedFolderDialog) and never show a modal window.
#include <QString>
#include <optional>

class QWidget;

namespace app {

struct FolderRequest {
    QString title;
    QString initialFolder; // native path; the dialog starts there when it exists
    QWidget* owner = nullptr;
};

class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // The native path of the folder the user chose, or nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const FolderRequest& request) = 0;
};

// Qt's folder dialog (folders only).
class QtFolderDialog : public FolderDialog {
public:
    std::optional<QString> chooseFolder(const FolderRequest& request) override;
};

} // namespace app
