#pragma once
// The page display's questions to the user (its dialogs, a text prompt, a file chooser) go
// through this interface, so that tests answer them without showing anything modal.
#include <QString>
#include <optional>

class QDialog;
class QWidget;

namespace imaging {

class EditDialogs {
public:
    virtual ~EditDialogs() = default;
    // Runs `dialog` modally; true when the user accepted it.
    virtual bool run(QDialog& dialog) = 0;
    // Asks for a text; nullopt when cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                           const QString& label, bool multiLine) = 0;
    // Asks for a file to read; "" when cancelled.
    virtual QString chooseFile(QWidget* parent, const QString& caption, const QString& filter) = 0;
};

// The real dialogs.
class QtEditDialogs : public EditDialogs {
public:
    bool run(QDialog& dialog) override;
    std::optional<QString> askText(QWidget* parent, const QString& title, const QString& label,
                                   bool multiLine) override;
    QString chooseFile(QWidget* parent, const QString& caption, const QString& filter) override;
};

} // namespace imaging
