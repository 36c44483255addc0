#include "capture/CoverSheet.h"

#include "app/Clock.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/Filing.h"
#include "capture/RecordDialog.h"
#include "db/Connection.h"
#include "imaging/controls/Dialogs.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/Print.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/TiffWriter.h"
#include "imaging/pixels/Barcode.h"
#include "imaging/pixels/Downscale.h"
#include "records/CaptureStatements.h"
#include "records/RetrievalStatements.h"
#include "storage/RecordPaths.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QRegularExpression>
#include <cmath>

namespace capture {

namespace {

// Pages are read at about this resolution: cover-sheet bars are at least 0.015 inch wide, two
// pixels and more here, and a page costs a ninth of its 300 dpi reading.
constexpr double kReadDpi = 150.0;
// Widest bar module printed (inches); narrower only when an ID is too long for the line.
constexpr double kMaxModuleInches = 0.03;
constexpr double kBarcodeWidthInches = 7.0;
constexpr double kBarcodeHeightInches = 0.7;

const QString kTypePrefix = QStringLiteral("DV-T");

// Full-ASCII Code 39: characters outside the symbol's own set become two symbol characters
// ("a" is "+A"). IDs with such characters are printed that way throughout, so that reading
// back is unambiguous: a symbol with no shift character ($ % / +) is the ID as it is.
QString fullAsciiEncode(const QString& text) {
    static const QString plain = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. ");
    bool needed = false;
    for (QChar c : text)
        if (!plain.contains(c)) needed = true;
    if (!needed) return text;
    const auto two = [](char shift, int c) { return QString(QChar(shift)) + QChar(c); };
    QString out;
    for (QChar qc : text) {
        const int c = qc.unicode();
        if (plain.contains(qc)) out += qc;
        else if (c == 0) out += "%U";
        else if (c >= 1 && c <= 26) out += two('$', 'A' + c - 1);
        else if (c >= 27 && c <= 31) out += two('%', 'A' + c - 27);
        else if (c >= 33 && c <= 44) out += two('/', 'A' + c - 33);
        else if (c == 47) out += "/O";
        else if (c == 58) out += "/Z";
        else if (c >= 59 && c <= 63) out += two('%', 'F' + c - 59);
        else if (c == 64) out += "%V";
        else if (c >= 91 && c <= 95) out += two('%', 'K' + c - 91);
        else if (c == 96) out += "%W";
        else if (c >= 97 && c <= 122) out += two('+', 'A' + c - 97);
        else if (c >= 123 && c <= 127) out += two('%', 'P' + c - 123);
        else return {}; // not ASCII: no barcode
    }
    return out;
}

// The reverse; nullopt when a shift character is not followed by a character it shifts.
std::optional<QString> fullAsciiDecode(const QString& symbol) {
    QString out;
    for (int i = 0; i < symbol.size(); ++i) {
        const QChar shift = symbol[i];
        if (!QStringLiteral("$%/+").contains(shift)) {
            out += shift;
            continue;
        }
        if (i + 1 >= symbol.size()) return std::nullopt;
        const int n = symbol[++i].unicode();
        int c = -1;
        if (shift == '$' && n >= 'A' && n <= 'Z') c = n - 'A' + 1;
        else if (shift == '+' && n >= 'A' && n <= 'Z') c = n - 'A' + 97;
        else if (shift == '/' && n >= 'A' && n <= 'L') c = n - 'A' + 33;
        else if (shift == '/' && n == 'O') c = 47;
        else if (shift == '/' && n == 'Z') c = 58;
        else if (shift == '%' && n >= 'A' && n <= 'E') c = n - 'A' + 27;
        else if (shift == '%' && n >= 'F' && n <= 'J') c = n - 'F' + 59;
        else if (shift == '%' && n >= 'K' && n <= 'O') c = n - 'K' + 91;
        else if (shift == '%' && n >= 'P' && n <= 'T') c = n - 'P' + 123;
        else if (shift == '%' && n == 'U') c = 0;
        else if (shift == '%' && n == 'V') c = 64;
        else if (shift == '%' && n == 'W') c = 96;
        if (c < 0) return std::nullopt;
        out += QChar(c);
    }
    return out;
}

QFont font(double dpi, double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(points * dpi / 72.0))));
    f.setBold(bold);
    return f;
}

