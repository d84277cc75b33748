#include "RecordService.h"

#include "BoundedText.h"
#include "ManagerUtil.h"

bool RecordRegistration::Make(const ServiceRecord& record, const char* installPath)
{
    CopyField(displayName, record.displayName);
    CUtil::MakeServiceName(displayName, serviceName, sizeof(serviceName));
    CopyField(slotId, record.slotId);
    return FormatText(imagePath, sizeof(imagePath), "\"%s\\Ravelin.exe\"", installPath) &&
           FormatText(application, sizeof(application), "\"%s\\Halyard.exe\"", installPath);
}

ServiceRegistration RecordRegistration::Registration() const
{
    ServiceRegistration registration;
    registration.serviceName = serviceName;
    registration.displayName = displayName;
    registration.imagePath = imagePath;
    registration.application = application;
    registration.appParameters = slotId;
    return registration;
}

ServiceStatus QueryRecordStatus(const CServiceControl& control, const ServiceRecord* record)
{
    if (!control.Connected() || !record)
        return Unknown;
    RecordRegistration names;
    names.Make(*record, "");
    DWORD state = 0;
    ServiceResult result = control.QueryState(names.serviceName, state);
    if (result.failedStep == ServiceStep::Open)
        return Ready;
    if (!result.Succeeded())
        return Unknown;
    return StatusOfState(state);
}
