// The include rule: a library includes only its own headers and those of the libraries it
// declares (links directly), and only of lower layers. Layers, bottom up: jobs; the engine's
// libraries (pixels beside db, then annotations, documents, scanning, controls); records;
// history (the access history's recorder); app;
// storage; viewer; the workflows (capture, retrieval, rectypes, reports, maintenance); main.
// The engine's libraries are the folders of src/imaging (imaging_pixels is src/imaging/pixels,
// included as "imaging/pixels/..."). The test doubles (testing) sit beside main: only tests,
// benchmarks and tools use them; so does the administrators' tool (admin). Nothing includes main, and no library includes another of its
// own layer (the engine and the database know nothing of each other, nor one workflow of
// another).
#include "support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

const QMap<QString, int>& layers() {
    static const QMap<QString, int> m = {
        {"jobs", 0},
        {"db", 10},        {"imaging_pixels", 10},    {"imaging_annotations", 11},
        {"imaging_documents", 12}, {"imaging_scanning", 13}, {"imaging_controls", 14},
        {"records", 20},   {"history", 25}, {"app", 30},       {"storage", 40},   {"viewer", 50},
        {"capture", 60},   {"retrieval", 60}, {"rectypes", 60},  {"reports", 60},
        {"maintenance", 60}, {"safety", 60}, {"main", 70},    {"testing", 70},
        {"admin", 70},
    };
    return m;
}

// library -> the libraries it declares ("docuvane_x" entries; main's target is
// docuvane_program). Lines read "lib:dep dep ...".
QMap<QString, QSet<QString>> readDeclared(const QString& file) {
    QMap<QString, QSet<QString>> out;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const int colon = line.indexOf(':');
        if (colon <= 0) continue;
        QSet<QString>& deps = out[line.left(colon)];
        for (QString d : line.mid(colon + 1).split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts)) {
            d = d.trimmed();
            if (d == "docuvane_program") deps.insert("main");
            else if (d.startsWith("docuvane_")) deps.insert(d.mid(9));
        }
    }
    return out;
}

