#pragma once
// What record capture keeps per main window: its dialogs (the admission search stays hidden,
// not destroyed, after a choice so "&New Search" shows it again) and the values the page
// insertion commands share with their dialogs.
#include <QObject>
#include <QPointer>
#include <QString>

namespace viewer {
class MainWindow;
}

namespace capture {

class NewRecordDialog;
class RecordDialog;
class NewRecordOtherDialog;
class ImportImagesDialog;

class CaptureState : public QObject {
    Q_OBJECT
public:
    explicit CaptureState(viewer::MainWindow& window);
    // The state of `window` (installed by capture::install).
    static CaptureState& of(viewer::MainWindow& window);

    QPointer<NewRecordDialog> newRec;         // frmNewRec
    QPointer<RecordDialog> records;           // frmRecords
    QPointer<RecordDialog> manual;            // frmManual
    QPointer<NewRecordOtherDialog> newRecOther; // frmNewRecOther
    QPointer<ImportImagesDialog> addImages;   // frmAddImages

    // Shared by the page insertion commands and their dialogs.
    QString strInsertMode; // "Insert" or "Append"
    QString strInsertSource;
    QString strInsertSourceName;
    int lngInsertFrom = 0;
    int lngInsertCount = 0;
};

} // namespace capture
