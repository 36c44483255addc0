#include "imaging/controls/ImageEditDialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>

namespace imaging {

bool QtEditDialogs::run(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QString> QtEditDialogs::askText(QWidget* parent, const QString& title,
                                              const QString& label, bool multiLine) {
    bool ok = false;
    const QString text =
        multiLine ? QInputDialog::getMultiLineText(parent, title, label, {}, &ok)
                  : QInputDialog::getText(parent, title, label, QLineEdit::Normal, {}, &ok);
    if (!ok) return std::nullopt;
    return text;
}

QString QtEditDialogs::chooseFile(QWidget* parent, const QString& caption, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, {}, filter);
}

} // namespace imaging
