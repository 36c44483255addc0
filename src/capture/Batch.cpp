#include "capture/Batch.h"

#include "imaging/pixels/BlankPage.h"

#include "imaging/documents/Document.h"
#include "jobs/Job.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace capture {

std::vector<BatchPart> splitBatch(const std::vector<std::optional<CoverSheetCodes>>& sheets,
                                  const std::function<bool(const QString& id)>& known) {
    std::vector<BatchPart> parts(1); // the unfiled part
    size_t current = 0;              // the part the next page goes to
    QList<int> strays;               // pages of the unfiled part under the current note
    QString strayNote = QStringLiteral("no cover sheet");
    auto closeStrays = [&] {
        if (strays.isEmpty()) return;
        parts[0].notes << (strays.size() == 1 ? "page " : "pages ") + pageRangesText(strays) +
                              ": " + strayNote;
        strays.clear();
    };
    for (size_t i = 0; i < sheets.size(); ++i) {
        const int page = int(i) + 1;
        if (const auto& codes = sheets[i]) {
            closeStrays();
            if (known(codes->id)) {
                BatchPart part;
                part.sheetPage = page;
                part.id = codes->id;
                part.recordType = codes->recordType;
                parts.push_back(part);
                current = parts.size() - 1;
            } else {
                current = 0;
                strayNote = "unknown ID " + codes->id;
            }
        }
        parts[current].pages << page;
        if (current == 0) strays << page;
    }
    closeStrays();
    return parts;
}

QString pageRangesText(const QList<int>& pages) {
    QStringList out;
    for (qsizetype i = 0; i < pages.size();) {
        qsizetype j = i;
        while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
        out << (j == i ? QString::number(pages[i])
                       : QString::number(pages[i]) + "-" + QString::number(pages[j]));
        i = j + 1;
    }
    return out.join(QStringLiteral(", "));
}

QString batchStatePath(const QString& batchFile) {
    const qsizetype dot = batchFile.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? batchFile.left(dot) : batchFile) + QStringLiteral(".json");
}

namespace {

QJsonArray pagesJson(const QList<int>& pages) {
    QJsonArray a;
    for (int p : pages) a.append(p);
    return a;
}

} // namespace

bool saveBatchState(const QString& nativeStateFile, const BatchState& state) {
    QJsonArray parts;
    for (const BatchPart& p : state.parts) {
        QJsonObject o{{"sheetPage", p.sheetPage},
                      {"pages", pagesJson(p.pages)},
                      {"id", p.id},
                      {"recordType", p.recordType},
                      {"replace", p.replace},
                      {"dropped", p.dropped},
                      {"filed", p.filed},
                      {"result", p.result},
                      {"notes", QJsonArray::fromStringList(p.notes)}};
        parts.append(o);
    }
    const QJsonObject root{{"format", 1},
                           {"batchFile", state.batchFile},
                           {"recordDate", state.recordDate},
                           {"department", state.department},
                           {"scanned", state.scanned},
                           {"read", state.read},
                           {"blankPages", pagesJson(state.blankPages)},
                           {"parts", parts}};
    QSaveFile f(nativeStateFile);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QJsonDocument(root).toJson());
    return f.commit();
}

std::optional<BatchState> loadBatchState(const QString& nativeStateFile) {
    QFile f(nativeStateFile);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    const QJsonObject root = doc.object();
    if (root.value("format").toInt() != 1) return std::nullopt;
    BatchState s;
    s.batchFile = root.value("batchFile").toString();
    s.recordDate = root.value("recordDate").toString();
    s.department = root.value("department").toString();
    s.scanned = root.value("scanned").toBool();
    s.read = root.value("read").toBool();
    for (const QJsonValue& page : root.value("blankPages").toArray()) s.blankPages << page.toInt();
    for (const QJsonValue& v : root.value("parts").toArray()) {
        const QJsonObject o = v.toObject();
        BatchPart p;
        p.sheetPage = o.value("sheetPage").toInt();
        for (const QJsonValue& page : o.value("pages").toArray()) p.pages << page.toInt();
        p.id = o.value("id").toString();
        p.recordType = o.value("recordType").toInt();
        p.replace = o.value("replace").toBool();
        p.dropped = o.value("dropped").toBool();
        p.filed = o.value("filed").toBool();
        p.result = o.value("result").toString();
        for (const QJsonValue& n : o.value("notes").toArray()) p.notes << n.toString();
        s.parts.push_back(p);
    }
    if (s.batchFile.isEmpty() || (s.read && (s.parts.empty() || !s.parts[0].unfiled())))
        return std::nullopt;
    return s;
}

jobs::Job* makeBatchReadJob(const QString& nativeBatchFile,
                            std::shared_ptr<std::vector<std::optional<CoverSheetCodes>>> sheets,
                            std::shared_ptr<QList<int>> blanks, double blankInkPercent) {
    auto* job = new jobs::Job(
        QStringLiteral("Reading the batch for cover sheets"),
        [nativeBatchFile, sheets, blanks, blankInkPercent](jobs::Progress& progress) {
            const auto doc = imaging::Document::open(nativeBatchFile);
            const int pages = doc->pageCount();
            progress.set(0, pages, QStringLiteral("Reading the batch for cover sheets..."));
            for (int i = 0; i < pages; ++i) {
                progress.checkCancel();
                const QImage page = pageForReading(*doc, i);
                sheets->push_back(readCoverSheet(page));
                if (imaging::measureBlankPage(page, page.dotsPerMeterX() * 0.0254, blankInkPercent)
                        .blank)
                    blanks->push_back(i + 1);
                progress.setValue(i + 1);
            }
        });
    job->setCancellable(true);
    return job;
}

} // namespace capture
