// The enable rule of the service commands and the status texts of the list.

#include "EnableRule.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The rule as a table: one string per command, a letter per status in the order Ready,
// Started, Stopped, Unknown; E enabled, - disabled.
struct Expected {
    UINT command;
    const char* name;
    const char* states;
};

const Expected kTable[] = {
    {ID_SERVICE_EDIT, "Edit", "EEEE"},        {ID_SERVICE_OPTIONS, "Options", "EEEE"},
    {ID_SERVICE_DELETE, "Delete", "E--E"},
    {ID_SERVICE_INSTALL, "Install", "E--E"},  {ID_SERVICE_UNINSTALL, "Uninstall", "--EE"},
    {ID_SERVICE_START, "Start", "--EE"},      {ID_SERVICE_STOP, "Stop", "-E-E"},
    {ID_SERVICE_LOG, "Log", "EEEE"},
};

const ServiceStatus kStatuses[] = {Ready, Started, Stopped, Unknown};

std::string RuleOf(UINT command, int slot)
{
    std::string states;
    for (ServiceStatus status : kStatuses)
        states += IsCommandEnabled(command, slot, status) ? 'E' : '-';
    return states;
}

} // namespace

TEST(EnableRule, SelectedRecordFollowsTheStatusTable)
{
    for (const Expected& row : kTable) {
        EXPECT_EQ(row.states, RuleOf(row.command, 0)) << row.name;
        EXPECT_EQ(row.states, RuleOf(row.command, 49)) << row.name << " in the last slot";
    }
}

TEST(EnableRule, NoSelectionDisablesEveryServiceCommand)
{
    for (const Expected& row : kTable)
        EXPECT_EQ("----", RuleOf(row.command, -1)) << row.name;
}

TEST(EnableRule, AStatusOutsideTheFourCountsAsUnknown)
{
    // A query that goes wrong in any way leaves every command available for the selected row.
    for (const Expected& row : kTable)
        EXPECT_TRUE(IsCommandEnabled(row.command, 3, static_cast<ServiceStatus>(9))) << row.name;
}

TEST(EnableRule, NewAndOpenDataFolderAreAlwaysAvailable)
{
    for (UINT command : {static_cast<UINT>(ID_SERVICE_NEW), static_cast<UINT>(ID_OPEN_DATA_FOLDER)}) {
        EXPECT_FALSE(NeedsSelection(command)) << command;
        EXPECT_EQ("EEEE", RuleOf(command, -1)) << command;
    }
}

TEST(EnableRule, TheEightSelectionCommandsInContextMenuOrder)
{
    const UINT expected[] = {ID_SERVICE_EDIT,  ID_SERVICE_OPTIONS, ID_SERVICE_DELETE, ID_SERVICE_INSTALL,
                             ID_SERVICE_UNINSTALL, ID_SERVICE_START, ID_SERVICE_STOP,
                             ID_SERVICE_LOG};
    ASSERT_EQ(sizeof(expected), sizeof(kSelectionCommands));
    for (size_t i = 0; i < sizeof(expected) / sizeof(expected[0]); ++i) {
        EXPECT_EQ(expected[i], kSelectionCommands[i]) << "item " << i;
        EXPECT_TRUE(NeedsSelection(kSelectionCommands[i]));
    }
}

TEST(StatusText, EachStatusHasItsText)
{
    EXPECT_STREQ("Unknown", StatusText(Unknown));
    EXPECT_STREQ("Ready", StatusText(Ready));
    EXPECT_STREQ("Started", StatusText(Started));
    EXPECT_STREQ("Stopped", StatusText(Stopped));
    EXPECT_STREQ("Unknown", StatusText(static_cast<ServiceStatus>(4)));
}
