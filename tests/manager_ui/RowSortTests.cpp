// The header-click sort on plain rows: direction, the pivot rule, rows with equal texts left
// where they are, whole rows (selection included) moved, and sub-ranges.

#include "RowSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Row {
    std::string cells[3];
    bool selected = false;
};

// Rows in a vector that record every swap and flag a swap of two rows with equal sort texts.
class CVectorRows : public CRowAccess {
public:
    CVectorRows(const std::vector<std::string>& texts, int column = 0) : column_(column)
    {
        for (size_t i = 0; i < texts.size(); ++i) {
            Row row;
            row.cells[column] = texts[i];
            // An identity of its own in another column, to follow each row.
            row.cells[(column + 2) % 3] = "id" + std::to_string(i);
            rows_.push_back(row);
        }
    }

    int RowCount() const override { return static_cast<int>(rows_.size()); }
    bool RowText(int row, int column, char* buffer, size_t size) const override
    {
        if (row < 0 || row >= RowCount() || column < 0 || column > 2)
            return false;
        std::snprintf(buffer, size, "%s", rows_[row].cells[column].c_str());
        return true;
    }
    void SwapRows(int first, int second) override
    {
        if (rows_[first].cells[column_] == rows_[second].cells[column_])
            ++equalSwaps;
        swaps.emplace_back(first, second);
        std::swap(rows_[first], rows_[second]);
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Row& row : rows_)
            texts.push_back(row.cells[column_]);
        return texts;
    }
    std::string IdOf(int row) const { return rows_[row].cells[(column_ + 2) % 3]; }
    std::string TextOfId(const std::string& id) const
    {
        for (const Row& row : rows_)
            if (row.cells[(column_ + 2) % 3] == id)
                return row.cells[column_];
        return "<missing>";
    }
    void Select(int row) { rows_[row].selected = true; }
    std::vector<int> SelectedRows() const
    {
        std::vector<int> selected;
        for (int i = 0; i < RowCount(); ++i)
            if (rows_[i].selected)
                selected.push_back(i);
        return selected;
    }

    std::vector<std::pair<int, int>> swaps;
    int equalSwaps = 0;

private:
    std::vector<Row> rows_;
    int column_;
};

using Swaps = std::vector<std::pair<int, int>>;

std::vector<std::string> Sorted(std::vector<std::string> texts, bool ascending)
{
    std::sort(texts.begin(), texts.end());
    if (!ascending)
        std::reverse(texts.begin(), texts.end());
    return texts;
}

// Texts drawn from a small alphabet, so that many are equal.
std::vector<std::string> RandomTexts(unsigned seed, int count, int letters)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(0, 3);
    std::uniform_int_distribution<int> letter(0, letters - 1);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += static_cast<char>('A' + letter(random));
        texts.push_back(text);
    }
    return texts;
}

} // namespace

TEST(RowSort, EmptyAndSingleRowsAreLeftAlone)
{
    CVectorRows none({});
    SortRowsByColumn(none, 0, true, 0, -1);
    EXPECT_TRUE(none.swaps.empty());

    CVectorRows one({"only"});
    SortRowsByColumn(one, 0, false, 0, -1);
    SortRowsByColumn(one, 0, true, 0, -1);
    EXPECT_TRUE(one.swaps.empty());
    EXPECT_EQ(std::vector<std::string>{"only"}, one.Texts());
}

TEST(RowSort, TwoRowsSwapOnlyWhenOutOfOrder)
{
    CVectorRows ascending({"b", "a"});
    SortRowsByColumn(ascending, 0, true, 0, -1);
    EXPECT_EQ((Swaps{{0, 1}}), ascending.swaps);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ascending.Texts());

    CVectorRows inOrder({"a", "b"});
    SortRowsByColumn(inOrder, 0, true, 0, -1);
    EXPECT_TRUE(inOrder.swaps.empty());

    CVectorRows descending({"a", "b"});
    SortRowsByColumn(descending, 0, false, 0, -1);
    EXPECT_EQ((Swaps{{0, 1}}), descending.swaps);
    EXPECT_EQ((std::vector<std::string>{"b", "a"}), descending.Texts());
}

TEST(RowSort, PivotIsTheMiddleRowRoundedDown)
{
    // With "a" (row 1) as pivot the rows 0 and 1 change places first, then rows 1 and 2; a pivot
    // taken from another row would swap 0 and 2 first.
    CVectorRows rows({"c", "a", "b"});
    SortRowsByColumn(rows, 0, true, 0, -1);
    EXPECT_EQ((Swaps{{0, 1}, {1, 2}}), rows.swaps);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), rows.Texts());

    // Four rows: the pivot is row 1 ("d"), not row 2 ("a", which would swap rows 0 and 2 first).
    CVectorRows even({"b", "d", "a", "c"});
    SortRowsByColumn(even, 0, true, 0, -1);
    EXPECT_EQ((Swaps{{1, 3}, {1, 2}, {0, 1}}), even.swaps);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), even.Texts());

    CVectorRows down({"a", "c", "b"});
    SortRowsByColumn(down, 0, false, 0, -1);
    EXPECT_EQ((Swaps{{0, 1}, {1, 2}}), down.swaps);
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a"}), down.Texts());
}

