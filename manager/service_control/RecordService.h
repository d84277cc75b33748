#pragma once
// A table record's service as the Service Control Manager knows it: what its registration
// gives the SCM, and its status.

#include "ServiceControl.h"
#include "ServiceRecord.h"
#include "ServiceStatus.h"

// The texts CreateService and the Parameters key receive for a record installed from an
// installation folder, held for as long as the registration that points into them.
struct RecordRegistration {
    char displayName[kDisplayNameSize] = "";
    char serviceName[kDisplayNameSize] = "";
    char slotId[sizeof(ServiceRecord::slotId) + 1] = "";
    char imagePath[256] = "";
    char application[256] = "";

    // False when the programs' quoted paths do not fit (the names are always taken).
    bool Make(const ServiceRecord& record, const char* installPath);
    ServiceRegistration Registration() const;
};

// The status of a record's service as the SCM reports it: Unknown without the SCM, a record or
// an answer; Ready when the service cannot be opened.
ServiceStatus QueryRecordStatus(const CServiceControl& control, const ServiceRecord* record);
