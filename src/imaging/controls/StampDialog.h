#pragma once
// Rubber stamps: text stamps whose placeholders are filled in when stamped ("%date%",
// "%time%", "%user%") and image stamps read from files, and the dialog that chooses one.
#include <QDateTime>
#include <QDialog>
#include <QImage>
#include <QString>
#include <vector>

class QLabel;
class QListWidget;

namespace imaging {

class EditDialogs;

struct StampTemplate {
    QString name;
    QString text;      // text stamps
    QImage image;      // image stamps (not null)
    QString imagePath; // where the image came from
    bool isImage() const { return !image.isNull(); }
};

using StampList = std::vector<StampTemplate>;

// The stamps offered before the user adds any.
StampList defaultStamps();

// The text of a stamp as stamped at `when` by `user`.
QString expandStampText(const QString& text, const QDateTime& when, const QString& user);

class StampDialog : public QDialog {
    Q_OBJECT
public:
    // `when` is the moment the previews show in the stamps' texts.
    StampDialog(StampList stamps, int current, QString user, QDateTime when,
                EditDialogs& dialogs, QWidget* parent = nullptr);

    // The stamps as edited in the dialog, and the one chosen (-1 for none).
    const StampList& stamps() const { return stamps_; }
    int chosen() const;
    void choose(int index);

    // The buttons' actions (also used by tests through the buttons).
    void addTextStamp();
    void addImageStamp();
    void removeStamp();

private:
    void fillList();
    void showPreview();

    StampList stamps_;
    QString user_;
    QDateTime when_;
    EditDialogs& dialogs_;
    QListWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
};

} // namespace imaging
