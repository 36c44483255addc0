#pragma once
// The facts of one page: size, resolution, bit depth and compression. The resolution can be
// corrected unless the dialog is read-only.
#include "imaging/documents/Document.h"

#include <QDialog>

class QDoubleSpinBox;

namespace imaging {

class PagePropertiesDialog : public QDialog {
    Q_OBJECT
public:
    PagePropertiesDialog(const PageInfo& info, int page, int pageCount, bool readOnly,
                         QWidget* parent = nullptr);

    double xDpi() const;
    double yDpi() const;
    void setResolution(double xDpi, double yDpi);
    // True when the resolution shown differs from the page's.
    bool resolutionChanged() const;

private:
    PageInfo info_;
    QDoubleSpinBox* xDpi_ = nullptr;
    QDoubleSpinBox* yDpi_ = nullptr;
};

} // namespace imaging
