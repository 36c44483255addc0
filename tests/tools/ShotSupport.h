#pragma once
// What the screenshot tools share: the output folder from the command line, saving a
// window's picture, and choosing a department in the main window.
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/SessionCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QString>
#include <QWidget>
#include <cstdio>

namespace shots {

// The output folder given as the first argument (made when missing), or an empty string
// after the usage line was printed.
inline QString outputFolder(int argc, char** argv, const char* usage) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", usage);
        return {};
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    return out;
}

// Saves the window's picture as OUT/NAME.png and prints where.
inline void save(QWidget* w, const QString& out, const QString& name) {
    QApplication::processEvents();
    const QString file = out + "/" + name + ".png";
    w->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

inline void chooseDepartment(viewer::MainWindow& w, const QString& name) {
    w.ui().cboDept->setCurrentIndex(w.ui().cboDept->findText(name));
    w.sessionCommands().cboDept_Click();
}

} // namespace shots
