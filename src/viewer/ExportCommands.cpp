#include "viewer/ExportCommands.h"

#include "app/Access.h"
#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/documents/PdfWriter.h"
#include "imaging/pixels/ImagingError.h"
#include "jobs/Job.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace viewer {

// ---- the dialog ----

ExportPdfDialog::ExportPdfDialog(int pageCount, int currentPage, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmExportPdf"));
    setWindowTitle(tr("Export PDF"));
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QLabel(pageCount == 1 ? tr("The record has 1 page.")
                                            : tr("The record has %1 pages.").arg(pageCount),
                             this);
    layout->addWidget(pages);
    all_ = new QRadioButton(tr("&All pages"), this);
    all_->setObjectName(QStringLiteral("optAllPages"));
    all_->setChecked(true);
    layout->addWidget(all_);
    auto* rangeRow = new QHBoxLayout;
    range_ = new QRadioButton(tr("&Pages from"), this);
    range_->setObjectName(QStringLiteral("optRange"));
    from_ = new QSpinBox(this);
    from_->setObjectName(QStringLiteral("spnFrom"));
    to_ = new QSpinBox(this);
    to_->setObjectName(QStringLiteral("spnTo"));
    for (QSpinBox* b : {from_, to_}) {
        b->setRange(1, std::max(1, pageCount));
        b->setValue(std::clamp(currentPage, 1, std::max(1, pageCount)));
        connect(b, &QSpinBox::valueChanged, range_, [this] { range_->setChecked(true); });
    }
    rangeRow->addWidget(range_);
    rangeRow->addWidget(from_);
    rangeRow->addWidget(new QLabel(tr("to"), this));
    rangeRow->addWidget(to_);
    rangeRow->addStretch();
    layout->addLayout(rangeRow);
    auto* form = new QFormLayout;
    releasedTo_ = new QLineEdit(this);
    releasedTo_->setObjectName(QStringLiteral("txtReleasedTo"));
    releasedTo_->setPlaceholderText(tr("optional: patient, insurer, court..."));
    form->addRow(tr("&Released to:"), releasedTo_);
    layout->addLayout(form);
    layout->addWidget(new QLabel(tr("With a name, each page gets the footer \"Released to ... on "
                                    "... by ..., page n of m\"."),
                                 this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ExportPdfChoice ExportPdfDialog::choice() const {
    ExportPdfChoice c;
    c.allPages = !range_->isChecked();
    c.firstPage = std::min(from_->value(), to_->value());
    c.lastPage = std::max(from_->value(), to_->value());
    c.releasedTo = releasedTo_->text().trimmed();
    return c;
}

// ---- the command ----

ExportCommands::ExportCommands(MainWindow& w) : QObject(&w), w_(w) {
    setObjectName(QStringLiteral("ExportCommands"));
    runDialog_ = [](int pageCount, int currentPage,
                    QWidget* owner) -> std::optional<ExportPdfChoice> {
        ExportPdfDialog dialog(pageCount, currentPage, owner);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.choice();
    };
    connect(w.ui().mnuFileExportPdf, &QAction::triggered, this,
            [this] { w_.runCommand([this] { mnuFileExportPdf_Click(); }); });
}

ExportCommands* ExportCommands::of(MainWindow& window) {
    return window.findChild<ExportCommands*>(QStringLiteral("ExportCommands"),
                                             Qt::FindDirectChildrenOnly);
}

QString ExportCommands::footerText(const QString& releasedTo, const QString& date,
                                   const QString& by, int n, int m) {
    return tr("Released to %1 on %2 by %3, page %4 of %5").arg(releasedTo, date, by).arg(n).arg(m);
}

void ExportCommands::mnuFileExportPdf_Click() {
    if (w_.refuseWhileBusy()) return;
    app::Session& s = w_.session();
    // Releasing records needs the settings rights.
    if (!app::CanChangeSettings(s)) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const imaging::DocumentModelPtr model = edit.model();
    if (!model || model->pageCount() < 1) return;
    const int pageCount = model->pageCount();
    const std::optional<ExportPdfChoice> choice = runDialog_(pageCount, edit.page(), &w_);
    if (!choice) return;
    const int first = choice->allPages ? 1 : std::clamp(choice->firstPage, 1, pageCount);
    const int last = choice->allPages ? pageCount : std::clamp(choice->lastPage, first, pageCount);

    const imaging::EnvironmentPtr env = w_.imagingEnvironment();
    imaging::FileDialogRequest request;
    request.kind = imaging::kFileDialogSave;
    request.caption = tr("Export PDF");
    request.filter = QStringLiteral("PDF files (*.pdf)|*.pdf|");
    request.initialFolder = QDir::homePath();
    request.fileName = QFileInfo(env->nativePath(model->path())).completeBaseName() + ".pdf";
    request.owner = &w_;
    const std::optional<imaging::FileDialogAnswer> answer = env->fileDialog->run(request);
    if (!answer || answer->path.isEmpty()) return;
    QString target = answer->path;
    if (!target.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) target += ".pdf";

    imaging::PdfOptions options;
    options.created = s.svc.clock->now();
    options.title = s.rec.gstrPatientName.isEmpty()
                        ? QFileInfo(target).completeBaseName()
                        : tr("%1, %2").arg(s.rec.gstrPatientName, s.rec.gstrRecTypeName);
    options.burnAnnotations = edit.annotationsShown();
    if (!choice->releasedTo.isEmpty()) {
        const QString date = options.created.toString(QStringLiteral("MM/dd/yyyy"));
        const QString by = s.gobjCurrentUser ? s.gobjCurrentUser->EmployeeName() : QString();
        const QString to = choice->releasedTo;
        options.footer = [to, date, by](int n, int m) { return footerText(to, date, by, n, m); };
    }
    auto* job = new jobs::Job(
        tr("Exporting %1").arg(QFileInfo(target).fileName()),
        [model, target, first, last, options](jobs::Progress& progress) mutable {
            options.progress = [&progress](int done, int total) {
                progress.checkCancel();
                progress.set(
                    done, total,
                    done < total
                        ? QStringLiteral("Exporting page %1 of %2").arg(done + 1).arg(total)
                        : QStringLiteral("Exported %1 pages").arg(total));
            };
            imaging::writePdf(target, *model, first, last, options);
        });
    job->setCancellable(true);
    const bool started =
        w_.jobs().start(job, JobHost::Scope::Document, [this, target, first, last](const jobs::Result& r) {
            if (r.ok())
                recordDocumentHistory(w_, history::Action::ExportPdf, pageRange(first, last),
                                      "to " + target);
            if (!r.failed()) return;
            QString text = r.errorText;
            int number = imaging::kErrFileAccess;
            try {
                std::rethrow_exception(r.error);
            } catch (const imaging::Error& e) {
                text = e.description();
                number = e.number();
            } catch (...) {
            }
            w_.session().svc.prompter->msgBox(
                engineErrorText(tr("The PDF file %1 was not written: %2").arg(target, text),
                                QStringLiteral("ImgEdit"), number),
                app::mb::OKOnly, app::mb::Critical);
        });
    if (!started) w_.refuseWhileBusy();
}

} // namespace viewer
