// Seeded random values of the service host's Parameters key, which the host reads though it did
// not write them.

#include "ApplicationCommand.h"
#include "HandleT.h"
#include "RandomInput.h"
#include "ServiceData.h"
#include "ServiceParameters.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

const char kFuzzService[] = "Ravelin-Fuzz";

struct ValueCase {
    bool present = false;
    DWORD type = REG_SZ;
    std::string data;
};

ValueCase RandomValue(CRandom& random)
{
    ValueCase value;
    value.present = !random.OneIn(8);
    static const DWORD kTypes[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY,
                                   REG_DWORD, REG_MULTI_SZ, REG_NONE};
    value.type = kTypes[random.Below(sizeof(kTypes) / sizeof(kTypes[0]))];
    static const std::string kText = "C:\\Prog Files\\a.exe \"q\" %PATH% %NOPE% x";
    switch (random.Below(5)) {
    case 0:
        value.data = "";
        break;
    case 1: // terminated text
        value.data = random.From(kText, random.Below(300)) + std::string(1, '\0');
        break;
    case 2: // not terminated
        value.data = random.From(kText, 1 + random.Below(300));
        break;
    case 3: // very long
        value.data = random.From(kText, 900 + random.Below(5000));
        break;
    default: // NULs inside
        value.data = random.From(kText + std::string(1, '\0'), random.Below(400));
        break;
    }
    return value;
}

DWORD ExpectedRead(const ValueCase& value, std::string* text)
{
    if (!value.present)
        return ERROR_FILE_NOT_FOUND;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
        return value.data.size() > kParameterValueSize - 1 ? ERROR_MORE_DATA : ERROR_INVALID_DATA;
    if (value.data.size() > kParameterValueSize - 1)
        return ERROR_MORE_DATA;
    *text = value.data.substr(0, value.data.find('\0'));
    return ERROR_SUCCESS;
}

} // namespace

// Missing values, wrong types, texts with and without terminators, empty and very long ones:
// the service host reads what fits its buffers and refuses the rest with the system's reason.
TEST(FuzzTest, ServiceHostParametersTakeAnyValues)
{
    std::string keyPath =
        std::string("SYSTEM\\CurrentControlSet\\Services\\") + kFuzzService + "\\Parameters";
    HKEY created = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, NULL, 0,
                                               KEY_ALL_ACCESS, NULL, &created, NULL));
    CRegKey key(created);
    CRandom random(kFuzzSeed + 3);
    for (int i = 0; i < 3000; ++i) {
        ValueCase application = RandomValue(random);
        ValueCase parameters = RandomValue(random);
        const struct {
            const char* name;
            const ValueCase* value;
        } values[] = {{kApplicationValue, &application}, {kAppParametersValue, &parameters}};
        for (const auto& v : values) {
            ::RegDeleteValueA(key.Get(), v.name);
            if (v.value->present) {
                ASSERT_EQ(ERROR_SUCCESS,
                          ::RegSetValueExA(key.Get(), v.name, 0, v.value->type,
                                           reinterpret_cast<const BYTE*>(v.value->data.data()),
                                           static_cast<DWORD>(v.value->data.size())));
            }
        }

        CServiceParameters read;
        DWORD error = read.Read(kFuzzService);
        ASSERT_LT(std::strlen(read.Application()), kParameterValueSize);
        ASSERT_LT(std::strlen(read.AppParameters()), kParameterValueSize);
        std::string expectedApplication, expectedParameters;
        DWORD expected = ExpectedRead(application, &expectedApplication);
        if (expected == ERROR_SUCCESS)
            expected = ExpectedRead(parameters, &expectedParameters);
        bool expands = application.type == REG_EXPAND_SZ || parameters.type == REG_EXPAND_SZ;
        if (!expands) {
            ASSERT_EQ(expected, error) << "case " << i << ": " << Printable(application.data)
                                       << " / " << Printable(parameters.data);
            if (error == ERROR_SUCCESS) {
                ASSERT_EQ(expectedApplication, read.Application()) << "case " << i;
                ASSERT_EQ(expectedParameters, read.AppParameters()) << "case " << i;
            }
        }
        if (error != ERROR_SUCCESS)
            continue;
        CApplicationCommand command;
        DWORD composed = command.Compose(read.Application(), read.AppParameters(), "C:\\base");
        ASSERT_LT(std::strlen(command.ProgramPath()), static_cast<size_t>(MAX_PATH));
        ASSERT_LT(std::strlen(command.CommandLine()), kCommandLineSize);
        ASSERT_LT(std::strlen(command.WorkFolder()), static_cast<size_t>(MAX_PATH));
        if (composed == ERROR_SUCCESS) {
            ASSERT_NE('\0', command.ProgramPath()[0]) << "case " << i;
        }
    }
    key.Reset();
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                    (std::string("SYSTEM\\CurrentControlSet\\Services\\") + kFuzzService).c_str());
}
