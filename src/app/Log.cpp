#include "app/Log.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace app {

namespace {
QFont logFont() {
    QFont f(QStringLiteral("Consolas"));
    if (!QFontDatabase::families().contains(f.family()))
        f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::Monospace);
    return f;
}
} // namespace

LogWindow::LogWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("frmLog");
    setWindowTitle("Log");
    setAttribute(Qt::WA_DeleteOnClose);
    text1_ = new QPlainTextEdit(this);
    text1_->setObjectName("Text1");
    text1_->setReadOnly(true);
    text1_->setFont(logFont());
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* close = new QPushButton("&Close", this);
    close->setObjectName("cmdClose");
    connect(close, &QPushButton::clicked, this, &LogWindow::cmdClose_Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text1_);
    layout->addLayout(buttons);
    resize(640, 360);
}

void LogWindow::addLine(const QString& line) {
    lines_.push_front(line);
    QTextCursor c(text1_->document());
    c.movePosition(QTextCursor::Start);
    if (lines_.size() == 1) {
        c.insertText(line);
    } else {
        c.insertText(line);
        c.insertBlock();
    }
    while (lines_.size() > static_cast<size_t>(kMaxLines)) {
        lines_.pop_back();
        QTextCursor last(text1_->document()->lastBlock());
        last.select(QTextCursor::BlockUnderCursor);
        last.removeSelectedText();
    }
    text1_->moveCursor(QTextCursor::Start);
}

QString LogWindow::text() const {
    QString out;
    for (const auto& l : lines_) out += l + "\r\n";
    return out;
}

void LogWindow::cmdClose_Click() { close(); }

void Logger::writeLog(const QString& line) {
    if (!window_) {
        window_ = new LogWindow(owner_);
        window_->move(owner_ ? owner_->geometry().topLeft() + QPoint(40, 60) : QPoint(40, 60));
    }
    window_->addLine(line);
    window_->show();
    window_->raise();
}

} // namespace app