// A Code 39 symbol of `symbol` (symbol characters only) centred on the page's width at `top`
// (pixels), its module a whole number of pixels, with its human-readable text below.
// Returns the bottom of the text.
double drawBarcode(QPainter& p, double dpi, double pageWidth, double top, const QString& symbol,
                   const QString& caption) {
    const std::vector<bool> modules = imaging::code39Modules(symbol);
    const double n = double(modules.size());
    const double module =
        std::max(1.0, std::floor(std::min(kMaxModuleInches * dpi, kBarcodeWidthInches * dpi / n)));
    const double width = module * n;
    const QRectF box((pageWidth - width) / 2, top, width, kBarcodeHeightInches * dpi);
    imaging::paintModules(p, box, modules, Qt::black);
    p.setFont(font(dpi, 16, true));
    const QRectF text(0, box.bottom() + 0.05 * dpi, pageWidth, 0.35 * dpi);
    p.drawText(text, Qt::AlignHCenter | Qt::AlignTop, caption);
    return text.bottom();
}

// A page reduced to about kReadDpi (its resolution from its own metadata, else from a Letter
// page's width); bitonal pages are area-averaged into gray.
QImage forReading(const QImage& page) {
    double dpi = page.dotsPerMeterX() > 0 ? page.dotsPerMeterX() * 0.0254 : 0;
    if (dpi < 50 || dpi > 2400) dpi = std::min(page.width(), page.height()) / 8.5;
    if (dpi <= kReadDpi * 1.2) return page;
    const QSize target(std::max(1, int(page.width() * kReadDpi / dpi)),
                       std::max(1, int(page.height() * kReadDpi / dpi)));
    if (page.format() == QImage::Format_Mono || page.format() == QImage::Format_MonoLSB) {
        const QImage mono = page.format() == QImage::Format_Mono
                                ? page
                                : page.convertToFormat(QImage::Format_Mono);
        // The downscaler counts set bits as black: a table whose entry 1 is the lighter one is
        // turned around first.
        const bool setIsBlack = mono.colorCount() < 2 || qGray(mono.color(1)) < qGray(mono.color(0));
        imaging::MonoDownscaler scaler(mono.width(), mono.height(), target);
        QByteArray row(mono.bytesPerLine(), 0);
        for (int y = 0; y < mono.height(); ++y) {
            const uchar* line = mono.constScanLine(y);
            if (setIsBlack) {
                scaler.addRow(line);
            } else {
                for (int i = 0; i < row.size(); ++i)
                    row[i] = char(~line[i]);
                scaler.addRow(reinterpret_cast<const uchar*>(row.constData()));
            }
        }
        return scaler.result();
    }
    return page.convertToFormat(QImage::Format_Grayscale8)
        .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

db::Connection& connection(app::Session& s) { return app::recordsConnection(s); }

} // namespace

QString recordTypeBarcode(int recordType) { return kTypePrefix + QString::number(recordType); }

QImage renderCoverSheet(const CoverSheetContent& c, double dpi) {
    const int width = int(std::lround(8.5 * dpi));
    const int height = int(std::lround(11 * dpi));
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    page.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    const auto in = [dpi](double inches) { return inches * dpi; };
    QPainter p(&page);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setPen(Qt::black);

    // The marking: white letters on a black band, seen at a glance in a stack of pages.
    const QRectF band(in(0.75), in(0.6), width - in(1.5), in(1.1));
    p.fillRect(band, Qt::black);
    p.setPen(Qt::white);
    p.setFont(font(dpi, 54, true));
    p.drawText(band, Qt::AlignCenter, QStringLiteral("COVER SHEET"));
    p.setPen(Qt::black);
    p.setFont(font(dpi, 13));
    p.drawText(QRectF(in(0.75), in(1.85), width - in(1.5), in(0.7)),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Scan this sheet in front of the record's pages. The scan is checked "
                              "against it: pages behind a sheet of another ID are not filed "
                              "without a question."));

    const QString idSymbol = fullAsciiEncode(c.id);
    double y = in(2.9);
    p.setFont(font(dpi, 11));
    p.drawText(QRectF(0, y - in(0.3), width, in(0.25)), Qt::AlignHCenter, QStringLiteral("ID"));
    if (!idSymbol.isEmpty())
        y = drawBarcode(p, dpi, width, y, idSymbol, c.id);
    y += in(0.6);
    p.setFont(font(dpi, 11));
    p.drawText(QRectF(0, y - in(0.3), width, in(0.25)), Qt::AlignHCenter,
               QStringLiteral("Record type"));
    y = drawBarcode(p, dpi, width, y, recordTypeBarcode(c.recordType),
                    recordTypeBarcode(c.recordType));

    // What the sheet is for, in words.
    y += in(0.7);
    const auto field = [&](const QString& label, const QString& value) {
        p.setFont(font(dpi, 14));
        p.drawText(QRectF(in(1.0), y, in(2.0), in(0.4)), Qt::AlignLeft | Qt::AlignVCenter, label);
        p.setFont(font(dpi, 18, true));
        p.drawText(QRectF(in(3.0), y, width - in(3.75), in(0.4)),
                   Qt::AlignLeft | Qt::AlignVCenter, value);
        y += in(0.55);
    };
    field(QStringLiteral("ID:"), c.id);
    field(QStringLiteral("Name:"), c.name);
    field(QStringLiteral("Record type:"),
          c.recordTypeName.isEmpty() ? QString::number(c.recordType)
                                     : c.recordTypeName + " (" + QString::number(c.recordType) + ")");
    field(QStringLiteral("Date:"), c.date.isValid() ? c.date.toString("MM/dd/yyyy") : QString());
    if (!c.department.isEmpty()) field(QStringLiteral("Department:"), c.department);

    p.setPen(QPen(Qt::black, std::max(1.0, in(0.02))));
    p.drawLine(QPointF(in(0.75), height - in(1.2)), QPointF(width - in(0.75), height - in(1.2)));
    p.setFont(font(dpi, 11));
    p.drawText(QRectF(in(0.75), height - in(1.1), width - in(1.5), in(0.4)),
               Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("COVER SHEET - it stays in the record's file as its first page"));
    p.end();
    return page;
}

