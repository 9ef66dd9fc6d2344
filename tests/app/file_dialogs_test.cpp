#include "ui/file_dialogs.h"

#include <gtest/gtest.h>

TEST(FileDialogs, TableAndPictureDialogParameters)
{
    const FileDialogParams save = saveTableDialogParams();
    EXPECT_EQ(save.filter, "Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV for spreadsheets (*.csv);;"
                           "JSON Lines for scripts (*.jsonl)");
    EXPECT_EQ(save.defaultSuffix, "xls");
    ASSERT_EQ(save.filterSuffixes.size(), 2);
    EXPECT_EQ(save.filterSuffixes[0], qMakePair(QStringLiteral("CSV for spreadsheets (*.csv)"), QStringLiteral("csv")));
    EXPECT_EQ(save.filterSuffixes[1], qMakePair(QStringLiteral("JSON Lines for scripts (*.jsonl)"), QStringLiteral("jsonl")));
    EXPECT_TRUE(save.confirmOverwrite);
    EXPECT_TRUE(save.clearNameBeforeShow);
    const FileDialogParams open = openTableDialogParams();
    EXPECT_EQ(open.filter, "Excel File(*.xls);;XML (*.xml);;Txt File(*.txt)");
    EXPECT_TRUE(open.defaultSuffix.isEmpty());
    EXPECT_FALSE(open.clearNameBeforeShow);

    const FileDialogParams picture = chartPictureDialogParams();
    EXPECT_EQ(picture.filter, "Bitmaps (*.bmp)");
    EXPECT_EQ(picture.defaultSuffix, "bmp");
    EXPECT_TRUE(picture.confirmOverwrite);
}
