#pragma once
// The General Options window (`frmGenOpt`): the zoom preference, the scroll-bar preference
// (applied to the page display at once) and, for reading only, the configured storage root.
// Modeless; it deletes itself when closed. The preferences reach the settings store when
// the main window unloads.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {
struct Session;
}

namespace imaging {
class ImageEdit;
}

namespace viewer {

// The zoom list of the window: item texts in order and the preference code of each.
struct ZoomChoice {
    const char* item;
    const char* code;
};
inline constexpr ZoomChoice kZoomChoices[] = {{"25%", "25"},
                                              {"50%", "50"},
                                              {"75%", "75"},
                                              {"100%", "100"},
                                              {"200%", "200"},
                                              {"400%", "400"},
                                              {"Fit to Width", "FitToWidth"},
                                              {"Fit to Height", "FitToHeight"},
                                              {"Best Fit", "BestFit"},
                                              {"Actual Size", "Actual"}};
// The list index shown for a preference code; an unknown code shows "50%".
int zoomIndexOfCode(const QString& code);
// The code of an item text; nothing when the text is none of the list's.
std::optional<QString> zoomCodeOfItem(const QString& item);

class GeneralOptionsDialog : public QDialog {
    Q_OBJECT
public:
    GeneralOptionsDialog(app::Session& session, imaging::ImageEdit& display,
                         QWidget* parent = nullptr);

    void cmdOK_Click();
    void cmdCancel_Click();

    QComboBox* cboZoom = nullptr;
    QCheckBox* chkShowScrollbars = nullptr;
    QLineEdit* txtFileLocation = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void Form_Load();

    app::Session& s_;
    QPointer<imaging::ImageEdit> display_;
};

} // namespace viewer
