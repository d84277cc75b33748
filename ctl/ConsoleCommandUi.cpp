#include "ConsoleCommandUi.h"

#include "BoundedText.h"
#include "RecordText.h"
#include "ConsoleFeedback.h"
#include "ManagerUtil.h"
#include "ServiceActions.h"
#include "ServiceEntryCheck.h"

#include <windows.h>
#include <cstdio>

bool InputIsTerminal()
{
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return input != NULL && input != INVALID_HANDLE_VALUE &&
           ::GetFileType(input) == FILE_TYPE_CHAR && ::GetConsoleMode(input, &mode);
}

bool CheckEntryLengths(const ServiceEntry& entry, std::string& message)
{
    if (entry.displayName.size() > kDisplayNameSize - 1)
        message = "The service name is longer than 80 characters.";
    else if (entry.appPath.size() > kPathFieldSize - 1)
        message = "The application path is longer than 255 characters.";
    else if (entry.workDir.size() > kPathFieldSize - 1)
        message = "The working directory is longer than 255 characters.";
    else if (entry.appParams.size() > kPathFieldSize - 1)
        message = "The command line parameters are longer than 255 characters.";
    else
        return true;
    return false;
}

bool CheckEntry(const CUtil& util, int editSlot, const ServiceEntry& entry, std::string& message)
{
    if (!CheckEntryLengths(entry, message))
        return false;
    char checkMessage[256];
    if (CheckServiceEntries(util, editSlot, entry.displayName.c_str(), entry.appPath.c_str(),
                            checkMessage, sizeof(checkMessage)))
        return true;
    message = checkMessage;
    return false;
}

ServiceEntry ApplyChanges(const CUtil& util, int editSlot, const EntryChanges& changes)
{
    ServiceEntry entry;
    if (editSlot >= 0 && editSlot < kSlotCount && util.serviceTable) {
        const ServiceRecord& record = util.serviceTable->records[editSlot];
        entry.displayName = FieldText(record.displayName);
        entry.appPath = FieldText(record.appPath);
        entry.workDir = FieldText(record.workDir);
        entry.appParams = FieldText(record.appParams);
        entry.reviveOnSessionEnd = record.reviveOnSessionEnd;
    }
    if (changes.displayName)
        entry.displayName = *changes.displayName;
    if (changes.appPath) {
        entry.appPath = *changes.appPath;
        char folder[kPathFieldSize];
        CUtil::GetFolderOfPath(entry.appPath.c_str(), folder, sizeof(folder));
        entry.workDir = folder;
    }
    if (changes.workDir)
        entry.workDir = *changes.workDir;
    if (changes.appParams)
        entry.appParams = *changes.appParams;
    if (changes.reviveOnSessionEnd)
        entry.reviveOnSessionEnd = *changes.reviveOnSessionEnd;
    return entry;
}

bool CConsoleCommandUi::EnterServiceValues(int editSlot, ServiceEntry& entry)
{
    // The checks pass over the edited record itself (editSlot -1: a new service).
    entry = ApplyChanges(util_, editSlot, changes);
    std::string message;
    if (CheckEntry(util_, editSlot, entry, message))
        return true;
    PrintError(message.c_str());
    valuesRefused_ = true;
    return false;
}

bool CConsoleCommandUi::ChooseNextActions(bool& installChosen, bool& startChosen)
{
    installChosen = install;
    startChosen = start;
    return install;
}

bool CConsoleCommandUi::AskYesNo(const char* question)
{
    if (assumeYes)
        return true;
    if (!InputIsTerminal()) {
        questionNotAsked_ = true;
        PrintError("Input is not a terminal, so the question cannot be asked; add --yes to "
                   "confirm on the command line.");
        return false;
    }
    std::printf("%s [y/N] ", question);
    std::fflush(stdout);
    char answer[16] = "";
    if (!std::fgets(answer, sizeof(answer), stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

void CConsoleCommandUi::ShowLog(int slot)
{
    if (showLog)
        showLog(slot);
}

void CConsoleCommandUi::Inform(const char* text)
{
    PrintError(text);
}

void CConsoleCommandUi::ReportError(const char* text)
{
    PrintError(text);
}

void CConsoleCommandUi::ShowServiceRow(int slot, bool)
{
    if (holdRows)
        return;
    char name[kDisplayNameSize];
    CopyField(name, util_.serviceTable->records[slot].displayName);
    std::printf("%02d  %s  %s\n", slot, StatusText(actions_.QueryStatus(slot)), name);
    std::fflush(stdout);
}

void CConsoleCommandUi::RemoveServiceRow(int slot)
{
    char name[kDisplayNameSize];
    CopyField(name, util_.serviceTable->records[slot].displayName);
    std::printf("%02d  deleted  %s\n", slot, name);
    std::fflush(stdout);
}