TEST(RowSort, EqualTextsAreNeverSwapped)
{
    CVectorRows same({"x", "x", "x", "x", "x", "x", "x"});
    SortRowsByColumn(same, 0, true, 0, -1);
    SortRowsByColumn(same, 0, false, 0, -1);
    EXPECT_TRUE(same.swaps.empty());
    for (int row = 0; row < same.RowCount(); ++row)
        EXPECT_EQ("id" + std::to_string(row), same.IdOf(row)) << "row " << row << " moved";

    CVectorRows mixed({"b", "a", "b", "a", "b", "a", "b"});
    SortRowsByColumn(mixed, 0, true, 0, -1);
    EXPECT_EQ(0, mixed.equalSwaps);
    EXPECT_EQ(Sorted(mixed.Texts(), true), mixed.Texts());
}

TEST(RowSort, ManyRowsEndInTheOrderOfAReferenceSort)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (bool ascending : {true, false}) {
            std::vector<std::string> texts = RandomTexts(seed, 3 + static_cast<int>(seed) * 2, 4);
            CVectorRows rows(texts);
            SortRowsByColumn(rows, 0, ascending, 0, -1);
            EXPECT_EQ(Sorted(texts, ascending), rows.Texts()) << "seed " << seed;
            EXPECT_EQ(0, rows.equalSwaps) << "seed " << seed;
            // Every row is still whole: its identity carries its own text.
            for (size_t i = 0; i < texts.size(); ++i)
                EXPECT_EQ(texts[i], rows.TextOfId("id" + std::to_string(i))) << "seed " << seed;
        }
    }
}

TEST(RowSort, ComparesBytesCaseSensitively)
{
    CVectorRows rows({"b", "B", "a", "A", "", "ab", "a b"});
    SortRowsByColumn(rows, 0, true, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"", "A", "B", "a", "a b", "ab", "b"}), rows.Texts());
    EXPECT_LT(CompareRowTexts("Z", "a"), 0);
    EXPECT_EQ(CompareRowTexts("same", "same"), 0);
    EXPECT_GT(CompareRowTexts("ab", "a"), 0);
}

TEST(RowSort, SortsByTheGivenColumn)
{
    CVectorRows rows({"30", "10", "20"}, 1);
    SortRowsByColumn(rows, 1, true, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"10", "20", "30"}), rows.Texts());
    // Column 0 holds the identities "id0".."id2" in their original order: sorting by it
    // descending puts the rows back in reverse order of their original indexes.
    SortRowsByColumn(rows, 0, false, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"20", "10", "30"}), rows.Texts());
}

TEST(RowSort, TheSelectionMovesWithItsRow)
{
    CVectorRows rows({"delta", "alpha", "charlie", "bravo", "echo"});
    rows.Select(2); // "charlie"
    SortRowsByColumn(rows, 0, true, 0, -1);
    ASSERT_EQ(std::vector<int>{2}, rows.SelectedRows());
    EXPECT_EQ("id2", rows.IdOf(2));
    SortRowsByColumn(rows, 0, false, 0, -1);
    ASSERT_EQ(std::vector<int>{2}, rows.SelectedRows());
    EXPECT_EQ("id2", rows.IdOf(2));

    CVectorRows first({"b", "c", "a"});
    first.Select(0);
    SortRowsByColumn(first, 0, false, 0, -1);
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a"}), first.Texts());
    EXPECT_EQ(std::vector<int>{1}, first.SelectedRows());
}

TEST(RowSort, OnlyTheGivenRangeIsSorted)
{
    CVectorRows rows({"z", "d", "b", "c", "a", "y"});
    SortRowsByColumn(rows, 0, true, 1, 4);
    EXPECT_EQ((std::vector<std::string>{"z", "a", "b", "c", "d", "y"}), rows.Texts());
    for (const auto& swap : rows.swaps) {
        EXPECT_GE(std::min(swap.first, swap.second), 1);
        EXPECT_LE(std::max(swap.first, swap.second), 4);
    }
    CVectorRows reversed({"a", "b"});
    SortRowsByColumn(reversed, 0, true, 1, 0);
    EXPECT_TRUE(reversed.swaps.empty()) << "high below low sorts nothing";
}