QImage pageForReading(const imaging::Document& doc, int index) {
    const imaging::PageInfo info = doc.pageInfo(index);
    double dpi = info.xDpi > 0 ? info.xDpi : std::min(info.width, info.height) / 8.5;
    QImage page;
    if (dpi > kReadDpi * 1.2) {
        const double f = kReadDpi / dpi;
        page = doc.decodePageScaled(
            index, QSize(std::max(1, int(info.width * f)), std::max(1, int(info.height * f))), true);
        dpi = kReadDpi;
    } else {
        page = doc.decodePage(index);
    }
    page.setDotsPerMeterX(int(dpi / 0.0254));
    page.setDotsPerMeterY(int(dpi / 0.0254));
    return page;
}

std::optional<CoverSheetCodes> readCoverSheetOfPage(const imaging::Document& doc, int index) {
    return readCoverSheet(pageForReading(doc, index));
}

std::optional<CoverSheetCodes> readCoverSheet(const QImage& page) {
    if (page.isNull()) return std::nullopt;
    static const QRegularExpression typeCode(QStringLiteral("^DV-T(\\d{1,9})$"));
    std::optional<int> type;
    std::optional<QString> id;
    int ids = 0;
    for (const QString& symbol : imaging::readCode39(forReading(page))) {
        if (const auto m = typeCode.match(symbol); m.hasMatch()) {
            if (type) return std::nullopt; // two record types: no sheet of ours
            type = m.captured(1).toInt();
        } else if (const auto decoded = fullAsciiDecode(symbol)) {
            ++ids;
            id = *decoded;
        }
    }
    // Exactly one ID beside the record type: a page carrying other barcodes as well is no
    // sheet of ours (which ID would it name?).
    if (!type || ids != 1 || id->isEmpty()) return std::nullopt;
    return CoverSheetCodes{*id, *type};
}

QString coverSheetName(app::Session& s, const QString& id) {
    QString name;
    app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)([&] {
        if (s.gstrDepartmentID.isEmpty()) {
            records::AdmissionSearch search;
            search.id = id;
            search.includeOutPatients = true;
            db::RecordsetPtr rs = connection(s).open(records::searchAdmissions(search));
            if (!rs->eof())
                name = (rs->text("Lastname") + ", " + rs->text("Firstname") + " " +
                        rs->text("Middlename"))
                           .trimmed();
        } else {
            const QString payroll = s.gobjCurrentUser ? s.gobjCurrentUser->PayrollDB() : QString();
            if (payroll.isEmpty()) return;
            db::RecordsetPtr rs =
                connection(s).open(records::selectPayrollEmployeeName(payroll, id));
            if (!rs->eof())
                name = (rs->text("LastName") + ", " + rs->text("FirstName") + " " +
                        rs->text("MiddleName"))
                           .trimmed();
        }
    });
    if (name == QLatin1String(",")) name.clear();
    return name;
}

QString recordTypeName(app::Session& s, int recordType) {
    QString name;
    app::Steps(app::FailureStyle::Log, s.svc.log, s.svc.prompter)([&] {
        db::RecordsetPtr rs = connection(s).open(records::selectRecordTypeName(recordType));
        if (!rs->eof()) name = rs->text("rectype_name").trimmed();
    });
    return name;
}

