#include "viewer/BlankPages.h"

#include "app/Failure.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/BlankPage.h"
#include "imaging/pixels/ImagingError.h"
#include "jobs/Job.h"
#include "viewer/EditCommands.h"
#include "viewer/History.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/NavigationCommands.h"

#include <QAction>
#include <QStringList>
#include <algorithm>
#include <memory>

namespace viewer {

double blankPageInkSetting(const app::SettingsStore* settings) {
    if (!settings) return imaging::kDefaultBlankPageInk;
    bool ok = false;
    const double v = settings->read(app::kAppPrefs, QStringLiteral("Scan"),
                                    QStringLiteral("BlankPageInk"))
                         .trimmed()
                         .toDouble(&ok);
    return ok && v >= 0 ? v : imaging::kDefaultBlankPageInk;
}

BlankPageMarks::BlankPageMarks(MainWindow& w) : QObject(&w), w_(w) {
    connect(&w, &MainWindow::documentOpened, this, &BlankPageMarks::attach);
    connect(w.ui().mnuPageDeleteBlankPages, &QAction::triggered, this,
            [this] { w_.runCommand([this] { deleteMarked(); }); });
}

BlankPageMarks::~BlankPageMarks() = default;

void BlankPageMarks::attach(const QString& enginePath) {
    const std::shared_ptr<imaging::DocumentModel> model = w_.docImgEdit1->model();
    if (model.get() == model_.data() && enginePath == path_) return showMarks();
    detach();
    if (!model) return showMarks();
    model_ = model.get();
    path_ = enginePath;
    const std::vector<bool> kept = kept_.value(path_);
    marks_ = int(kept.size()) == model->pageCount() ? kept
                                                    : std::vector<bool>(size_t(model->pageCount()));
    imaging::DocumentModel* m = model.get();
    connections_ = {
        connect(m, &imaging::DocumentModel::pagesInserted, this, &BlankPageMarks::onInserted),
        connect(m, &imaging::DocumentModel::pagesRemoved, this, &BlankPageMarks::onRemoved),
        connect(m, &imaging::DocumentModel::pageChanged, this, &BlankPageMarks::onChanged),
        connect(m, &imaging::DocumentModel::reloaded, this, &BlankPageMarks::onReloaded),
        // Closed: the marks stay kept under the path; nothing is shown for them any more.
        // (Later, not within the notice: the window may be taking its controls down.)
        connect(m, &QObject::destroyed, this, [this] {
            detach();
            QMetaObject::invokeMethod(this, &BlankPageMarks::showMarks, Qt::QueuedConnection);
        })};
    showMarks();
}

void BlankPageMarks::detach() {
    for (const auto& c : connections_) disconnect(c);
    connections_.clear();
    model_ = nullptr;
    marks_.clear();
    ++generation_;
}

void BlankPageMarks::changed() {
    ++generation_;
    if (!path_.isEmpty()) kept_[path_] = marks_;
    showMarks();
}

void BlankPageMarks::onInserted(int first, int count) {
    const int at = std::clamp(first, 0, int(marks_.size()));
    marks_.insert(marks_.begin() + at, size_t(std::max(count, 0)), false);
    changed();
}

void BlankPageMarks::onRemoved(int first, int count) {
    const int from = std::clamp(first, 0, int(marks_.size()));
    const int to = std::clamp(first + count, from, int(marks_.size()));
    marks_.erase(marks_.begin() + from, marks_.begin() + to);
    changed();
}

void BlankPageMarks::onChanged(int index) {
    // An edited page (pixels or annotations) is the user's own judgement: no mark.
    if (index >= 0 && index < int(marks_.size())) marks_[size_t(index)] = false;
    changed();
}

void BlankPageMarks::onReloaded() {
    // The file was read anew (undo, a version put back): its pages may be others.
    marks_.assign(model_ ? size_t(model_->pageCount()) : 0, false);
    changed();
}

void BlankPageMarks::checkAll() {
    check(1, int(marks_.size()));
}

void BlankPageMarks::check(int first, int count) {
    if (!model_ || w_.doc().NoDocument) return;
    const std::shared_ptr<imaging::DocumentModel> model = model_->shared_from_this();
    const int pages = model->pageCount();
    const int from = std::max(first, 1);
    const int to = std::min(first + count - 1, pages);
    if (to < from) return;
    const double threshold = blankPageInkSetting(w_.session().svc.settings);
    auto blank = std::make_shared<std::vector<bool>>();
    auto* job = new jobs::Job(tr("Looking for blank pages"), [model, from, to, threshold,
                                                               blank](jobs::Progress& p) {
        const int total = to - from + 1;
        for (int page = from; page <= to; ++page) {
            p.checkCancel();
            p.set(page - from, total, tr("Page %1 of %2").arg(page - from + 1).arg(total));
            bool isBlank = false;
            try {
                const int index = page - 1;
                isBlank = imaging::measureBlankPage(model->pageImage(index),
                                                    model->pageInfo(index).xDpi, threshold)
                              .blank;
            } catch (const imaging::Error&) {
                // A page that cannot be read is not called blank; the display reports it.
            }
            blank->push_back(isBlank);
        }
        p.set(total, total, tr("Page %1 of %2").arg(total).arg(total));
    });
    job->setCancellable(true);
    const quint64 startedAt = generation_;
    ++running_;
    QPointer<imaging::DocumentModel> measured = model_;
    w_.jobs().start(job, JobHost::Scope::Background,
                    [this, startedAt, measured, from, blank](const jobs::Result& r) {
                        --running_;
                        const bool current = r.ok() && startedAt == generation_ && measured &&
                                             measured == model_;
                        if (current) {
                            for (size_t i = 0; i < blank->size(); ++i)
                                if (size_t(from - 1) + i < marks_.size())
                                    marks_[size_t(from - 1) + i] = (*blank)[i];
                            kept_[path_] = marks_;
                            showMarks();
                        }
                        emit checkFinished(current);
                    });
}

std::vector<int> BlankPageMarks::marked() const {
    std::vector<int> pages;
    for (size_t i = 0; i < marks_.size(); ++i)
        if (marks_[i]) pages.push_back(int(i) + 1);
    return pages;
}

bool BlankPageMarks::isMarked(int page) const {
    return page >= 1 && page <= int(marks_.size()) && marks_[size_t(page - 1)];
}

void BlankPageMarks::showMarks() {
    imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
    app::Steps(app::FailureStyle::Skip)([&] {
        for (int thumb = 1; thumb <= strip.thumbCount(); ++thumb)
            strip.setThumbMarker(thumb, isMarked(thumb) ? tr("Blank?") : QString());
    });
    const bool any = !marked().empty();
    if (w_.commandFacts().blankPagesMarked != any)
        w_.changeCommandFacts([any](CommandFacts& f) { f.blankPagesMarked = any; });
    if (!w_.doc().NoDocument && model_)
        app::Steps(app::FailureStyle::Skip)([&] { w_.navigation().UpdatePageCounter(); });
    emit marksChanged();
}

void BlankPageMarks::deleteMarked() {
    const std::vector<int> pages = marked();
    if (pages.empty()) return;
    QStringList numbers;
    for (size_t i = 0; i < pages.size();) {
        size_t j = i;
        while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
        numbers << pageRange(pages[i], pages[j]);
        i = j + 1;
    }
    const QString question =
        pages.size() == 1
            ? tr("Page %1 looks blank. Delete it?").arg(numbers.join(QString()))
            : tr("Pages %1 look blank. Delete these %2 pages?")
                  .arg(numbers.join(QStringLiteral(", ")))
                  .arg(pages.size());
    w_.editing().deletePages(pages, question);
}

void checkBlankPages(MainWindow& w, int first, int count) {
    w.blankPages().check(first, count);
}

} // namespace viewer
