#include "app/FolderDialog.h"

#include <QDir>
#include <QFileDialog>

namespace app {

std::optional<QString> QtFolderDialog::chooseFolder(const FolderRequest& request) {
    QFileDialog dialog(request.owner, request.title);
    dialog.setObjectName("dlgChooseFolder");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (!request.initialFolder.isEmpty() && QDir(request.initialFolder).exists())
        dialog.setDirectory(request.initialFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::cleanPath(dialog.selectedFiles().constFirst());
}

} // namespace app