void printCoverSheet(viewer::MainWindow& w, CoverSheetContent content, QWidget* owner) {
    app::Session& s = w.session();
    if (const QString why = content.id.isEmpty() ? QStringLiteral("The cover sheet needs an ID.")
                            : fullAsciiEncode(content.id).isEmpty()
                                ? QStringLiteral("A cover sheet's ID can hold only ASCII characters.")
                                : QString();
        !why.isEmpty()) {
        s.svc.prompter->msgBox(why, app::mb::OKOnly, app::mb::Exclamation);
        return;
    }
    if (content.recordType <= 0) {
        s.svc.prompter->msgBox("Select record type.");
        return;
    }
    if (!content.date.isValid()) content.date = s.svc.clock->today();
    if (content.name.isEmpty()) content.name = coverSheetName(s, content.id);
    if (content.recordTypeName.isEmpty()) content.recordTypeName = recordTypeName(s, content.recordType);

    const imaging::EnvironmentPtr env = w.imagingEnvironment();
    imaging::PrintDialogRequest request;
    request.pageCount = 1;
    request.pageOptions = false;
    request.owner = owner;
    if (!env->printDialog->run(request)) return;

    // The sheet goes to the printer as a bitonal 300 dpi page at its actual size, as any
    // document page is printed.
    constexpr double kPrintDpi = 300;
    imaging::DocumentPtr sheet;
    const bool ready = app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)([&] {
        const QImage mono = renderCoverSheet(content, kPrintDpi)
                                .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        sheet = imaging::Document::openBytes(
            imaging::encodeTiffPage(mono, kPrintDpi, kPrintDpi, false),
            QStringLiteral("CoverSheet.tif"));
    });
    if (!ready) return;
    jobs::Job* job = imaging::makePrintJob(env->printer, sheet, 1, 1, imaging::kPrintActualSize, false);
    QPointer<viewer::MainWindow> window(&w);
    w.jobs().start(job, viewer::JobHost::Scope::Background, [window](const jobs::Result& r) {
        if (r.failed() && window)
            window->session().svc.prompter->msgBox("The cover sheet was not printed: " + r.errorText, app::mb::OKOnly,
                             app::mb::Exclamation);
    });
}

void printCoverSheet(viewer::MainWindow& w, const QString& id, const QComboBox& recordTypes,
                     const QString& recordDate, QWidget* owner) {
    CoverSheetContent c;
    c.id = id;
    c.recordType = selectedRecordType(recordTypes);
    if (recordTypes.currentIndex() >= 0) c.recordTypeName = recordTypes.currentText();
    c.date = storage::parseRecordDate(recordDate);
    if (!w.session().gstrDepartmentID.isEmpty()) c.department = w.ui().cboDept->currentText();
    printCoverSheet(w, c, owner);
}

void mnuFilePrintCoverSheet_Click(viewer::MainWindow& w) {
    if (auto* open = w.findChild<QDialog*>(QStringLiteral("frmCoverSheet"))) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    auto* d = new QDialog(&w);
    d->setObjectName("frmCoverSheet");
    d->setWindowTitle("Print Cover Sheet");
    d->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto* txtID = new QLineEdit(d);
    txtID->setObjectName("txtAdmID");
    auto* cboScanType = new QComboBox(d);
    cboScanType->setObjectName("cboScanType");
    cboScanType->setMinimumWidth(220);
    auto* btnPrint = new QPushButton("&Print...", d);
    btnPrint->setObjectName("btnPrintCoverSheet");
    auto* btnClose = new QPushButton("&Close", d);
    btnClose->setObjectName("btnClose");
    auto* form = new QFormLayout;
    form->addRow("&ID No.:", txtID);
    form->addRow("Record Type:", cboScanType);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(d);
    layout->addLayout(form);
    layout->addLayout(buttons);
    app::Session& s = w.session();
    int lastDefault = -1;
    app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)(
        [&] { lastDefault = fillRecordTypes(w, *cboScanType); });
    cboScanType->setCurrentIndex(lastDefault >= 0 ? lastDefault : (cboScanType->count() ? 0 : -1));
    QObject::connect(btnPrint, &QPushButton::clicked, d, [&w, d, txtID, cboScanType] {
        w.runCommand([&] { printCoverSheet(w, txtID->text(), *cboScanType, QString(), d); });
    });
    QObject::connect(btnClose, &QPushButton::clicked, d, &QDialog::close);
    d->show();
    txtID->setFocus();
}

} // namespace capture
