#pragma once
// The manager's utility object: installation and data folders, the values its dialogs receive,
// queries over the 50 slots, message boxes, the service-name rule, path, shell and window helpers,
// and the manager's side of the event log.

#include "EventLog.h"
#include "ServiceRecord.h"
#include "UtilFeedback.h"

#include <windows.h>
#include <cstdint>

const size_t kProgressTitleSize = 81;
const size_t kDataFolderCopySize = 1024;

// The data folder as last looked up, for the "Open Data Folder" command (up to 1023 characters).
extern char dataFolderForShell[kDataFolderCopySize];

class CUtil {
public:
    // Platform check, installation folder, data folder, table path; a refusal asks the program
    // to end (a quit message is posted). With a feedback sink, every message and progress
    // confirmation goes to it instead of a window.
    explicit CUtil(IUtilFeedback* feedback = nullptr);
    virtual ~CUtil();

    // Folders and the table path.
    int GetInstallPath();
    int GetDataPath(const char* fallback);
    int MakePropertiesPath();

    // Slot queries over the in-memory table that serviceTable points to (the list view's).
    int CountServices() const;
    bool HasFreeSlot() const;
    int FindFreeSlot() const;
    // The first slot whose name (path) equals the text byte for byte. editSlot is the record
    // being edited, which never conflicts with itself and is passed over; -1 (New) passes over
    // nothing.
    int FindServiceByName(const char* name, int editSlot = -1) const;
    int FindServiceByAppPath(const char* appPath, int editSlot = -1) const;
    // The first slot whose service would have the same name in the SCM as a service named name:
    // MakeServiceName of both, compared ignoring letter case as the SCM compares its names.
    // The edited record is passed over as above.
    int FindServiceBySystemName(const char* name, int editSlot = -1) const;
    // True when the SCM takes the two service names for one: equal ignoring letter case.
    static bool SameServiceName(const char* first, const char* second);

    // Message boxes owned by ownerWindow, or by the dialog open over it, caption "Ravelin"
    // (with a feedback sink: its messages).
    int ErrorBox(const char* text) const;
    int InfoBox(const char* text) const;
    // The box for a failed service installation, chosen by GetLastError.
    int ShowInstallError() const;

    // A copy of text with every blank replaced by "-": the service's name in the SCM. name may
    // be text itself.
    static void MakeServiceName(const char* text, char* name, size_t size);
    // A copy of path cut at its last backslash; a path without one is returned whole.
    static void GetFolderOfPath(const char* path, char* folder, size_t size);
    // The shell's "open" verb: a folder opens in the file browser, an address in the browser.
    static HINSTANCE OpenWithShell(const char* target);
    // The first top-level window, in z-order, whose title contains text (case-sensitive).
    static HWND FindWindowByTitle(const char* text);
    // Raises the window above all others and restores it when minimised or maximised.
    static void BringWindowToFront(HWND window);
    // Sets progressTitle and runs the progress dialog modally (with a feedback sink: its
    // progress, which waits progressHoldMs).
    void ShowProgress(const char* text);
    // 0 only on the NT family; 1 on Windows 95, 98 and ME, Win32s, or when the check fails.
    static int IsUnsupportedPlatform();

    // The slot's event log, for slots 0 to 99; nothing at all for any other number.
    void WriteLog(uint32_t slot, uint8_t type, const char* message) const;
    static void MakeTimeStamp(char* buffer);
    // Deletes the slot's log file; a missing or busy file is left alone.
    void DeleteLog(uint32_t slot) const;
    // "<dataPath>\NN.log"; false for a slot above 99 or a path that does not fit.
    bool MakeLogPath(uint32_t slot, char* path, size_t size) const;

    char installPath[256];
    char dataPath[256];
    char propertiesPath[512];
    HWND ownerWindow;
    int32_t newMode;
    int32_t editSlot;
    char progressTitle[kProgressTitleSize];
    int32_t progressHoldMs;
    int32_t logSlot;

    // The table the slot queries read; set by its owner, the service list view.
    ServiceTable* serviceTable;
    // Receives messages and progress instead of windows when set; the manager has none.
    IUtilFeedback* feedback;

private:
    // A message box, or the feedback sink's message when there is one.
    int ShowMessage(const char* text, UINT icon) const;
    // The first record that matches, passing over the edited record while editing.
    int FindService(const char* text, int editSlot,
                    bool (*matches)(const ServiceRecord&, const char*)) const;
};

// The manager's one utility object, created before everything else of the manager.
extern CUtil util;
