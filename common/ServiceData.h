#pragma once
// Owner of one process's in-memory service table and its whole-file load and save.

#include "ServiceRecord.h"

#include <cstdint>
#include <functional>
#include <memory>

class CServiceData {
public:
    // Allocates the table and fills it with zeros. 0 when memory is short.
    int Init();
    void Free();
    bool HasTable() const { return table_ != nullptr; }

    // Reads the whole file into the table: 1 exactly when all 443400 bytes were read.
    int Load(const char* path);
    // Reads one record from the file into the table's record of that slot, leaving the other
    // records as they are. 1 when the file holds the whole table and the record was read;
    // otherwise 0 and the in-memory record is unchanged.
    int LoadRecord(const char* path, int slot);
    // Replaces the file with the whole table: 1 exactly when all 443400 bytes were written.
    int Save(const char* path) const;
    // Writes only hostWindow and appProcessId of one record into the file as it now is, under
    // the table lock, so that no other writer's change is undone. 0 when the file cannot be read
    // whole or replaced.
    int SaveHostFields(const char* path, int slot) const;
    // Sets runRequested of one record, in the table and in the file as it now is, merged the
    // same way under the table lock (the file is left alone when it holds that value already).
    // With unlessChanged, a file whose value differs from the table's (someone saved a newer
    // request since the table was loaded) keeps it, and the table takes it. 0 when the file
    // cannot be read whole or replaced.
    int SaveRunRequest(const char* path, int slot, uint32_t runRequested, bool unlessChanged);

    // The record of a slot 0..49; the table must exist.
    ServiceRecord& Record(int slot) { return table_->records[slot]; }
    const ServiceRecord& Record(int slot) const { return table_->records[slot]; }
    ServiceTable* Table() { return table_.get(); }

private:
    // Reads the file under the table lock and lets change alter the slot's record there; writes
    // the file back when change says it altered it.
    int MergeRecordFields(const char* path, int slot,
                          const std::function<bool(ServiceRecord&)>& change) const;

    std::unique_ptr<ServiceTable> table_;
};
