#pragma once
// The manager's in-memory service table and its file, owned by the service list view:
// the view's construction allocates and loads it, its destruction frees it.

#include "ServiceData.h"

class CUtil;

class CManagerTable {
public:
    explicit CManagerTable(CUtil& util);
    ~CManagerTable();
    CManagerTable(const CManagerTable&) = delete;
    CManagerTable& operator=(const CManagerTable&) = delete;

    // Allocates the zero-filled table and makes it the one the slot queries read.
    int InitProperties();
    // Whole-file load and save at the manager's propertiesPath.
    int LoadProperties();
    int SaveProperties();
    void FreeProperties();

    bool HasTable() const { return data_.HasTable(); }
    ServiceRecord& Record(int slot) { return data_.Record(slot); }

private:
    CUtil& util_;
    CServiceData data_;
};
