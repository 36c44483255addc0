// The File Location dialog confirms a location only when it was stored.
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "doubles/TestSession.h"
#include "storage/LocationTools.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using app::kAppPrefs;

TEST(FileLocation, ALocationThatCannotBeStoredIsReportedNotConfirmed) {
    doubles::TestSession t;
    ASSERT_TRUE(t.settings.write(kAppPrefs, "General Preferences", "Default Directory",
                                 "\\\\fs\\recfiles"));
    t.s().gstrDefaultDirectoryD = "\\\\fs\\recfiles";
    t.s().gstrDeptFolder = "HRD";
    storage::deriveStorageRoot(t.s());
    storage::FileLocationDialog d(t.s());
    d.setAttribute(Qt::WA_DeleteOnClose, false);
    d.findChild<QLineEdit*>("txtFileLocation")->setText("\\\\fs2\\records");

    t.settings.failWrites("The settings folder is not writable.");
    d.cmdOK_Click();
    ASSERT_FALSE(t.prompter.shown.empty());
    EXPECT_NE(t.prompter.lastText(), "File Location updated successfully!");
    EXPECT_TRUE(t.prompter.lastText().contains("The settings folder is not writable."))
        << qPrintable(t.prompter.lastText());
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_EQ(d.result(), QDialog::Rejected); // still open: the user may try again or cancel
    EXPECT_EQ(t.s().gstrDefaultDirectoryD, "\\\\fs\\recfiles");
    EXPECT_EQ(t.s().gstrDefaultDirectory, "\\\\fs\\recfiles\\HRD");

    t.settings.failWrites({});
    d.cmdOK_Click();
    EXPECT_EQ(t.prompter.lastText(), "File Location updated successfully!");
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Default Directory"),
              "\\\\fs2\\records");
    EXPECT_EQ(t.s().gstrDefaultDirectory, "\\\\fs2\\records\\HRD");
    EXPECT_EQ(d.result(), QDialog::Accepted);
}
