#pragma once
// The main window (`frmMain`): menus, toolbar, record information, the page panes, and the
// procedures other windows call on it.
#include "viewer/MainWindowUi.h"

#include <QMainWindow>
#include <functional>

namespace app {
struct Session;
}

namespace viewer {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(app::Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    app::Session& session() { return s_; }
    MainWindowUi& ui() { return ui_; }

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

    // Document procedures used across the program.
    bool PerformFileClose();
    void mnuFileClose_Click();

    // The record panel: shows the record context, or empties it.
    void SetExamData();
    void ClearRecordData();

    // Runs a menu or button command: a failure that the command does not handle itself ends
    // the command with its description in a message box, never the program.
    void runCommand(const std::function<void()>& command);

    // Folder of the current department's storage or of the open record.
    QString CurrentFolder;

    class SessionCommands* sessionCommands() const { return sessionCommands_; }

    // The view mode chosen in the View menu (0 one page, 1 thumbnails, 2 both).
    int ViewMode = 0;

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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectCommands();
    void Timer1_Timer();

    app::Session& s_;
    MainWindowUi ui_;
    std::function<void()> unloadStartupWindow_;
    bool loaded_ = false;
    bool unloading_ = false;
    class SessionCommands* sessionCommands_ = nullptr;
};

} // namespace viewer
