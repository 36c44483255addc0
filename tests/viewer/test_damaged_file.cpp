// A file whose page chain loops back opens with the pages before the loop, read-only, and
// the user is told it is damaged.
#include "ViewerFixture.h"
#include "viewer/DocumentState.h"
#include "viewer/MainWindowUi.h"

#include <QFile>
#include <QLineEdit>
#include <QtEndian>

using namespace viewertest;

namespace {
class DamagedFile : public ViewerFixture {};
} // namespace

TEST_F(DamagedFile, OpensReadOnlyWithThePagesBeforeTheLoopAndSaysSo) {
    load();
    const QString path = makeDocument("loop.tif", 3);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray b = f.readAll();
    ASSERT_TRUE(b.startsWith("II*"));
    // Follow the chain to the last directory and point it back at the first.
    const auto le32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    const auto le16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    quint32 ifd = le32(4);
    for (quint32 next; (next = le32(ifd + 2 + 12 * le16(ifd))) != 0;) ifd = next;
    qToLittleEndian<quint32>(le32(4), b.data() + ifd + 2 + 12 * le16(ifd));
    f.seek(0);
    f.write(b);
    f.close();

    t.prompter.shown.clear();
    open(path);
    EXPECT_TRUE(w->doc().gblnReadOnly);
    EXPECT_FALSE(ui().txtReadOnly->isHidden());
    EXPECT_EQ(edit().pageCount(), 3);
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().contains("loop.tif is damaged")) << qPrintable(t.prompter.lastText());
    EXPECT_TRUE(t.prompter.lastText().contains("loops back")) << qPrintable(t.prompter.lastText());

    // An intact file opens as before: writable, nothing said.
    t.prompter.shown.clear();
    open(makeDocument("fine.tif", 2));
    EXPECT_FALSE(w->doc().gblnReadOnly);
    EXPECT_TRUE(t.prompter.shown.empty());
}
