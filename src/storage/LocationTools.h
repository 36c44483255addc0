#pragma once
// The storage tools of the main window: the File Location dialog with its share connection,
// Test Write and Open Location.
#include <QDialog>

class QLineEdit;

namespace app {
struct Session;
}

namespace storage {

// gstrDefaultDirectory from the configured root and the department folder.
void deriveStorageRoot(app::Session& s);

// The share-connection command: "net use  " + location + " /user:" + user + " " + password.
QString netUseCommand(const QString& location, const QString& user, const QString& password);

// Creates the storage root folder (one level), ignoring every failure.
void CreateStorageFolder(app::Session& s);

// Writes a dated test file into the storage root, shows it and says "Done."; a failure is
// shown and the storage folder is created.
void TestWrite(app::Session& s);

// Writes the folder to the log and shows it in the desktop's file viewer.
void OpenLocation(app::Session& s, const QString& currentFolder);

class FileLocationDialog : public QDialog {
    Q_OBJECT
public:
    explicit FileLocationDialog(app::Session& s, QWidget* parent = nullptr);
    ~FileLocationDialog() override;

    void cmdNetUse_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void done(int result) override;

private:
    void Form_Unload();
    app::Session& s_;
    QLineEdit* txtFileLocation_;
    QLineEdit* txtUSERID_;
    QLineEdit* txtPW_;
    bool unloaded_ = false;
};

// Default account offered for the share connection.
inline const QString kShareAccount = QStringLiteral("mrdshare");

} // namespace storage
