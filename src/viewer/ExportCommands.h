#pragma once
// File > Export PDF...: the open record, all its pages or a range, written as a PDF/A file
// for release of information (imaging::writePdf), with an optional footer on each page
// ("Released to ... on ... by ..., page n of m"). Behind the settings gate; the export runs
// as a cancellable document job and a cancelled or failed export leaves no file.
#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace viewer {

class MainWindow;

// What the export dialog asks: the pages and the recipient named in the footer.
struct ExportPdfChoice {
    bool allPages = true;
    int firstPage = 1;
    int lastPage = 1;
    QString releasedTo; // empty: no footer
};

// The small dialog before the file dialog.
class ExportPdfDialog : public QDialog {
    Q_OBJECT
public:
    ExportPdfDialog(int pageCount, int currentPage, QWidget* parent = nullptr);
    ExportPdfChoice choice() const;

private:
    QRadioButton* all_ = nullptr;
    QRadioButton* range_ = nullptr;
    QSpinBox* from_ = nullptr;
    QSpinBox* to_ = nullptr;
    QLineEdit* releasedTo_ = nullptr;
};

class ExportCommands : public QObject {
    Q_OBJECT
public:
    explicit ExportCommands(MainWindow& w);

    // Runs the dialog (modal) and answers the choice, or nothing when cancelled. The real one
    // runs ExportPdfDialog; tests hand in a scripted one.
    using DialogRunner = std::function<std::optional<ExportPdfChoice>(
        int pageCount, int currentPage, QWidget* owner)>;
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

    void mnuFileExportPdf_Click();

    // The export commands of `window` (null when not created).
    static ExportCommands* of(MainWindow& window);

    // The footer of released page n of m.
    static QString footerText(const QString& releasedTo, const QString& date, const QString& by,
                              int n, int m);

private:
    MainWindow& w_;
    DialogRunner runDialog_;
};

} // namespace viewer
