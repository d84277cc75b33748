// The link from a row to its record through the "SID" text, byte for byte.

#include "SlotLink.h"
#include "TableBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Rows that hold only their "SID" texts; a row marked unreadable answers no text.
class CSidRows : public CRowAccess {
public:
    explicit CSidRows(std::vector<std::string> sids) : sids_(std::move(sids)) {}
    void MakeUnreadable(int row) { unreadable_ = row; }

    int RowCount() const override { return static_cast<int>(sids_.size()); }
    bool RowText(int row, int column, char* buffer, size_t size) const override
    {
        if (row < 0 || row >= RowCount() || row == unreadable_ || column != kSidColumn)
            return false;
        std::snprintf(buffer, size, "%s", sids_[row].c_str());
        return true;
    }
    void SwapRows(int, int) override { ADD_FAILURE() << "the link never moves rows"; }

private:
    std::vector<std::string> sids_;
    int unreadable_ = -1;
};

class SlotLinkTest : public ::testing::Test {
protected:
    ServiceTable* Table() { return reinterpret_cast<ServiceTable*>(&image.bytes[0]); }
    void Use(int slot) { FillRecord(image[slot], slot, "Service", "C:\\app.exe", "C:\\", "", 0); }
    TableImage image;
};

} // namespace

TEST_F(SlotLinkTest, SidTextFindsItsRecord)
{
    Use(0);
    Use(7);
    Use(49);
    EXPECT_EQ(0, SlotOfSid(Table(), "00"));
    EXPECT_EQ(7, SlotOfSid(Table(), "07"));
    EXPECT_EQ(49, SlotOfSid(Table(), "49"));
}

TEST_F(SlotLinkTest, OnlyTheExactBytesMatch)
{
    Use(7);
    EXPECT_EQ(-1, SlotOfSid(Table(), "7"));
    EXPECT_EQ(-1, SlotOfSid(Table(), "07 "));
    EXPECT_EQ(-1, SlotOfSid(Table(), " 07"));
    EXPECT_EQ(-1, SlotOfSid(Table(), "070"));
    EXPECT_EQ(-1, SlotOfSid(Table(), "08"));
}

TEST_F(SlotLinkTest, AnSidFieldWithoutTerminatorIsReadOnlyToItsEnd)
{
    Use(3);
    // A damaged record whose three slotId bytes are all digits: its text is those three.
    std::memcpy(image[5].Bytes(), "123", 3);
    EXPECT_EQ(5, SlotOfSid(Table(), "123"));
    EXPECT_EQ(-1, SlotOfSid(Table(), "12"));
    EXPECT_EQ(-1, SlotOfSid(Table(), "1234"));
}

TEST_F(SlotLinkTest, NoTableLinksNothing)
{
    CSidRows rows({"00", "01"});
    EXPECT_EQ(-1, SlotOfSid(nullptr, "00"));
    EXPECT_EQ(-1, SlotOfRow(rows, nullptr, 0));
    EXPECT_EQ(-1, RowOfSlot(rows, nullptr, 0));
}

TEST_F(SlotLinkTest, RowsFindTheirSlotsWhateverTheirOrder)
{
    Use(2);
    Use(7);
    Use(11);
    CSidRows rows({"11", "02", "07"});
    EXPECT_EQ(11, SlotOfRow(rows, Table(), 0));
    EXPECT_EQ(2, SlotOfRow(rows, Table(), 1));
    EXPECT_EQ(7, SlotOfRow(rows, Table(), 2));
    EXPECT_EQ(1, RowOfSlot(rows, Table(), 2));
    EXPECT_EQ(2, RowOfSlot(rows, Table(), 7));
    EXPECT_EQ(0, RowOfSlot(rows, Table(), 11));
}

TEST_F(SlotLinkTest, MissingRowsAndRecordsGiveMinusOne)
{
    Use(2);
    CSidRows rows({"02", "33"});
    EXPECT_EQ(-1, SlotOfRow(rows, Table(), 1)) << "an SID that matches no record";
    EXPECT_EQ(-1, SlotOfRow(rows, Table(), 2)) << "no such row";
    EXPECT_EQ(-1, RowOfSlot(rows, Table(), 5)) << "a record without a row";
    EXPECT_EQ(-1, RowOfSlot(rows, Table(), -1));
    EXPECT_EQ(-1, RowOfSlot(rows, Table(), 50));
}

TEST_F(SlotLinkTest, UnreadableRowsAreNotLinked)
{
    Use(2);
    Use(4);
    CSidRows rows({"02", "04", "02"});
    rows.MakeUnreadable(0);
    EXPECT_EQ(-1, SlotOfRow(rows, Table(), 0));
    EXPECT_EQ(2, RowOfSlot(rows, Table(), 2)) << "the first readable row with that SID";
    EXPECT_EQ(1, RowOfSlot(rows, Table(), 4));
}
