#include "capture/BatchWindow.h"

#include "app/Access.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/Filing.h"
#include "capture/RecordDialog.h"
#include "db/Connection.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/PageOps.h"
#include "jobs/Job.h"
#include "records/CaptureStatements.h"
#include "viewer/BlankPages.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace capture {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A job writing pages `pages` (1-based) of `nativeFrom` as the new file `nativeTo`, copied as
// they are.
jobs::Job* makeWritePagesJob(const QString& title, const QString& nativeFrom, QList<int> pages,
                             const QString& nativeTo) {
    return new jobs::Job(title, [nativeFrom, pages, nativeTo](jobs::Progress& progress) {
        progress.set(0, 1, QString());
        const imaging::DocumentPtr doc = imaging::Document::open(nativeFrom);
        std::vector<imaging::PageSource> sources;
        for (int p : pages) sources.push_back(imaging::PageSource::copy(doc, p - 1));
        progress.checkCancel();
        imaging::writeDocument(nativeTo, sources);
        progress.setValue(1);
    });
}

QString typeText(app::Session& s, int type) {
    if (type <= 0) return {};
    const QString name = recordTypeName(s, type);
    return name.isEmpty() ? QString::number(type) : name;
}

} // namespace

BatchWindow::BatchWindow(viewer::MainWindow& w, QString nativeStateFile, BatchState state)
    : QWidget(&w, Qt::Window), w_(w), stateFile_(std::move(nativeStateFile)),
      state_(std::move(state)) {
    setObjectName(QStringLiteral("frmScanBatch"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Scan Batch"));
    resize(900, 420);
    lblBatch = new QLabel(this);
    lblBatch->setObjectName(QStringLiteral("lblBatch"));
    lblBatch->setWordWrap(true);
    lvwBatchParts = new QTableWidget(0, ColumnCount, this);
    lvwBatchParts->setObjectName(QStringLiteral("lvwBatchParts"));
    lvwBatchParts->setHorizontalHeaderLabels(
        {"ID", "Name", "Record Type", "Pages", "Scanned Already", "Status"});
    lvwBatchParts->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwBatchParts->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwBatchParts->verticalHeader()->hide();
    lvwBatchParts->horizontalHeader()->setStretchLastSection(true);
    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    cmdFile = button("cmdFile", QStringLiteral("&File"));
    cmdDrop = button("cmdDrop", QStringLiteral("&Drop / Keep Part"));
    cmdOpenUnfiled = button("cmdOpenUnfiled", QStringLiteral("&Open Unfiled Pages"));
    cmdClose = button("cmdClose", QStringLiteral("&Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdFile);
    buttons->addWidget(cmdDrop);
    buttons->addWidget(cmdOpenUnfiled);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblBatch);
    layout->addWidget(lvwBatchParts);
    layout->addLayout(buttons);

    connect(cmdFile, &QPushButton::clicked, this, [this] { fileParts(); });
    connect(cmdDrop, &QPushButton::clicked, this, [this] { dropPart(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdOpenUnfiled, &QPushButton::clicked, this, [this] {
        if (unfiledFile_.isEmpty() || !windowFree(w_)) return;
        QPointer<BatchWindow> self(this);
        const QString file = unfiledFile_;
        QPointer<viewer::MainWindow> window(&w_);
        auto open = [window, file] {
            if (!window || !window->doc().NoDocument) return;
            window->doc().gblnNewDocument = true;
            window->doc().gblnReadOnly = false;
            window->PerformFileOpen(false, file, 1);
        };
        w_.mnuFileClose_Click(open);
        if (w_.doc().NoDocument) open();
    });
    connect(lvwBatchParts, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_) return;
        const int part = partOfRow(item->row());
        if (part < 0) return;
        BatchPart& p = state_.parts[size_t(part)];
        if (item->column() == ColId) {
            p.id = item->text().trimmed();
            p.replace = false;
            p.result.clear();
            recheck(size_t(part));
        } else if (item->column() == ColScanned) {
            p.replace = item->checkState() == Qt::Checked;
        } else {
            return;
        }
        save();
        QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
    });

    checks_.resize(state_.parts.size());
    for (size_t i = 0; i < state_.parts.size(); ++i) recheck(i);
    refresh();
    if (!state_.read) startReading();
}

QString BatchWindow::native(const QString& logical) const {
    return w_.session().svc.paths->toNative(logical);
}

QString BatchWindow::tempFile(const QString& suffix) const {
    const QString base = state_.batchFile.chopped(4) + suffix;
    QString candidate = base + ".tif";
    for (int n = 2; QFileInfo::exists(native(candidate)); ++n)
        candidate = base + "-" + QString::number(n) + ".tif";
    return candidate;
}

void BatchWindow::save() {
    if (!saveBatchState(stateFile_, state_))
        w_.session().WriteLog("The state of the batch " + state_.batchFile +
                              " could not be written to " + stateFile_ + ".");
}

void BatchWindow::startReading() {
    busy_ = true;
    auto sheets = std::make_shared<std::vector<std::optional<CoverSheetCodes>>>();
    auto blanks = std::make_shared<QList<int>>();
    QPointer<BatchWindow> self(this);
    const bool started = w_.jobs().start(
        makeBatchReadJob(native(state_.batchFile), sheets, blanks,
                         viewer::blankPageInkSetting(w_.session().svc.settings)),
        viewer::JobHost::Scope::Background, [self, sheets, blanks](const jobs::Result& r) {
            if (!self) return;
            self->busy_ = false;
            if (!r.ok()) {
                self->lblBatch->setText("The pages of " + self->state_.batchFile +
                                        " could not be read for cover sheets" +
                                        (r.errorText.isEmpty() ? QString(".")
                                                               : ": " + r.errorText) +
                                        " The batch is kept; it is offered again at the next start.");
                self->refresh();
                return;
            }
            app::Session& s = self->w_.session();
            self->state_.parts = splitBatch(
                *sheets, [&s](const QString& id) { return !coverSheetName(s, id).isEmpty(); });
            self->state_.blankPages = *blanks;
            self->state_.read = true;
            self->save();
            self->checks_.assign(self->state_.parts.size(), {});
            for (size_t i = 0; i < self->state_.parts.size(); ++i) self->recheck(i);
            self->refresh();
        });
    if (!started) busy_ = false;
}

void BatchWindow::recheck(size_t i) {
    if (checks_.size() < state_.parts.size()) checks_.resize(state_.parts.size());
    const BatchPart& p = state_.parts[i];
    Check c;
    if (!p.unfiled() && !p.id.isEmpty()) {
        app::Session& s = w_.session();
        c.name = coverSheetName(s, p.id);
        c.known = !c.name.isEmpty();
        if (c.known && p.recordType > 0)
            app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)([&] {
                db::RecordsetPtr rs =
                    app::recordsConnection(s).execute(records::checkScanned(p.id, p.recordType));
                c.scanned = rs && !rs->eof() && rs->value("scanRes").toInt() == 1;
                if (rs) rs->close();
            });
    }
    checks_[i] = c;
}

bool BatchWindow::fileable(size_t i) const {
    const BatchPart& p = state_.parts[i];
    const Check& c = checks_[i];
    return !p.unfiled() && !p.dropped && !p.filed && c.known && p.recordType > 0 &&
           (!c.scanned || p.replace);
}

void BatchWindow::refresh() {
    app::Session& s = w_.session();
    filling_ = true;
    lvwBatchParts->clearContents();
    rowParts_.clear();
    for (size_t i = 1; i < state_.parts.size(); ++i) rowParts_ << int(i);
    if (!state_.parts.empty() && !state_.parts[0].pages.isEmpty()) rowParts_ << 0;
    lvwBatchParts->setRowCount(int(rowParts_.size()));
    int filed = 0;
    int sheetParts = 0;
    for (int row = 0; row < rowParts_.size(); ++row) {
        const size_t i = size_t(rowParts_[row]);
        const BatchPart& p = state_.parts[i];
        const Check& c = checks_[i];
        const bool editable = !p.unfiled() && !p.filed && !busy_;
        auto put = [&](int column, const QString& text, bool edit = false) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(edit ? item->flags() | Qt::ItemIsEditable
                                : item->flags() & ~Qt::ItemIsEditable);
            lvwBatchParts->setItem(row, column, item);
            return item;
        };
        put(ColId, p.id, editable);
        put(ColName, c.name);
        QList<int> blank;
        for (int page : p.pages)
            if (state_.blankPages.contains(page)) blank << page;
        put(ColPages, pageRangesText(p.pages) + " (" + QString::number(p.pages.size()) +
                          (p.pages.size() == 1 ? " page" : " pages") +
                          (blank.isEmpty() ? QString() : "; blank? " + pageRangesText(blank)) +
                          ")");
        if (p.unfiled()) {
            put(ColType, QString());
            put(ColScanned, QString());
            put(ColStatus, "Not filed: " + p.notes.join(QStringLiteral("; ")));
            continue;
        }
        ++sheetParts;
        if (p.filed) ++filed;
        if (editable) {
            auto* combo = new QComboBox;
            combo->setObjectName(QStringLiteral("cboPartType"));
            fillRecordTypes(w_, *combo);
            int at = combo->findData(p.recordType);
            if (at < 0 && p.recordType > 0) {
                combo->addItem(QString::number(p.recordType), p.recordType);
                at = combo->count() - 1;
            }
            combo->setCurrentIndex(at);
            QPointer<BatchWindow> self(this);
            connect(combo, &QComboBox::currentIndexChanged, this, [self, i, combo](int) {
                if (!self || self->filling_) return;
                BatchPart& part = self->state_.parts[i];
                part.recordType = combo->currentData().toInt();
                part.replace = false;
                part.result.clear();
                self->recheck(i);
                self->save();
                QMetaObject::invokeMethod(self, [self] { if (self) self->refresh(); },
                                          Qt::QueuedConnection);
            });
            lvwBatchParts->setCellWidget(row, ColType, combo);
            put(ColType, QString());
        } else {
            put(ColType, typeText(s, p.recordType));
        }
        QTableWidgetItem* scanned = put(ColScanned, QString());
        if (c.scanned && !p.filed) {
            scanned->setText(QStringLiteral("Yes - replace the earlier files"));
            scanned->setCheckState(p.replace ? Qt::Checked : Qt::Unchecked);
            if (busy_) scanned->setFlags(scanned->flags() & ~Qt::ItemIsUserCheckable);
        }
        QString status;
        if (p.filed)
            status = QStringLiteral("Filed");
        else if (p.dropped)
            status = QStringLiteral("Dropped: its pages stay with the batch");
        else if (p.id.isEmpty() || !c.known)
            status = QStringLiteral("Not filed: unknown ID");
        else if (p.recordType <= 0)
            status = QStringLiteral("Not filed: choose a record type");
        else if (c.scanned && !p.replace)
            status = QStringLiteral("Not filed: scanned already (tick to replace the earlier files)");
        else if (!p.result.isEmpty())
            status = "Not filed: " + p.result;
        else
            status = p.replace ? QStringLiteral("To be filed, replacing the earlier files")
                               : QStringLiteral("To be filed");
        put(ColStatus, status);
    }
    lvwBatchParts->resizeColumnsToContents();
    filling_ = false;

    QString text = "Batch file " + QFileInfo(native(state_.batchFile)).fileName() + ", record date " +
                   state_.recordDate + ": ";
    if (!state_.read)
        text += busy_ ? QStringLiteral("reading the pages for cover sheets...")
                      : QStringLiteral("its pages are not read yet.");
    else
        text += QString::number(filed) + " of " + QString::number(sheetParts) + " parts filed.";
    if (!unfiledFile_.isEmpty())
        text += " The pages not filed are kept in " + unfiledFile_ + ".";
    if (lblBatch->text().isEmpty() || state_.read || busy_) lblBatch->setText(text);
    cmdFile->setEnabled(state_.read && !busy_);
    cmdDrop->setEnabled(state_.read && !busy_);
    cmdOpenUnfiled->setEnabled(!unfiledFile_.isEmpty() && !busy_);
}

void BatchWindow::dropPart() {
    const int part = partOfRow(lvwBatchParts->currentRow());
    if (busy_ || part <= 0 || state_.parts[size_t(part)].filed) return;
    BatchPart& p = state_.parts[size_t(part)];
    p.dropped = !p.dropped;
    save();
    refresh();
}

bool BatchWindow::inBatchDepartment() {
    app::Session& s = w_.session();
    if (state_.department.isEmpty() || state_.department == s.gstrDepartmentID) return true;
    s.svc.prompter->msgBox("This batch was scanned in department " + state_.department +
                               "; its parts are filed there only. Change the department back to " +
                               state_.department + " to file them.",
                           app::mb::OKOnly, app::mb::Exclamation);
    return false;
}

void BatchWindow::fileParts() {
    if (busy_ || !state_.read || !inBatchDepartment()) return;
    std::vector<size_t> queue;
    for (size_t i = 1; i < state_.parts.size(); ++i)
        if (fileable(i)) queue.push_back(i);
    if (queue.empty()) {
        w_.session().svc.prompter->msgBox(
            QStringLiteral("No part of the batch can be filed now."), app::mb::OKOnly,
            app::mb::Information);
        finishIfDone();
        return;
    }
    busy_ = true;
    refresh();
    fileNext(std::move(queue));
}

void BatchWindow::fileNext(std::vector<size_t> queue) {
    if (queue.empty()) {
        busy_ = false;
        refresh();
        finishIfDone();
        return;
    }
    const size_t i = queue.front();
    queue.erase(queue.begin());
    const QString partFile = tempFile("-part" + QString::number(state_.parts[i].sheetPage));
    QPointer<BatchWindow> self(this);
    jobs::Job* job = makeWritePagesJob(
        "Filing ID " + state_.parts[i].id, native(state_.batchFile), state_.parts[i].pages,
        native(partFile));
    job->setCancellable(true);
    const bool started = w_.jobs().start(
        job, viewer::JobHost::Scope::Background,
        [self, i, partFile, queue](const jobs::Result& r) {
            if (!self) return;
            BatchPart& p = self->state_.parts[i];
            app::Session& s = self->w_.session();
            if (r.ok() && !self->inBatchDepartment()) {
                // The department was changed while the part's pages were being written.
                p.result = QStringLiteral("the department was changed; nothing was filed.");
                QFile::remove(self->native(partFile));
                self->save();
                self->busy_ = false;
                self->refresh();
                return;
            }
            if (r.ok()) {
                p.result = fileScannedPages(s, p.id, p.recordType, self->state_.recordDate,
                                            partFile, p.replace, QString());
                p.filed = p.result.isEmpty();
            } else {
                p.result = r.cancelled() ? QStringLiteral("the filing was cancelled.")
                                         : "its pages could not be written: " + r.errorText;
            }
            QFile::remove(self->native(partFile));
            self->save();
            self->recheck(i);
            if (r.cancelled()) {
                self->busy_ = false;
                self->refresh();
                return;
            }
            self->refresh();
            self->fileNext(queue);
        });
    if (!started) {
        busy_ = false;
        refresh();
    }
}

void BatchWindow::finishIfDone() {
    if (!state_.read || !unfiledFile_.isEmpty()) return;
    QList<int> left = state_.parts.empty() ? QList<int>() : state_.parts[0].pages;
    for (size_t i = 1; i < state_.parts.size(); ++i) {
        const BatchPart& p = state_.parts[i];
        if (!p.filed && !p.dropped) return; // still to be filed: the batch stays as it is
        if (p.dropped) left << p.pages;
    }
    std::sort(left.begin(), left.end());
    app::Session& s = w_.session();
    auto forget = [this] {
        QFile::remove(native(state_.batchFile));
        QFile::remove(stateFile_);
    };
    if (left.isEmpty()) {
        forget();
        s.svc.prompter->msgBox(QStringLiteral("Every part of the batch is filed."),
                               app::mb::OKOnly, app::mb::Information);
        refresh();
        return;
    }
    const QString unfiled = tempFile(QStringLiteral("-unfiled"));
    busy_ = true;
    refresh();
    QPointer<BatchWindow> self(this);
    const bool started = w_.jobs().start(
        makeWritePagesJob(QStringLiteral("Keeping the pages not filed"), native(state_.batchFile),
                          left, native(unfiled)),
        viewer::JobHost::Scope::Background, [self, unfiled, left, forget](const jobs::Result& r) {
            if (!self) return;
            self->busy_ = false;
            app::Session& s = self->w_.session();
            if (!r.ok()) {
                // The batch file and its state stay: it is offered again at the next start.
                s.svc.prompter->msgBox("The pages not filed stay in the batch file " +
                                           self->state_.batchFile + ": " + r.errorText,
                                       app::mb::OKOnly, app::mb::Exclamation);
                self->refresh();
                return;
            }
            forget();
            self->unfiledFile_ = unfiled;
            self->refresh();
            const QString text = "Every part of the batch is filed or dropped." + kCrLf +
                                 "The pages not filed (" +
                                 (left.size() == 1 ? "page " : "pages ") + pageRangesText(left) +
                                 " of the batch) are kept in the file " + unfiled + "." + kCrLf +
                                 kCrLf + "Open them now?";
            if (s.svc.prompter->msgBox(text, app::mb::YesNo, app::mb::Information,
                                       QStringLiteral("Scan Batch")) == app::mb::Yes)
                self->cmdOpenUnfiled->click();
        });
    if (!started) {
        busy_ = false;
        refresh();
    }
}

void mnuFileScanBatch_Click(viewer::MainWindow& w) {
    app::Session& s = w.session();
    if (app::refuseWithoutRights(s)) return;
    if (auto* open = w.findChild<BatchWindow*>(QStringLiteral("frmScanBatch"))) {
        s.svc.prompter->msgBox(
            QStringLiteral("Finish or close the batch shown before scanning another one."),
            app::mb::OKOnly, app::mb::Information);
        open->show();
        open->raise();
        return;
    }
    if (!windowFree(w)) return;
    const QDateTime now = s.svc.clock->now();
    const QString base = s.gstrTempDir + "\\Batch-" + now.toString(QStringLiteral("yyyyMMdd-hhmmss"));
    BatchState state;
    state.batchFile = base + ".tif";
    for (int n = 2; QFileInfo::exists(s.svc.paths->toNative(state.batchFile)) ||
                    QFileInfo::exists(s.svc.paths->toNative(batchStatePath(state.batchFile)));
         ++n)
        state.batchFile = base + "-" + QString::number(n) + ".tif";
    state.recordDate = now.date().toString(QStringLiteral("MM/dd/yyyy"));
    state.department = s.gstrDepartmentID;
    const QString stateFile = s.svc.paths->toNative(batchStatePath(state.batchFile));
    // Written before any paper moves: a crash during the scan leaves a batch to offer.
    if (!saveBatchState(stateFile, state)) {
        s.svc.prompter->msgBox("The batch cannot be kept in the temporary folder " +
                                   s.gstrTempDir + ".",
                               app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    imaging::ImageScan& scan = *w.docImgScan1;
    const bool ready = app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)([&] {
        scan.setScanTo(imaging::kScanToFile);
        scan.setImage(state.batchFile);
        scan.setFileType(1);
        scan.setMultiPage(true);
        scan.setPageOption(2);
        scan.setShowSetupBeforeScan(w.ui().mnuShowScanSetupbeforeScan->isChecked());
    });
    if (!ready) {
        QFile::remove(stateFile);
        return;
    }
    QPointer<viewer::MainWindow> window(&w);
    auto scanned = [window, state, stateFile](int status) mutable {
        if (!window) return;
        app::Session& s = window->session();
        const QString file = s.svc.paths->toNative(state.batchFile);
        int pages = 0;
        if (QFileInfo::exists(file))
            app::Steps(app::FailureStyle::Skip)(
                [&] { pages = imaging::Document::open(file)->pageCount(); });
        if (pages < 1) {
            QFile::remove(file);
            QFile::remove(stateFile);
            s.svc.prompter->msgBox(QStringLiteral("No page was scanned; there is no batch to file."),
                                   app::mb::OKOnly, app::mb::Exclamation);
            return;
        }
        state.scanned = true;
        saveBatchState(stateFile, state);
        if (status != 0)
            s.svc.prompter->msgBox(
                "The scan stopped before the end of the stack. The " + QString::number(pages) +
                    (pages == 1 ? " page" : " pages") +
                    " scanned are kept and listed; scan the rest as another batch.",
                app::mb::OKOnly, app::mb::Exclamation);
        auto* list = new BatchWindow(*window, stateFile, state);
        list->show();
    };
    if (!startScanJob(w, scanned)) QFile::remove(stateFile);
}

void offerInterruptedBatches(viewer::MainWindow& w) {
    app::Session& s = w.session();
    if (!s.gblnAdmin || s.gstrTempDir.isEmpty() ||
        w.findChild<BatchWindow*>(QStringLiteral("frmScanBatch")))
        return;
    const QDir temp(s.svc.paths->toNative(s.gstrTempDir));
    for (const QFileInfo& info :
         temp.entryInfoList({QStringLiteral("Batch-*.json")}, QDir::Files, QDir::Name)) {
        const auto state = loadBatchState(info.absoluteFilePath());
        if (!state || !QFileInfo::exists(s.svc.paths->toNative(state->batchFile))) continue;
        int parts = 0;
        int filed = 0;
        for (size_t i = 1; i < state->parts.size(); ++i) {
            ++parts;
            if (state->parts[i].filed) ++filed;
        }
        QString text = "A batch scanned on " + state->recordDate + " (" + state->batchFile +
                       ") was not filed completely";
        if (state->read)
            text += ": " + QString::number(filed) + " of " + QString::number(parts) +
                    " parts are filed";
        text += "." + kCrLf + kCrLf +
                "Press YES to continue it now, NO to leave it in the temporary folder for later.";
        if (s.svc.prompter->msgBox(text, app::mb::YesNo, app::mb::Question,
                                   QStringLiteral("Scan Batch")) != app::mb::Yes)
            continue;
        auto* list = new BatchWindow(w, info.absoluteFilePath(), *state);
        list->show();
        return;
    }
}

} // namespace capture
