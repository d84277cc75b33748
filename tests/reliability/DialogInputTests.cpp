// The real manager's New/Edit dialog fed odd and over-long text through its controls (as a
// paste or another program could put it there, past the fields' typing limits): Apply checks it
// and says what is missing, and the manager goes on. Seeded: every run feeds the same texts.

#include "ManagerChecks.h"
#include "ManagerHarness.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const char kCaption[] = "New/Edit service";
const int kFields[] = {1004, 1005, 1007, 1011}; // name, path, working directory, parameters

std::string OddText(std::mt19937& engine)
{
    static const std::string kBytes = "aZ9 \t*\\/:\"<>|%~\x83\x5C\x95\xA0\xFF\x01\r\n";
    size_t lengths[] = {1, 80, 81, 255, 256, 257, 600, 2000};
    size_t length = engine() % 2 ? lengths[engine() % 8] : 1 + engine() % 300;
    std::string text(length, 'x');
    for (char& c : text)
        c = kBytes[engine() % kBytes.size()];
    return text;
}

} // namespace

TEST(DialogInputTest, NewEditDialogTakesOddAndOverlongText)
{
    CManagerHarness manager;
    TableImage table;
    FillRecord(table[0], 0, "Existing", "C:\\windows\\notepad.exe", "C:\\windows", "", 0);
    manager.WriteTable(table);
    std::string before = ReadFileBytes(manager.DataDir() + "\\Properties.dat");
    ASSERT_TRUE(manager.Start());
    DWORD pid = manager.Process().Id();

    std::mt19937 engine(20261210);
    const char* const kExpected[] = {
        "Please enter the service name.",
        "Please choose the application executable file path by Browse button.",
        "The service name is already exist."};
    for (int i = 0; i < 30; ++i) {
        ::PostMessageA(manager.Frame(), WM_COMMAND, command::kNew, 0);
        HWND dialog = NULL;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowOf(pid, kCaption)) != NULL; },
                              10000))
            << "case " << i << ": no dialog";
        // Each case fails one check, by turns, with odd text in every other field.
        int check = i % 3;
        std::string texts[4];
        for (std::string& text : texts)
            text = OddText(engine);
        if (check == 0)
            texts[0].clear();
        if (check == 1)
            texts[1].clear();
        if (check == 2)
            texts[0] = "Existing";
        for (int f = 0; f < 4; ++f)
            ::SendMessageA(::GetDlgItem(dialog, kFields[f]), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(texts[f].c_str()));
        ::PostMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);

        HWND box = NULL;
        ASSERT_TRUE(WaitUntil([&] { return (box = FindWindowOf(pid, "Ravelin")) != NULL; }, 10000))
            << "case " << i << ": no message";
        EXPECT_EQ(kExpected[check], RemoteText(::GetDlgItem(box, 0xFFFF))) << "case " << i;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 10000));
        ASSERT_TRUE(::IsWindow(dialog)) << "case " << i << ": the dialog closed";
        ::PostMessageA(::GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }, 10000)) << "case " << i;
    }
    EXPECT_TRUE(manager.Flush());
    EXPECT_FALSE(manager.Process().WaitExit(0));
    EXPECT_EQ(1, manager.RowCount());
    EXPECT_EQ(before, ReadFileBytes(manager.DataDir() + "\\Properties.dat"));
}
