#include "HostUtil.h"

#include "BoundedText.h"
#include "ProductNames.h"
#include "RegistrySettings.h"

#include <cstring>

CUtil::CUtil() : slot(0), launchedProcessId(0)
{
    std::memset(dataPath, 0, sizeof(dataPath));
    std::memset(propertiesPath, 0, sizeof(propertiesPath));
    std::memset(slotText, 0, sizeof(slotText));
}

CUtil::~CUtil() = default;

int CUtil::GetDataPath()
{
    char value[kSettingBufferSize];
    if (!ReadSetting(kDataPathValue, value))
        return 0;
    return CopyText(dataPath, value) ? 1 : 0;
}

int CUtil::MakePropertiesPath()
{
    if (!GetDataPath())
        return 0;
    if (!MakePropertiesFilePath(propertiesPath, sizeof(propertiesPath), dataPath)) {
        propertiesPath[0] = '\0';
        return 0;
    }
    return 1;
}

int CUtil::InitProperties()
{
    return serviceData.Init();
}

int CUtil::LoadProperties()
{
    return serviceData.Load(propertiesPath);
}

int CUtil::LoadOwnRecord()
{
    return serviceData.LoadRecord(propertiesPath, slot);
}

int CUtil::SaveProperties()
{
    return serviceData.SaveHostFields(propertiesPath, slot);
}

int CUtil::SaveRunRequest(uint32_t runRequested)
{
    return serviceData.SaveRunRequest(propertiesPath, slot, runRequested, false);
}

int CUtil::SaveStartRunRequest()
{
    return serviceData.SaveRunRequest(propertiesPath, slot, 1, true);
}

int CUtil::InitServiceData()
{
    return MakePropertiesPath() && InitProperties() && LoadProperties() ? 1 : 0;
}

void CUtil::WriteLog(uint8_t type, const char* message)
{
    char path[256];
    if (!MakeLogFilePath(path, sizeof(path), dataPath, slotText))
        return;
    AppendLogLine(path, type, message);
}

void CUtil::MakeTimeStamp(char* buffer)
{
    ::MakeTimeStamp(buffer, kTimeStampSize);
}
