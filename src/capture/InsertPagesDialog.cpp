#include "capture/InsertPagesDialog.h"

#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/CaptureState.h"
#include "capture/PageCommands.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageEdit.h"
#include "jobs/Job.h"
#include "viewer/BlankPages.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

namespace capture {

namespace {

// The source path is shown whole when it is this short, else only its file name.
constexpr int kWholePathBelow = 36;

// A number as the range boxes take it: digits (with an optional sign, decimal point or
// exponent, as typed or pasted); nothing for any other text.
std::optional<double> numeric(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

InsertPagesDialog::InsertPagesDialog(viewer::MainWindow& w, CaptureState& state)
    : QDialog(&w), w_(w), state_(state) {
    setObjectName("frmInsPage");
    setWindowTitle("Pages");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    fraRange = new QGroupBox("Range:", this);
    fraRange->setObjectName("fraRange");
    optAll = new QRadioButton("&All", fraRange);
    optAll->setObjectName("optAll");
    optPage = new QRadioButton("&Pages", fraRange);
    optPage->setObjectName("optPage");
    txtFrom = new QLineEdit(fraRange);
    txtFrom->setObjectName("txtFrom");
    txtTo = new QLineEdit(fraRange);
    txtTo->setObjectName("txtTo");
    for (QLineEdit* e : {txtFrom, txtTo}) {
        e->setMaximumWidth(70);
        e->installEventFilter(this);
    }
    lblFrom = new QLabel("&From:", fraRange);
    lblFrom->setObjectName("lblFrom");
    lblFrom->setBuddy(txtFrom);
    lblTo = new QLabel("&To:", fraRange);
    lblTo->setObjectName("lblTo");
    lblTo->setBuddy(txtTo);
    lblFromFile = new QLabel(this);
    lblFromFile->setObjectName("lblFromFile");
    lblFromFile->setMinimumWidth(300);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");

    auto* range = new QGridLayout(fraRange);
    range->addWidget(optAll, 0, 0);
    range->addWidget(optPage, 1, 0);
    range->addWidget(lblFrom, 1, 1);
    range->addWidget(txtFrom, 1, 2);
    range->addWidget(lblTo, 1, 3);
    range->addWidget(txtTo, 1, 4);
    range->setColumnStretch(5, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(lblFromFile);
    left->addWidget(fraRange);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(optAll, &QRadioButton::clicked, this, [this] { optAll_Click(); });
    connect(optPage, &QRadioButton::clicked, this, [this] { optPage_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { w_.runCommand([this] { cmdOK_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { w_.runCommand([this] { cmdCancel_Click(); }); });
}

void InsertPagesDialog::Form_Load() {
    const bool insert = state_.strInsertMode == "Insert";
    setWindowTitle(insert ? "Insert Pages" : "Append Pages");
    const QString prefix = insert ? "Insert pages from " : "Append pages from ";
    lblFromFile->setText(prefix + (state_.strInsertSource.size() < kWholePathBelow
                                       ? state_.strInsertSource
                                       : state_.strInsertSourceName));
    txtFrom->setText("1");
    txtTo->setText(QString::number(w_.ImgAdmin1->pageCount()));
    txtFrom->setEnabled(false);
    txtTo->setEnabled(false);
    optAll->setChecked(true);
}

void InsertPagesDialog::optAll_Click() {
    txtFrom->setEnabled(false);
    txtTo->setEnabled(false);
}

void InsertPagesDialog::optPage_Click() {
    txtFrom->setEnabled(true);
    txtTo->setEnabled(true);
}

bool InsertPagesDialog::keyPasses(QChar typed) {
    return typed == QChar(8) || (typed >= QLatin1Char('0') && typed <= QLatin1Char('9'));
}

bool InsertPagesDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == txtFrom || watched == txtTo) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Backspace arrives as a key without text here; keys that type nothing (arrows,
        // Delete, Tab) are not characters and pass.
        const QString text = key->key() == Qt::Key_Backspace ? QString(QChar(8)) : key->text();
        if (!text.isEmpty() && !keyPasses(text.front())) {
            QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool InsertPagesDialog::readRange(int n) {
    app::Prompter& prompter = *w_.session().svc.prompter;
    const QString fromText = txtFrom->text().trimmed();
    const QString toText = txtTo->text().trimmed();
    const auto from = numeric(fromText);
    if (!from) {
        prompter.msgBox("The From page number must be numeric.", app::mb::OKOnly, app::mb::Critical);
        return false;
    }
    const auto to = numeric(toText);
    if (!to) {
        prompter.msgBox("The To page number must be numeric.", app::mb::OKOnly, app::mb::Critical);
        return false;
    }
    // As whole numbers (rounded half to even); beyond a 32-bit number is outside the range.
    const double f = std::nearbyint(*from), t = std::nearbyint(*to);
    if (f >= 1 && f <= n && t >= 1 && t <= n) {
        if (t < f) {
            prompter.msgBox("The 'From' value cannot be greater than the 'To' value.",
                            app::mb::OKOnly, app::mb::Critical);
            return false;
        }
        state_.lngInsertFrom = int(f);
        state_.lngInsertCount = int(t - f) + 1;
        return true;
    }
    prompter.msgBox("Enter a page number between 1 and " + QString::number(n) + ".",
                    app::mb::OKOnly, app::mb::Critical);
    return false;
}

void InsertPagesDialog::cmdOK_Click() {
    const int n = w_.ImgAdmin1->pageCount(); // the source's (its image is still the source)
    if (optAll->isChecked()) {
        state_.lngInsertFrom = 1;
        state_.lngInsertCount = n;
    } else if (!readRange(n)) {
        return;
    }
    // 5-7: the pages go into the open document; a failure is shown and the dialog stays.
    app::Prompter& prompter = *w_.session().svc.prompter;
    try {
        w_.ImgAdmin1->setImage(w_.docImgEdit1->image());
    } catch (const std::exception& e) {
        prompter.msgBox(QString::fromLocal8Bit(e.what()));
        return;
    }
    const bool insert = state_.strInsertMode == "Insert";
    const QString source = state_.strInsertSource;
    const int from = state_.lngInsertFrom, count = state_.lngInsertCount;
    const int at = w_.docImgEdit1->page();
    cmdOK->setEnabled(false);
    QPointer<InsertPagesDialog> self(this);
    const bool started = startPageJob(
        w_, insert ? "Inserting pages" : "Appending pages",
        [insert, source, from, count, at](imaging::DocumentModel& model, jobs::Progress&) {
            if (insert)
                model.insertPagesFrom(source, from, at, count);
            else
                model.appendPagesFrom(source, from, count);
        },
        [self, insert, at, count, source](const jobs::Result& r) {
            if (!self) return;
            self->cmdOK->setEnabled(true);
            viewer::MainWindow& w = self->w_;
            if (!r.ok()) {
                // The source is still the one chosen, for another try.
                self->w_.ImgAdmin1->setImage(self->state_.strInsertSource);
                w.session().svc.prompter->msgBox(r.errorText);
                return;
            }
            w.doc().gblnJustOpened = false;
            const int first = insert ? at : w.docImgEdit1->pageCount() - count + 1;
            viewer::recordDocumentHistory(w, insert ? history::Action::InsertPages : history::Action::AppendPages,
                                          viewer::pageRange(first, first + count - 1), "from " + source);
            w.EnablePageMenusAndDisplay(w.docImgEdit1->page(), true);
            viewer::checkBlankPages(w, first, count);
            self->close();
        });
    if (!started) {
        cmdOK->setEnabled(true);
        w_.ImgAdmin1->setImage(source);
    }
}

void InsertPagesDialog::cmdCancel_Click() {
    w_.ImgAdmin1->setImage(w_.docImgEdit1->image());
    close();
}

} // namespace capture
