#pragma once
// The main window (`frmMain`): menus, toolbar, record information, the page panes, the
// document state, and the procedures other windows call on it. The commands of the menus
// live in small command classes (navigation, editing, annotations, files, session); this
// class holds what they share.
#include "imaging/controls/Environment.h"
#include "viewer/CommandState.h"
#include "viewer/DocumentState.h"
#include "viewer/MainWindowUi.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

namespace app {
struct Session;
}

namespace imaging {
class ImageEdit;
class ImageThumbnail;
class ImageAdmin;
class ImageScan;
} // namespace imaging

namespace viewer {

class JobHost;
class SessionCommands;
class NavigationCommands;
class EditCommands;
class AnnotationCommands;
class FileCommands;
class IdleLock;
class BlankPageMarks;

// The engine's edges for the window's controls: the printer, the dialogs and the scanner
// (the real ones unless replaced; tests hand in doubles). The window takes the paths and the
// stamps' clock from the session's services, whatever is set here.
struct MainWindowOptions {
    imaging::Environment imaging;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(app::Session& session, MainWindowOptions options = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    app::Session& session() { return s_; }
    MainWindowUi& ui() { return ui_; }
    DocumentState& doc() { return doc_; }

    // The environment of the window's engine controls (and of the windows that print or
    // ask for files on its behalf).
    const imaging::EnvironmentPtr& imagingEnvironment() const { return env_; }

    // The imaging engine's controls.
    imaging::ImageEdit* docImgEdit1 = nullptr;
    imaging::ImageThumbnail* docImgThumbnail1 = nullptr;
    imaging::ImageAdmin* docImgAdmin1 = nullptr;
    imaging::ImageAdmin* ImgAdmin1 = nullptr;
    imaging::ImageScan* docImgScan1 = nullptr;

    // Called once when the window is first shown by the start-up window.
    void Form_Load();
    bool loaded() const { return loaded_; }
    // Runs when the start-up window is to be unloaded (load step).
    void setUnloadStartupWindow(std::function<void()> f) { unloadStartupWindow_ = std::move(f); }

    // Closing by any means: asks PerformFileClose; false cancels the close.
    bool Form_QueryUnload();
    // Stores the preferences, closes every other window and ends the program.
    void Form_Unload();

    void SetWindowTitle();
    // "Save" stores the preferences, any other text loads them.
    void LoadSavePreferences(const QString& action);
    void ApplyAccessMenus();

    // The document procedures.
    void PerformFileOpen(bool blnNamingOnly, const QString& strFullPathFileName, int lngPageNo);
    // Asks to save the changes and lets the document go; false keeps it. A "Yes" whose save
    // runs as a job also answers false: when the save has succeeded, `resume` runs (the
    // caller's command runs again, and then finds nothing left to ask). While another job
    // works on the document nothing is closed and the user is told so.
    bool PerformFileClose(std::function<void()> resume = {});
    // A document was opened or closed, or stays after all (a cancelled Open Image): the
    // answer PerformFileClose got no longer covers the page display's closing notice.
    void resetCloseAnswer();
    // "NoFile", "ReadWrite" or "ReadOnly"; any other text changes nothing.
    void SetDocumentMode(const QString& mode);
    void SetDocumentMode(DocumentMode mode);
    // `keepThumbSelection`: thumbnails the user chose together stay selected (the page is
    // scrolled into view only).
    void EnablePageMenusAndDisplay(int lngCurrentPage, bool blnRegenThumbs,
                                   bool keepThumbSelection = false);
    void SetViewMode(int intViewModePreference);
    void ClearToolChecks();
    void SelectMouseTool(const QString& name);
    // `kind` "Rect" or "Anno".
    void SetSelectionMenus(bool selected, const QString& kind);
    void SetSelectionMenus(bool selected, SelectionKind kind);

    // What the window's commands depend on (see CommandState.h). A command that changes one
    // of these facts (a paste made ready, an annotation drawn) changes it here, and the menus
    // and toolbar follow at once.
    const CommandFacts& commandFacts() const { return facts_; }
    void changeCommandFacts(const std::function<void(CommandFacts&)>& change);

    // The record panel: shows the record context, or empties it.
    void SetExamData();
    void ClearRecordData();

    // Runs a menu or button command: a failure that the command does not handle itself ends
    // the command with its description in a message box, never the program.
    void runCommand(const std::function<void()>& command);

    // Shorthands used by several command groups.
    // `then` runs once the document is closed (see FileCommands::mnuFileClose_Click).
    void mnuFileClose_Click(std::function<void()> then = {});

    // While a job works on the document (JobHost::documentBusy), the commands that would
    // touch the same document are disabled and the page display and the thumbnail strip
    // take no edits, page turns or selections; scrolling, zooming and the view modes stay.
    // refuseWhileBusy() tells the user and answers true while such a job runs.
    bool refuseWhileBusy();

    // The view mode chosen in the View menu (0 one page, 1 thumbnails, 2 both).
    int ViewMode = 0;
    // Folder of the current department's storage or of the open record.
    QString CurrentFolder;

    // Opens the maintenance dialog of one filed record over `owner`. Installed by the
    // maintenance workflow (empty while it is not part of the program); the record search
    // calls it, so neither workflow needs the other.
    std::function<void(QWidget* owner, const QString& recFileId)> openRecordMaintenance;

    // Asked by PerformFileOpen for every document it opens, once the file's own read-only
    // state is known (`readWrite` false when it opens read-only anyway); answers true when the
    // document is to open read-only all the same (another workstation holds the record's edit
    // lock). `documentClosed` runs when the window no longer shows a document. Installed by
    // the record safety workflow (empty while it is not part of the program).
    std::function<bool(const QString& fullPathFileName, bool readWrite)> documentOpening;
    std::function<void()> documentClosed;

    SessionCommands& sessionCommands() const { return *sessionCommands_; }
    // The idle lock (made at load, once a user is signed in); null before.
    IdleLock* idleLock() const { return idleLock_; }
    NavigationCommands& navigation() const { return *navigation_; }
    EditCommands& editing() const { return *editing_; }
    AnnotationCommands& annotations() const { return *annotations_; }
    FileCommands& files() const { return *files_; }
    // The window's long work (see JobHost): workflows start their jobs here too.
    JobHost& jobs() const { return *jobs_; }
    // Pages of the open document that look blank (see BlankPages.h).
    BlankPageMarks& blankPages() const { return *blankPages_; }

    // Opens the record type administration of the current department modally over `owner`
    // and returns when it is closed. Installed by the record types workflow (empty while it
    // is not part of the program); the other-department new-record dialog calls it when its
    // department has no types yet, so neither workflow needs the other.
    std::function<void(QWidget* owner)> openRecordTypesModal;

    // The main window's design size in pixels (used when no position is stored).
    static QSize designSize() { return {1100, 780}; }
    // Twips per pixel of this screen.
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;

signals:
    // The program ends (after Form_Unload).
    void programEnded();
    // Another department was chosen: windows built for the old one unload themselves.
    void departmentChanged();
    // "Change Program Access Type": the start-up window is shown again.
    void startupWindowRequested();
    // A document is shown (PerformFileOpen, not naming only): `enginePath` as the page display
    // holds it (its model is docImgEdit1->model()).
    void documentOpened(const QString& enginePath);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createEngineControls();
    // A running document job disables the commands that would touch the document.
    void applyDocumentBusy(bool busy);
    // Shows and enables the menus and the toolbar as commandState() says.
    void applyCommandState();
    void installBusyInputFilter();
    void connectCommands();
    void Form_Resize();
    void Timer1_Timer();
    void docImgEdit1_Close();
    void updateGrayEligible();
    // The scanning items follow the scanner's presence (known once the background probe
    // started at load has finished).
    void applyScannerItems();

    app::Session& s_;
    imaging::EnvironmentPtr env_;
    MainWindowUi ui_;
    DocumentState doc_;
    std::function<void()> unloadStartupWindow_;
    bool loaded_ = false;
    bool unloading_ = false;
    // Set while the window itself lets go of a document whose save question was answered,
    // so the page display's closing notification does not ask again.
    bool closeAnswered_ = false;
    CommandFacts facts_;
    SessionCommands* sessionCommands_ = nullptr;
    IdleLock* idleLock_ = nullptr;
    NavigationCommands* navigation_ = nullptr;
    EditCommands* editing_ = nullptr;
    AnnotationCommands* annotations_ = nullptr;
    FileCommands* files_ = nullptr;
    JobHost* jobs_ = nullptr;
    BlankPageMarks* blankPages_ = nullptr;
};

} // namespace viewer
