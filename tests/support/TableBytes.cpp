#include "TableBytes.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <cstring>

using namespace table_layout;

std::string TestRecord::Text(const Field& field) const
{
    const char* start = bytes_ + field.offset;
    size_t length = 0;
    while (length < field.size && start[length] != '\0')
        ++length;
    return std::string(start, length);
}

void TestRecord::SetText(const Field& field, const std::string& text)
{
    ASSERT_LT(text.size(), field.size) << "a test text does not fit its field: " << text;
    std::memcpy(bytes_ + field.offset, text.c_str(), text.size() + 1);
}

uint32_t TestRecord::Number(const Field& field) const
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes_ + field.offset);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void TestRecord::SetNumber(const Field& field, uint32_t value)
{
    unsigned char* p = reinterpret_cast<unsigned char*>(bytes_ + field.offset);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

RecordFields TestRecord::Fields() const
{
    RecordFields fields;
    fields.slotId = Text(kSlotId);
    fields.displayName = Text(kDisplayName);
    fields.appPath = Text(kAppPath);
    fields.workDir = Text(kWorkDir);
    fields.appParams = Text(kAppParams);
    fields.reviveOnSessionEnd = Number(kReviveOnSessionEnd);
    fields.reserved1 = Number(kReserved1);
    fields.hostWindow = Number(kHostWindow);
    fields.appProcessId = Number(kAppProcessId);
    fields.runRequested = Number(kRunRequested);
    return fields;
}

void TestRecord::Clear()
{
    std::memset(bytes_, 0, kRecordSize);
}

TestRecord TableImage::operator[](int slot)
{
    return TestRecord(&bytes[static_cast<size_t>(slot) * kRecordSize]);
}

RecordFields TableImage::Fields(int slot) const
{
    std::string copy = Record(slot);
    return TestRecord(&copy[0]).Fields();
}

std::string TableImage::Record(int slot) const
{
    return bytes.substr(static_cast<size_t>(slot) * kRecordSize, kRecordSize);
}

void FillRecord(TestRecord record, int slot, const char* name, const std::string& appPath,
                const std::string& workDir, const std::string& appParams, uint32_t revive)
{
    record.Clear();
    char slotId[3];
    std::snprintf(slotId, sizeof(slotId), "%02d", slot);
    record.SetText(kSlotId, slotId);
    record.SetText(kDisplayName, name);
    record.SetText(kAppPath, appPath);
    record.SetText(kWorkDir, workDir);
    record.SetText(kAppParams, appParams);
    record.SetNumber(kReviveOnSessionEnd, revive);
}

void WriteTable(const std::string& path, const TableImage& image)
{
    WriteFileBytes(path, image.bytes);
}

bool ReadTable(const std::string& path, TableImage& image)
{
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() != kTableSize)
        return false;
    image.bytes = bytes;
    return true;
}
