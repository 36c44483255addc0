#pragma once
// The thumbnail-size dialog of the thumbnail strip, and the edge that shows it.
#include "imaging/controls/Dialogs.h"

#include <QDialog>
#include <QSize>
#include <optional>

class QCheckBox;
class QSlider;
class QSpinBox;

namespace imaging {

inline constexpr int kMinThumbSide = 40;
inline constexpr int kMaxThumbSide = 400;

class ThumbnailSizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ThumbnailSizeDialog(QSize current, QWidget* parent = nullptr);
    QSize thumbSize() const;

private:
    void widthChanged(int w);
    void heightChanged(int h);
    void sliderMoved(int w);

    QSpinBox* width_;
    QSpinBox* height_;
    QSlider* slider_;
    QCheckBox* keep_;
    QWidget* preview_;
    double ratio_; // height / width kept while "Keep proportions" is on
    bool updating_ = false;
};

class ThumbSizeDialogRunner {
public:
    virtual ~ThumbSizeDialogRunner() = default;
    // The size chosen, or nothing when cancelled.
    virtual std::optional<QSize> run(QSize current, QWidget* owner) = 0;
};

class QtThumbSizeDialogRunner : public ThumbSizeDialogRunner {
public:
    std::optional<QSize> run(QSize current, QWidget* owner) override;
};

} // namespace imaging
