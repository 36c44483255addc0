// docuvane-shots OUTDIR: starts the program on a scratch folder, signs in the demo users
// one after another and saves pictures of the windows under OUTDIR.
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "app/Log.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "main/Program.h"
#include "storage/LocationTools.h"
#include "viewer/MainWindow.h"
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/PageOps.h"

#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <QThread>

#include <QPainter>

#include <QAction>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// The Open Image dialog as the window asks for it, shown over `folder` (instead of the
// drive root it starts from), saved as a picture and then cancelled.
class GrabbingFileDialog : public imaging::FileDialogRunner {
public:
    GrabbingFileDialog(QString out, QString folder) : out_(std::move(out)), folder_(std::move(folder)) {}
    std::optional<imaging::FileDialogAnswer> run(const imaging::FileDialogRequest& r) override {
        imaging::FileDialogRequest shown = r;
        shown.initialFolder = folder_;
        QFileDialog d(r.owner);
        imaging::prepareFileDialog(d, shown);
        d.resize(820, 520);
        d.show();
        for (int i = 0; i < 40; ++i) { // the folder is listed in the background
            QApplication::processEvents();
            QThread::msleep(25);
        }
        shots::save(&d, out_, "open-image-dialog");
        return std::nullopt;
    }

private:
    QString out_, folder_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-shots");
    if (out.isEmpty()) return 2;
    QTemporaryDir scratch;
    program::Folders folders{scratch.filePath("config"), scratch.filePath("data")};

    {
        app::SignInDialog d("Sign in - Docuvane", "Sign in to department 19.", "1001");
        d.show();
        shots::save(&d, out, "signin");
    }

