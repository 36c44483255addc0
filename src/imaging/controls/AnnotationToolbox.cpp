#include "imaging/controls/AnnotationToolbox.h"

#include "imaging/controls/AnnotationTools.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace imaging {

namespace {

constexpr int kIcon = 24;

// Small drawn icons, so the toolbox needs no image files.
QIcon toolIcon(int tool) {
    QPixmap pm(kIcon, kIcon);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen ink(QColor(30, 30, 30), 2);
    const QPen red(QColor(200, 0, 0), 2);
    p.setPen(ink);
    switch (tool) {
    case kToolSelect: {
        QPainterPath arrow;
        arrow.moveTo(6, 3);
        arrow.lineTo(6, 19);
        arrow.lineTo(10, 15);
        arrow.lineTo(13, 21);
        arrow.lineTo(15, 20);
        arrow.lineTo(12, 14);
        arrow.lineTo(17, 14);
        arrow.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        break;
    }
    case kToolFreehand: {
        QPainterPath wave;
        wave.moveTo(3, 16);
        wave.cubicTo(7, 4, 11, 22, 15, 10);
        wave.cubicTo(17, 5, 20, 8, 21, 12);
        p.setPen(red);
        p.drawPath(wave);
        break;
    }
    case kToolHighlighter:
        p.fillRect(QRect(3, 8, 18, 8), QColor(255, 230, 0, 200));
        p.setPen(QPen(Qt::black, 1));
        p.drawText(QRect(0, 0, kIcon, kIcon), Qt::AlignCenter, QStringLiteral("ab"));
        break;
    case kToolStraightLine:
        p.setPen(red);
        p.drawLine(4, 20, 20, 4);
        break;
    case kToolHollowRectangle:
        p.setPen(red);
        p.drawRect(4, 6, 16, 12);
        break;
    case kToolFilledRectangle:
        p.setBrush(QColor(255, 230, 0));
        p.drawRect(4, 6, 16, 12);
        break;
    case kToolTypedText: {
        QFont f = p.font();
        f.setPixelSize(18);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, kIcon, kIcon), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case kToolAttachANote:
        p.setBrush(QColor(255, 240, 130));
        p.drawRect(4, 4, 16, 16);
        p.setPen(QPen(Qt::black, 1));
        for (int y = 9; y <= 16; y += 3)
            p.drawLine(7, y, 17, y);
        break;
    case kToolTextFromFile:
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygon({QPoint(6, 3), QPoint(15, 3), QPoint(19, 7), QPoint(19, 21), QPoint(6, 21)}));
        p.setPen(QPen(Qt::black, 1));
        for (int y = 10; y <= 18; y += 3)
            p.drawLine(9, y, 16, y);
        break;
    case kToolRubberStamp:
        p.setPen(red);
        p.drawRect(3, 15, 18, 5);
        p.setBrush(QColor(200, 0, 0));
        p.drawRect(10, 4, 4, 11);
        break;
    case kToolHyperlink: {
        QFont f = p.font();
        f.setPixelSize(11);
        f.setUnderline(true);
        p.setFont(f);
        p.setPen(QColor(0, 0, 200));
        p.drawText(QRect(0, 0, kIcon, kIcon), Qt::AlignCenter, QStringLiteral("www"));
        break;
    }
    default:
        break;
    }
    return QIcon(pm);
}

struct ToolEntry {
    int tool;
    const char* tip;
};

const ToolEntry kEntries[] = {
    {kToolSelect, QT_TRANSLATE_NOOP("AnnotationToolbox", "Select Annotations")},
    {kToolFreehand, QT_TRANSLATE_NOOP("AnnotationToolbox", "Freehand Line")},
    {kToolHighlighter, QT_TRANSLATE_NOOP("AnnotationToolbox", "Highlighter")},
    {kToolStraightLine, QT_TRANSLATE_NOOP("AnnotationToolbox", "Straight Line")},
    {kToolHollowRectangle, QT_TRANSLATE_NOOP("AnnotationToolbox", "Hollow Rectangle")},
    {kToolFilledRectangle, QT_TRANSLATE_NOOP("AnnotationToolbox", "Filled Rectangle")},
    {kToolTypedText, QT_TRANSLATE_NOOP("AnnotationToolbox", "Typed Text")},
    {kToolAttachANote, QT_TRANSLATE_NOOP("AnnotationToolbox", "Attach-a-Note")},
    {kToolTextFromFile, QT_TRANSLATE_NOOP("AnnotationToolbox", "Text from File")},
    {kToolRubberStamp, QT_TRANSLATE_NOOP("AnnotationToolbox", "Rubber Stamps...")},
    {kToolHyperlink, QT_TRANSLATE_NOOP("AnnotationToolbox", "Hyperlink")},
};

} // namespace

AnnotationToolbox::AnnotationToolbox(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(tr("Annotation Toolbox"));
    setObjectName(QStringLiteral("annotationToolbox"));
    group_ = new QButtonGroup(this);
    group_->setExclusive(false); // "no tool" must be representable
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(2);
    int i = 0;
    for (const ToolEntry& e : kEntries) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("tool%1").arg(e.tool));
        b->setIcon(toolIcon(e.tool));
        b->setIconSize(QSize(kIcon, kIcon));
        b->setToolTip(tr(e.tip));
        b->setCheckable(e.tool != kToolRubberStamp);
        b->setAutoRaise(true);
        group_->addButton(b, e.tool);
        grid->addWidget(b, i / 2, i % 2);
        ++i;
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int tool) {
        if (tool == kToolRubberStamp) {
            emit stampDialogRequested();
            return;
        }
        // A second click on the chosen tool puts it down.
        const int chosen = tool == current_ ? int(kToolNone) : tool;
        setCurrentTool(chosen);
        emit toolChosen(chosen);
    });
}

void AnnotationToolbox::setCurrentTool(int tool) {
    current_ = tool;
    for (QAbstractButton* b : group_->buttons()) {
        const int id = group_->id(b);
        b->setChecked(id == tool);
        if (id == kToolRubberStamp) // shown pressed while a stamp is armed
            b->setDown(tool == kToolRubberStamp);
    }
}

int AnnotationToolbox::currentTool() const {
    return current_;
}

void AnnotationToolbox::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closedByUser();
}

} // namespace imaging
