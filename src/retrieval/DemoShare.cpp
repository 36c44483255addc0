#include "retrieval/DemoShare.h"

#include "db/Connection.h"
#include "imaging/documents/PageOps.h"
#include "imaging/documents/TiffWriter.h"
#include "records/RetrievalStatements.h"
#include "storage/RecordPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QtConcurrent>

#include <atomic>
#include <vector>

namespace retrieval {

namespace {

// Where the file of a stored name lies below the department's root (native, "/"-separated).
QString relativeFile(const QString& storedName) {
    if (!storedName.startsWith(QLatin1String("\\\\"))) {
        QString rel = storedName;
        rel.replace('\\', '/');
        while (rel.startsWith('/')) rel.remove(0, 1);
        return rel;
    }
    // A full share path: re-rooted at its date folder, which the older layout kept directly
    // below the root.
    const QStringList parts = storedName.mid(2).split('\\', Qt::SkipEmptyParts);
    for (int i = 0; i + 1 < parts.size(); ++i) {
        if (!storage::isDateText(parts[i])) continue;
        const bool yearFolder = i > 0 && parts[i - 1] == parts[i].left(4);
        const QString rest = parts.mid(i).join('/');
        return yearFolder ? parts[i].left(4) + "/" + rest : rest;
    }
    return {};
}

QImage demoPage(const QString& id, const QString& type, const QString& description,
                const QString& date, int page, int pages) {
    QImage img(850, 1100, QImage::Format_Grayscale8);
    img.fill(255);
    QPainter p(&img);
    p.setPen(Qt::black);
    QFont big(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
    QFont normal(QStringLiteral("DejaVu Sans"), 16);
    QFont small(QStringLiteral("DejaVu Sans"), 11);
    p.setFont(small);
    p.drawText(QRect(60, 40, 730, 30), Qt::AlignLeft, QStringLiteral("DEMO HOSPITAL - RECORDS"));
    p.drawText(QRect(60, 40, 730, 30), Qt::AlignRight,
               QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    p.fillRect(60, 75, 730, 3, Qt::black);
    p.setFont(big);
    p.drawText(QRect(60, 110, 730, 60), Qt::AlignLeft, type.isEmpty() ? QStringLiteral("RECORD") : type);
    p.setFont(normal);
    p.drawText(QRect(60, 190, 730, 40), Qt::AlignLeft, "ID No.: " + id);
    p.drawText(QRect(60, 235, 730, 40), Qt::AlignLeft, "Record date: " + date);
    p.drawText(QRect(60, 280, 730, 80), Qt::AlignLeft | Qt::TextWordWrap, description);
    // Lines standing for the form's text.
    for (int y = 400, i = 0; y < 1020; y += 34, ++i) {
        const int len = 300 + ((i * 97 + id.size() * 31 + page * 13) % 430);
        p.fillRect(60, y, len, 10, QColor(40, 40, 40));
    }
    p.end();
    return img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

} // namespace

int writeDemoShare(db::Connection& connection, const QString& shareFolder) {
    struct DemoFile {
        QString path, id, type, description, date;
        int pages = 1;
        bool readOnly = false;
    };
    std::vector<DemoFile> files;
    QSet<QString> paths; // two rows naming one file: it is written once
    auto rs = connection.execute(records::selectFiledRecordsWithTypes());
    for (; rs->isOpen() && !rs->eof(); rs->moveNext()) {
        const QString rel = relativeFile(rs->text("file_name"));
        if (rel.isEmpty() || rel.contains(QLatin1String(".."))) continue;
        const QString dept = rs->text("DepartmentID");
        const QString root = dept.isEmpty() ? shareFolder : shareFolder + "/" + dept;
        DemoFile f;
        f.path = root + "/" + rel;
        if (paths.contains(f.path) || QFileInfo::exists(f.path)) continue;
        paths.insert(f.path);
        f.type = rs->text("Rectype_Name");
        // Some laboratory results have three pages (written as the engine writes documents,
        // which syncs each file: kept to a few dozen so the first start stays short).
        const int recfileId = rs->value("recfile_id").toInt();
        f.pages = f.type == QLatin1String("LABORATORY RESULTS") && recfileId % 8 == 1 ? 3 : 1;
        f.readOnly = recfileId % 25 == 0;
        f.id = rs->text("admission_id");
        f.description = rs->text("Description");
        f.date = rs->text("RecDate");
        files.push_back(std::move(f));
    }
    for (const DemoFile& f : files) QDir().mkpath(QFileInfo(f.path).absolutePath());
    // Drawing two thousand pages is most of a first start: the files are made on all cores.
    std::atomic<int> written{0};
    QtConcurrent::blockingMap(files, [&written](const DemoFile& f) {
        if (f.pages == 1) {
            const QByteArray tiff = imaging::encodeTiffPage(
                demoPage(f.id, f.type, f.description, f.date, 1, 1), 100, 100, false);
            QFile out(f.path);
            if (!out.open(QIODevice::WriteOnly) || out.write(tiff) != tiff.size()) {
                out.remove(); // no half-written file that a later start would take as made
                return;
            }
        } else {
            std::vector<imaging::PageSource> sources;
            for (int i = 1; i <= f.pages; ++i)
                sources.push_back(imaging::PageSource::pixels(
                    demoPage(f.id, f.type, f.description, f.date, i, f.pages), 100, 100, {}));
            try {
                imaging::writeDocument(f.path, sources);
            } catch (const std::exception&) {
                return; // a demo file that cannot be written is left out, as a single page is
            }
        }
        if (f.readOnly)
            QFile::setPermissions(f.path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ReadOther);
        ++written;
    });
    return written;
}

} // namespace retrieval
