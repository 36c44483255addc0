#pragma once
// Fixtures of the page display tests: tiny documents written with the engine, marker pixels,
// and scripted answers for the display's dialogs.
#include "doubles/RenderWait.h"
#include "imaging/documents/Document.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/documents/PageOps.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace imagetest {

// A white bitonal page as the decoder delivers them (index 0 white, 1 black).
inline QImage whitePage(int w, int h) {
    QImage img(w, h, QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    img.fill(0);
    return img;
}

inline void blacken(QImage& img, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            img.setPixel(x, y, 1);
}

inline bool black(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

// Ink pixels of an image as text rows ('#' ink, '.' paper): compares pages of any format.
inline std::vector<std::string> inkRows(const QImage& img) {
    std::vector<std::string> rows;
    for (int y = 0; y < img.height(); ++y) {
        std::string r;
        for (int x = 0; x < img.width(); ++x)
            r += black(img, x, y) ? '#' : '.';
        rows.push_back(r);
    }
    return rows;
}

// A page of `w` x `h` with a black block at `marker`.
inline QImage markedPage(int w, int h, const QRect& marker) {
    QImage img = whitePage(w, h);
    blacken(img, marker);
    return img;
}

// Writes the pages as a TIFF document (all at `dpi`) and returns its path.
inline QString writePages(const testsupport::TempDir& dir, const QString& name,
                          const std::vector<QImage>& pages, double dpi = 200) {
    std::vector<imaging::PageSource> sources;
    for (const QImage& p : pages)
        sources.push_back(imaging::PageSource::pixels(p, dpi, dpi, {}));
    const QString path = dir.file(name);
    imaging::writeDocument(path, sources);
    return path;
}

// Answers the page display's questions from a script.
class ScriptedDialogs : public imaging::EditDialogs {
public:
    std::function<bool(QDialog&)> onRun = [](QDialog&) { return false; };
    std::deque<std::optional<QString>> texts;
    std::deque<QString> files;
    int runs = 0;

    bool run(QDialog& dialog) override {
        ++runs;
        return onRun(dialog);
    }
    std::optional<QString> askText(QWidget*, const QString&, const QString&, bool) override {
        if (texts.empty()) return std::nullopt;
        auto t = texts.front();
        texts.pop_front();
        return t;
    }
    QString chooseFile(QWidget*, const QString&, const QString&) override {
        if (files.empty()) return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
};

// A shown page display of a fixed size without scroll bars, in `env` with scripted dialogs.
struct EditFixture {
    explicit EditFixture(QSize size = QSize(400, 300), imaging::Environment env = {})
        : dialogs(std::make_shared<ScriptedDialogs>()), edit(withDialogs(std::move(env), dialogs)) {
        edit.setScrollBars(false);
        edit.resize(size);
        edit.show();
    }
    // Opens `path`, shows page `page` at `zoom` and waits for the rendering.
    void open(const QString& path, int page = 1, double zoom = 100) {
        edit.setImage(path);
        edit.setZoom(zoom);
        edit.setPage(page);
        edit.display();
        ASSERT_TRUE(doubles::waitForRendering(edit, 5000));
    }
    // What the viewport shows.
    QImage shown() {
        EXPECT_TRUE(doubles::waitForRendering(edit, 5000));
        return edit.viewport()->grab().toImage();
    }
    // Viewport position of a point in display coordinates.
    QPoint at(int x, int y) const { return edit.displayedImageRect().topLeft() + QPoint(x, y); }

    static imaging::EnvironmentPtr withDialogs(imaging::Environment env,
                                               std::shared_ptr<ScriptedDialogs> d) {
        env.editDialogs = std::move(d);
        return std::make_shared<const imaging::Environment>(std::move(env));
    }

    std::shared_ptr<ScriptedDialogs> dialogs;
    imaging::ImageEdit edit;
};

// Runs `body` expecting it to raise imaging::Error with `number`.
template <class F> void expectError(int number, F body) {
    try {
        body();
        ADD_FAILURE() << "no error raised, expected " << number;
    } catch (const imaging::Error& e) {
        EXPECT_EQ(e.number(), number) << e.description().toStdString();
    }
}

} // namespace imagetest
