#include "ServiceEntryCheck.h"

#include "BoundedText.h"
#include "ManagerUtil.h"

bool CheckServiceEntries(const CUtil& util, int editSlot, const char* name, const char* appPath,
                         char* message, size_t size)
{
    CopyText(message, size, "");
    // Empty means zero length: a name of blanks is a name.
    if (name[0] == '\0') {
        CopyText(message, size, kNeedServiceName);
        return false;
    }
    if (appPath[0] == '\0') {
        CopyText(message, size, kNeedAppPath);
        return false;
    }
    // A name that another record's service would share in the SCM is taken as well.
    if (util.FindServiceByName(name, editSlot) >= 0 ||
        util.FindServiceBySystemName(name, editSlot) >= 0) {
        CopyText(message, size, kNameInUse);
        return false;
    }
    int slot = util.FindServiceByAppPath(appPath, editSlot);
    if (slot >= 0) {
        char text[256];
        char otherName[kDisplayNameSize];
        CopyField(otherName, util.serviceTable->records[slot].displayName);
        FormatText(text, sizeof(text), "%s:\n\n%s", kPathInUse, otherName);
        CopyText(message, size, text);
        return false;
    }
    return true;
}
