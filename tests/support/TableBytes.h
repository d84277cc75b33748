#pragma once
// The service table file as the tests see it: bytes laid out by the literal offsets and sizes
// below, written down apart from the programs' own headers, so that a wrong offset in the
// programs cannot hide behind the same wrong offset in the tests.

#include <cstddef>
#include <cstdint>
#include <string>

namespace table_layout {
const size_t kRecordSize = 8868;
const size_t kTableSize = 443400;
const int kSlots = 50;

struct Field {
    size_t offset;
    size_t size;
};
const Field kSlotId = {0, 3};
const Field kDisplayName = {3, 81};
const Field kAppPath = {84, 256};
const Field kWorkDir = {340, 256};
const Field kAppParams = {596, 256};
const Field kReviveOnSessionEnd = {852, 4};
const Field kReserved1 = {856, 4};
const Field kHostWindow = {860, 4};
const Field kAppProcessId = {864, 4};
const Field kRunRequested = {868, 4};
const Field kReserved2 = {872, 7996};
} // namespace table_layout

// One record's values as the file holds them (texts up to their terminator or field end).
struct RecordFields {
    std::string slotId;
    std::string displayName;
    std::string appPath;
    std::string workDir;
    std::string appParams;
    uint32_t reviveOnSessionEnd = 0;
    uint32_t reserved1 = 0;
    uint32_t hostWindow = 0;
    uint32_t appProcessId = 0;
    uint32_t runRequested = 0;
};

// A view of one record inside a table image's bytes.
class TestRecord {
public:
    explicit TestRecord(char* bytes) : bytes_(bytes) {}

    std::string Text(const table_layout::Field& field) const;
    // Writes the text and its terminator; the rest of the field is left as it was.
    // A text that does not fit with its terminator fails the test.
    void SetText(const table_layout::Field& field, const std::string& text);
    uint32_t Number(const table_layout::Field& field) const;
    void SetNumber(const table_layout::Field& field, uint32_t value);

    void SetRunRequested(uint32_t value) { SetNumber(table_layout::kRunRequested, value); }
    void SetAppProcessId(uint32_t value) { SetNumber(table_layout::kAppProcessId, value); }
    void SetRevive(uint32_t value) { SetNumber(table_layout::kReviveOnSessionEnd, value); }
    void SetAppPath(const std::string& text) { SetText(table_layout::kAppPath, text); }
    void SetWorkDir(const std::string& text) { SetText(table_layout::kWorkDir, text); }
    void SetAppParams(const std::string& text) { SetText(table_layout::kAppParams, text); }
    void SetDisplayName(const std::string& text) { SetText(table_layout::kDisplayName, text); }

    RecordFields Fields() const;
    void Clear();
    char* Bytes() { return bytes_; }

private:
    char* bytes_;
};

// A whole table, zero-filled at first.
class TableImage {
public:
    TableImage() : bytes(table_layout::kTableSize, '\0') {}
    TestRecord operator[](int slot);
    RecordFields Fields(int slot) const;
    std::string Record(int slot) const;  // the record's raw bytes

    std::string bytes;
};

// Fills a used record the way the manager creates one: zero-filled, then the values.
void FillRecord(TestRecord record, int slot, const char* name, const std::string& appPath,
                const std::string& workDir, const std::string& appParams, uint32_t revive);
void WriteTable(const std::string& path, const TableImage& image);
// Reads a file of exactly the table's size; false otherwise.
bool ReadTable(const std::string& path, TableImage& image);