// Every broken rule under `srcRoot`, one line each: "file: includes x (reason)". Folders of
// src/ that are not built (not in `declared`) are not checked, and includes of them are not
// either: such an include only compiles behind __has_include.
QStringList violations(const QString& srcRoot, const QMap<QString, QSet<QString>>& declared) {
    static const QRegularExpression include(
        QStringLiteral(R"(^\s*#\s*include\s*["<]([A-Za-z_]+)/(?:([a-z]+)/)?)"));
    QStringList out;
    const QDir root(srcRoot);
    // The libraries and their folders: a folder of src/, or one of src/imaging.
    QStringList libs;
    for (const QString& dir : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (dir == "imaging")
            for (const QString& sub : QDir(root.filePath(dir)).entryList(
                     QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
                libs << "imaging/" + sub;
        else
            libs << dir;
    }
    for (const QString& folder : libs) {
        const QString lib = QString(folder).replace('/', '_');
        if (!declared.contains(lib)) continue;
        if (!layers().contains(lib)) {
            out << lib + ": a library without a layer (add it to the rule and to "
                         "docs/architecture.md)";
            continue;
        }
        QDirIterator it(root.filePath(folder), {"*.h", "*.cpp"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
            const QString name = root.relativeFilePath(path);
            int lineNo = 0;
            QTextStream in(&f);
            while (!in.atEnd()) {
                const QString line = in.readLine();
                ++lineNo;
                const auto m = include.match(line);
                if (!m.hasMatch()) continue;
                const QString target = m.captured(1) == "imaging" && !m.captured(2).isEmpty()
                                           ? "imaging_" + m.captured(2)
                                           : m.captured(1);
                if (target == lib || !layers().contains(target) || !declared.contains(target))
                    continue;
                const QString where = QString("%1:%2: includes %3").arg(name).arg(lineNo).arg(target);
                if (target == "main")
                    out << where + " (nothing includes main)";
                else if (layers()[target] >= layers()[lib])
                    out << where + (layers()[target] == layers()[lib]
                                        ? " (a library of the same layer)"
                                        : " (a higher layer)");
                else if (!declared[lib].contains(target))
                    out << where + " (not in its DEPS)";
            }
        }
    }
    return out;
}

// Lines under `srcRoot` outside db, records and testing whose text literal opens a statement
// of the records database: statements are built by the records library alone. Keywords are
// matched in the two spellings statements use (all capitals or all small letters), so a
// caption such as "Select Scanner" is not taken for one.
QStringList statementTexts(const QString& srcRoot) {
    static const QRegularExpression statement(QStringLiteral(
        R"re("\s*(SELECT\s|select\s|INSERT\s+INTO|insert\s+into|UPDATE\s+\S+\s+SET|)re"
        R"re(update\s+\S+\s+set|DELETE\s+FROM|delete\s+from|EXEC\s|exec\s|ALTER\s+TABLE|)re"
        R"re(alter\s+table|CREATE\s+(\w+\s+)*INDEX|USE\s+\[|dbRecords\.))re"));
    QStringList out;
    const QDir root(srcRoot);
    for (const QString& lib : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (lib == "db" || lib == "records" || lib == "testing") continue;
        QDirIterator it(root.filePath(lib), {"*.h", "*.cpp"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
            QTextStream in(&f);
            for (int lineNo = 1; !in.atEnd(); ++lineNo) {
                const QString line = in.readLine();
                if (statement.match(line).hasMatch())
                    out << QString("%1:%2").arg(root.relativeFilePath(path)).arg(lineNo);
            }
        }
    }
    return out;
}

TEST(Layers, TheSourceTreeKeepsTheIncludeRule) {
    const QString depsFile = qEnvironmentVariable("DOCUVANE_DECLARED_DEPS");
    const auto declared = readDeclared(depsFile);
    ASSERT_TRUE(declared.contains("imaging_controls") && declared.contains("viewer"))
        << qPrintable(depsFile);
    EXPECT_TRUE(declared["viewer"].contains("imaging_controls"));
    EXPECT_TRUE(declared["imaging_controls"].contains("imaging_documents"));
    const QStringList found = violations(testsupport::sourceDir() + "/src", declared);
    EXPECT_TRUE(found.isEmpty()) << qPrintable(found.join('\n'));
}

TEST(Layers, StatementTextsAreBuiltOnlyInTheRecordsLibrary) {
    const QStringList found = statementTexts(testsupport::sourceDir() + "/src");
    EXPECT_TRUE(found.isEmpty()) << qPrintable(found.join('\n'));

    testsupport::TempDir dir;
    auto write = [&](const QString& file, const QString& text) {
        QDir().mkpath(QFileInfo(dir.file(file)).path());
        QFile f(dir.file(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    };
    write("viewer/Save.cpp", "setWindowTitle(tr(\"Select Scanner\"));\n"
                             "q = \"update dbRecords.dbo.tblRecFiles set x=1\";\n"
                             "msg(\"Delete Record\");\n");
    write("capture/Scan.cpp", "run(\"dbRecords.dbo.sp_CheckScanned '\" + id);\n"
                              "  \"SELECT top 500 PD.IdNum,\"\n");
    write("app/Update.cpp", "\"alter table dbrecords..tblrecfiles add x int\",\n");
    write("records/Statements.cpp", "return \"SELECT 1\";\n");
    write("db/Procedures.cpp", "\"select count(*) from t\"\n");
    QStringList scratch = statementTexts(dir.path());
    scratch.sort();
    EXPECT_EQ(scratch, (QStringList{"app/Update.cpp:1", "capture/Scan.cpp:1", "capture/Scan.cpp:2",
                                    "viewer/Save.cpp:2"}));
}

// A scratch tree with one file per kind of broken include, and one that keeps the rule.
TEST(Layers, EveryKindOfBrokenIncludeIsFound) {
    testsupport::TempDir dir;
    auto write = [&](const QString& file, const QString& text) {
        QDir().mkpath(QFileInfo(dir.file(file)).path());
        QFile f(dir.file(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    };
    write("imaging/pixels/Page.cpp",
          "#include \"imaging/pixels/Page.h\"\n#include \"app/Session.h\"\n");
    write("imaging/documents/Doc.cpp", "#include \"imaging/pixels/Page.h\"\n"
                                       "#include \"imaging/controls/ImageEdit.h\"\n"
                                       "#include \"imaging/scanning/Sane.h\"\n");
    write("db/Query.cpp", "#include <QString>\n  #  include \"imaging/pixels/Page.h\"\n");
    write("records/Rec.cpp", "#include \"db/Connection.h\"\n#include \"app/Session.h\"\n");
    write("viewer/Window.cpp", "#include \"app/Session.h\"\n#include \"db/Connection.h\"\n");
    write("retrieval/Search.cpp", "#include \"viewer/MainWindow.h\"\n#include \"capture/Scan.h\"\n");
    write("capture/Scan.cpp", "#include \"viewer/MainWindow.h\"\n");
    write("app/Start.cpp", "// #include \"main/Program.h\" is text, not an include\n"
                           "#include \"main/Program.h\"\n");
    write("storage/Paths.cpp", "#include \"testing/FixedClock.h\"\n#include \"rectypes/X.h\"\n");
    write("main/Program.cpp", "#include \"viewer/MainWindow.h\"\n#include \"capture/Workflow.h\"\n");
    write("sketches/Idea.cpp", "#include \"main/Program.h\"\n"); // not built: not checked
    write("newlib/Thing.cpp", "#include \"jobs/Job.h\"\n");

    QMap<QString, QSet<QString>> declared;
    declared["imaging_pixels"] = {};
    declared["imaging_documents"] = {"imaging_pixels", "imaging_controls"};
    declared["imaging_scanning"] = {"imaging_documents"};
    declared["imaging_controls"] = {"imaging_documents"};
    declared["db"] = {};
    declared["records"] = {"db"};
    declared["app"] = {"records", "db"};
    declared["storage"] = {"app"};
    declared["viewer"] = {"app", "imaging_controls"};
    declared["retrieval"] = {"viewer", "capture"};
    declared["capture"] = {"viewer"};
    declared["main"] = {"viewer", "capture"};
    declared["testing"] = {"app"};
    declared["jobs"] = {};
    declared["newlib"] = {"jobs"};

    QStringList found = violations(dir.path(), declared);
    found.sort();
    EXPECT_EQ(found, (QStringList{
                         "app/Start.cpp:2: includes main (nothing includes main)",
                         "db/Query.cpp:2: includes imaging_pixels (a library of the same layer)",
                         "imaging/documents/Doc.cpp:2: includes imaging_controls (a higher layer)",
                         "imaging/documents/Doc.cpp:3: includes imaging_scanning (a higher layer)",
                         "imaging/pixels/Page.cpp:2: includes app (a higher layer)",
                         "newlib: a library without a layer (add it to the rule and to "
                         "docs/architecture.md)",
                         "records/Rec.cpp:2: includes app (a higher layer)",
                         "retrieval/Search.cpp:2: includes capture (a library of the same layer)",
                         "storage/Paths.cpp:1: includes testing (a higher layer)",
                         "viewer/Window.cpp:2: includes db (not in its DEPS)",
                     }))
        << qPrintable(found.join('\n'));
}

} // namespace
