// Blank pages through the real main window: a record of generated 150 dpi Letter pages
// (nearly blank ones carrying specks, punch holes or a scanner's edge shadow; pages with one
// line of typed text) is checked, the marks show in the thumbnail strip and the page counter,
// follow a page inserted before them (Page > Insert > Existing Page, whose new page is checked
// too) and a close and reopen, and "Delete Marked Blank Pages" deletes exactly the marked pages
// after its question. Each page carries its label in edge blocks (PageMarks.h), which the
// detection leaves out as marks touching the edge, and which show which pages remain.
#include "CaptureFixture.h"
#include "PageMarks.h"

#include "app/Session.h"
#include "capture/InsertPagesDialog.h"
#include "doubles/ScriptedDialogs.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/PageOps.h"
#include "viewer/BlankPages.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>

namespace capturetest {
namespace {

constexpr int kDpi = 150;
const QSize kLetter(kDpi * 17 / 2, kDpi * 11);

enum class Content { TextLine, Specks, PunchHoles, EdgeShadow };

// A Letter page at 150 dpi with `content` and the label blocks of PageMarks.h along its top
// edge and in its bottom-right corner.
QImage generatedPage(int label, Content content) {
    QImage page(kLetter, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    // Specks on every page: dust of 1 to 2 pixels (under 1/50 inch), 400 of them.
    QRandomGenerator rng{quint32(label)};
    for (int i = 0; i < 400; ++i)
        p.drawRect(rng.bounded(20, kLetter.width() - 20), rng.bounded(20, kLetter.height() - 20),
                   rng.bounded(1, 3), rng.bounded(1, 3));
    switch (content) {
    case Content::TextLine: {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(kDpi * 10 / 72); // 10 point
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QPoint(kDpi, kDpi * 3 + label * 40),
                   QStringLiteral("Patient seen in clinic; wound healing well, sutures out."));
        break;
    }
    case Content::Specks:
        break;
    case Content::PunchHoles: // three holes of 0.3 inch, half an inch from the left edge
        for (double y : {1.5, 5.5, 9.5})
            p.drawEllipse(QPointF(kDpi * 0.5, kDpi * y), kDpi * 0.15, kDpi * 0.15);
        break;
    case Content::EdgeShadow: // a ragged dark band along the left and the bottom edges
        for (int y = 20; y < kLetter.height(); y += 4) // below the label row
            p.drawRect(0, y, 14 + rng.bounded(0, 10), 4);
        for (int x = 0; x < kLetter.width(); x += 4)
            p.drawRect(x, kLetter.height() - 10 - rng.bounded(0, 6), 4, 16);
        break;
    }
    p.end();
    const QImage marks = markedPage(label, 0, kLetter);
    for (int y = 0; y < kLetter.height(); ++y)
        for (int x = 0; x < kLetter.width(); ++x)
            if (marks.pixelIndex(x, y) == 1) page.setPixel(x, y, qRgb(0, 0, 0));
    return page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

void writePages(const QString& nativePath, const std::vector<std::pair<int, Content>>& pages) {
    QDir().mkpath(QFileInfo(nativePath).absolutePath());
    std::vector<imaging::PageSource> sources;
    for (const auto& [label, content] : pages)
        sources.push_back(imaging::PageSource::pixels(generatedPage(label, content), kDpi, kDpi, {}));
    imaging::writeDocument(nativePath, sources);
}

class BlankPages : public CaptureFixture {
protected:
    std::vector<int> stripMarked() const {
        std::vector<int> pages;
        for (int i = 1; i <= w->docImgThumbnail1->thumbCount(); ++i)
            if (!w->docImgThumbnail1->thumbMarker(i).isEmpty()) pages.push_back(i);
        return pages;
    }
    QString counterAt(int page) {
        w->docImgEdit1->setPage(page);
        w->EnablePageMenusAndDisplay(page, false);
        return w->ui().txtPages->text();
    }
    QString record = root + "\\2026\\2026-02-03\\260071-3.tif";
};

TEST_F(BlankPages, MarkedAfterACheckFollowThePagesAndAreDeletedAfterTheQuestion) {
    load();
    auto files = std::make_shared<doubles::ScriptedFileDialogRunner>();
    w->ImgAdmin1->setFileDialogRunner(files);
    writePages(native(record), {{1, Content::TextLine},
                                {2, Content::Specks},
                                {3, Content::PunchHoles},
                                {4, Content::TextLine},
                                {5, Content::EdgeShadow}});
    w->PerformFileOpen(false, record, 1);
    ASSERT_EQ(w->docImgEdit1->pageCount(), 5);
    viewer::BlankPageMarks& marks = w->blankPages();
    EXPECT_TRUE(marks.marked().empty());
    EXPECT_FALSE(w->ui().mnuPageDeleteBlankPages->isEnabled());

    viewer::checkBlankPages(*w, 1, 5);
    EXPECT_TRUE(marks.checking());
    waitJobs();
    EXPECT_EQ(marks.marked(), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(stripMarked(), (std::vector<int>{2, 3, 5}));
    EXPECT_EQ(counterAt(1), "1/5");
    EXPECT_EQ(counterAt(3), "3/5 blank?");
    EXPECT_EQ(counterAt(4), "4/5");
    EXPECT_TRUE(w->ui().mnuPageDeleteBlankPages->isEnabled());

    // A specked blank page inserted before page 1 through the Page menu: the marks move one
    // on, and the new page is checked as well.
    const QString source = share + "/incoming/blank.tif";
    writePages(source, {{9, Content::Specks}});
    counterAt(1);
    files->answer(source);
    w->ui().mnuPageInsertItem[1]->trigger();
    auto* insert = dialog<capture::InsertPagesDialog>("frmInsPage");
    ASSERT_NE(insert, nullptr);
    insert->cmdOK->click();
    waitJobs();
    ASSERT_EQ(labelsOf(native(record)), (std::vector<int>{9, 1, 2, 3, 4, 5}));
    EXPECT_EQ(marks.marked(), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(stripMarked(), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(counterAt(2), "2/6");
    EXPECT_EQ(counterAt(6), "6/6 blank?");

    // Closed and opened again: the same pages are marked.
    w->mnuFileClose_Click();
    waitJobs();
    EXPECT_FALSE(w->ui().mnuPageDeleteBlankPages->isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w->PerformFileOpen(false, record, 1);
    EXPECT_EQ(marks.marked(), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(stripMarked(), (std::vector<int>{1, 3, 4, 6}));

    // No: nothing changes. The question names the pages.
    t.prompter.shown.clear();
    t.prompter.answers = {app::mb::No};
    w->ui().mnuPageDeleteBlankPages->trigger();
    waitJobs();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.shown[0].text.contains("1, 3-4, 6")) << t.prompter.shown[0].text.toStdString();
    EXPECT_EQ(labelsOf(native(record)), (std::vector<int>{9, 1, 2, 3, 4, 5}));
    EXPECT_EQ(marks.marked(), (std::vector<int>{1, 3, 4, 6}));

    // Yes: exactly those pages go; the pages of text stay, unmarked.
    t.prompter.answers = {app::mb::Yes};
    w->ui().mnuPageDeleteBlankPages->trigger();
    waitJobs();
    EXPECT_EQ(labelsOf(native(record)), (std::vector<int>{1, 4}));
    EXPECT_EQ(w->docImgEdit1->pageCount(), 2);
    EXPECT_TRUE(marks.marked().empty());
    EXPECT_TRUE(stripMarked().empty());
    EXPECT_FALSE(w->ui().mnuPageDeleteBlankPages->isEnabled());
    // Nothing but the two questions was said.
    const QString question = t.prompter.shown[0].text;
    EXPECT_EQ(messages(), QStringList({question, question}));
}

} // namespace
} // namespace capturetest