    struct Access {
        const char* name;
        const char* type;
        const char* department;
        app::Credentials who;
        const char* lastDepartment;
    };
    const Access users[] = {
        {"medical-records", "0", "", {"1001", "records"}, "MEDICAL RECORDS"},
        {"nurse", "1", "", {"2001", "nurse"}, "NURSING"},
        {"hr", "2", "HRD", {"3001", "hr"}, "HUMAN RESOURCES"},
    };
    for (const Access& a : users) {
        doubles::ScriptedCredentialsPrompt credentials;
        credentials.answers.push_back(a.who);
        doubles::ScriptedPrompter prompter;
        program::Program p(folders, &credentials, &prompter);
        p.session().svc.settings->write("TALVORDocuvane", "MAIN", "StartupType", a.type);
        p.session().svc.settings->write("TALVORDocuvane", "MAIN", "DepartmentID", a.department);
        p.session().svc.settings->write("TALVORDocuvane", "MAIN",
                                        QString("cboDept ") + a.who.employeeId, a.lastDepartment);
        if (!p.start() || !p.mainWindow()) {
            std::fprintf(stderr, "%s: the program did not reach the main window\n", a.name);
            for (const auto& m : prompter.shown) std::fprintf(stderr, "  message: %s\n", qPrintable(m.text));
            for (const auto& q : credentials.asked) std::fprintf(stderr, "  asked: %s\n", qPrintable(q));
            return 1;
        }
        viewer::MainWindow* w = p.mainWindow();
        w->resize(1100, 780);
        shots::save(w, out, QString("main-%1").arg(a.name));
        if (QString(a.name) == "medical-records") {
            p.session().WriteLog("checking files...");
            p.session().WriteLog("scan.tif");
            p.session().WriteLog("done.");
            auto* log = w->findChild<app::LogWindow*>("frmLog");
            if (log) shots::save(log, out, "log");
            // A document in the page-and-thumbnails view.
            std::vector<imaging::PageSource> pages;
            for (int i = 1; i <= 6; ++i) {
                QImage page(1275, 1650, QImage::Format_RGB32);
                page.fill(Qt::white);
                QPainter painter(&page);
                QFont f("DejaVu Sans");
                f.setPixelSize(34);
                painter.setFont(f);
                painter.drawText(120, 160, QString("DISCHARGE SUMMARY  -  page %1").arg(i));
                f.setPixelSize(22);
                painter.setFont(f);
                for (int y = 260; y < 1500; y += 44)
                    painter.drawText(120, y, "Patient was admitted for observation; vital signs "
                                             "remained stable throughout the stay.");
                painter.end();
                pages.push_back(imaging::PageSource::pixels(
                    page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither), 150, 150, {}));
            }
            const QString doc = scratch.filePath("summary.tif");
            imaging::writeDocument(doc, pages);
            w->PerformFileOpen(false, doc, 1);
            w->findChild<QAction*>("mnuViewModeItem_2")->trigger();
            doubles::waitForIdle(*w->docImgEdit1, 5000);
            QApplication::processEvents();
            shots::save(w, out, "main-document");
            // Several thumbnails chosen together: a click, Shift+click, Ctrl+click.
            {
                imaging::ImageThumbnail* strip = w->docImgThumbnail1;
                auto click = [&](int thumb, Qt::KeyboardModifiers keys) {
                    QTest::mouseClick(strip->viewport(), Qt::LeftButton, keys,
                                      strip->thumbRect(thumb).center());
                    doubles::waitForIdle(*w->docImgEdit1, 5000);
                    QApplication::processEvents();
                };
                click(2, {});
                click(3, Qt::ShiftModifier);
                click(5, Qt::ControlModifier);
                shots::save(w, out, "main-thumbnails-selected");
            }
            // The Open Image dialog over a folder holding every kind of image and a text file.
            {
                const QString folder = scratch.filePath("images");
                QDir().mkpath(folder);
                QImage photo(64, 48, QImage::Format_RGB32);
                photo.fill(QColor(0x2e, 0x75, 0xb6));
                for (const char* name : {"photo.png", "wound.jpg", "ecg.jpeg", "xray.bmp"})
                    photo.save(folder + "/" + name);
                QFile::copy(doc, folder + "/summary.tif");
                QFile::copy(doc, folder + "/referral.tiff");
                QFile notes(folder + "/notes.txt");
                if (notes.open(QIODevice::WriteOnly)) notes.write("not an image\n");
                notes.close();
                w->docImgAdmin1->setFileDialogRunner(std::make_shared<GrabbingFileDialog>(out, folder));
                w->ui().mnuFileOpen->trigger();
                QApplication::processEvents();
            }
            // A page another program wrote: 16-bit gray whose values use 12 bits (0..4095),
            // as a modality writes them; it shows scaled by its own range.
            {
                QImage art(900, 1100, QImage::Format_Grayscale8);
                art.fill(0);
                QPainter painter(&art);
                for (int y = 0; y < art.height(); ++y) // a dark-to-light ramp behind
                    painter.fillRect(0, y, art.width(), 1, QColor::fromRgb(y * 90 / art.height(),
                                                                           y * 90 / art.height(),
                                                                           y * 90 / art.height()));
                painter.setBrush(QColor(200, 200, 200));
                painter.setPen(Qt::NoPen);
                painter.drawEllipse(QPoint(450, 520), 300, 380);
                painter.setBrush(QColor(255, 255, 255));
                painter.drawEllipse(QPoint(330, 470), 70, 120);
                painter.drawEllipse(QPoint(570, 470), 70, 120);
                QFont f("DejaVu Sans");
                f.setPixelSize(40);
                painter.setFont(f);
                painter.setPen(Qt::white);
                painter.drawText(60, 90, "16-bit gray, 12-bit values");
                painter.end();
                QImage deep(art.size(), QImage::Format_Grayscale16);
                for (int y = 0; y < art.height(); ++y) {
                    auto* to = reinterpret_cast<quint16*>(deep.scanLine(y));
                    const uchar* from = art.constScanLine(y);
                    for (int x = 0; x < art.width(); ++x) to[x] = quint16(from[x] * 4095 / 255);
                }
                const QString file = scratch.filePath("modality-16bit.tif");
                if (!deep.save(file, "TIFF")) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                w->PerformFileOpen(false, file, 1);
                w->findChild<QAction*>("mnuViewModeItem_0")->trigger();
                doubles::waitForIdle(*w->docImgEdit1, 5000);
                QApplication::processEvents();
                shots::save(w, out, "main-16bit-gray");
            }
            storage::FileLocationDialog d(p.session());
            d.setAttribute(Qt::WA_DeleteOnClose, false);
            d.show();
            shots::save(&d, out, "file-location");
        }
        if (QString(a.name) == "nurse") {
            w->findChild<QAction*>("mAdmin")->trigger();
            shots::save(w, out, "main-nurse-admin-mode");
        }
        for (const auto& m : prompter.shown) std::printf("  message: %s\n", qPrintable(m.text));
    }
    return 0;
}
