; The Ravelin installer, RavelinSetup.exe. Built by the normal build with makensis, which passes:
;   BIN_DIR     the folder of the built programs and of the manual (the build copies it there)
;   OUT_FILE    the installer to write
;   TARGET_CPU  x86 for the 32-bit product; amd64 for the 64-bit test build, which installs the
;               64-bit programs into the 64-bit Program Files and the 64-bit registry
; Silent mode: RavelinSetup.exe /S [/D=folder]; the uninstaller: Uninstall.exe /S.

!ifndef BIN_DIR | OUT_FILE | TARGET_CPU
    !error "makensis needs -DBIN_DIR=... -DOUT_FILE=... -DTARGET_CPU=x86|amd64"
!endif

Target ${TARGET_CPU}-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

; The version of the programs' own version block.
!getdllversion "${BIN_DIR}/RavelinManager.exe" RAVELIN_V
!define VERSION "${RAVELIN_V1}.${RAVELIN_V2}.${RAVELIN_V3}"

!define SETTINGS_KEY "SOFTWARE\Morvane\Ravelin"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Ravelin"
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\Ravelin"
!define HELPER "RavelinSetupHelper.exe"
; Well-known SIDs, the same in every language of Windows.
!define SID_ADMINISTRATORS "*S-1-5-32-544"
!define SID_SYSTEM "*S-1-5-18"
!define SID_USERS "*S-1-5-32-545"

Name "Ravelin"
OutFile "${OUT_FILE}"
RequestExecutionLevel admin
!if ${TARGET_CPU} == amd64
    InstallDir "$PROGRAMFILES64\Morvane\Ravelin"
!else
    InstallDir "$PROGRAMFILES\Morvane\Ravelin"
!endif
; Over an earlier installation: its folder.
InstallDirRegKey HKLM "${SETTINGS_KEY}" "path"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${RAVELIN_V1}.${RAVELIN_V2}.${RAVELIN_V3}.${RAVELIN_V4}"
VIAddVersionKey "ProductName" "Ravelin"
VIAddVersionKey "CompanyName" "Morvane"
VIAddVersionKey "FileDescription" "Ravelin Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Morvane"

!define MUI_ICON "../resources/manager/images/RavelinManager.ico"
!define MUI_UNICON "../resources/manager/images/RavelinManager.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\RavelinManager.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start the Ravelin manager"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\RavelinManual.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the manual"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var DataDir

Function .onInit
    SetShellVarContext all
!if ${TARGET_CPU} == amd64
    SetRegView 64
!endif
FunctionEnd

Function un.onInit
    SetShellVarContext all
!if ${TARGET_CPU} == amd64
    SetRegView 64
!endif
FunctionEnd

; Only Administrators and SYSTEM may change the data folder: its service table decides what runs
; as LocalSystem. Inherited permissions are removed; users may read.
Function ProtectDataFolder
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$DataDir" /inheritance:r /grant:r ${SID_ADMINISTRATORS}:(OI)(CI)F ${SID_SYSTEM}:(OI)(CI)F ${SID_USERS}:(OI)(CI)RX'
    Pop $0
    ${If} $0 != 0
        MessageBox MB_ICONSTOP "Cannot protect the data folder $DataDir (icacls: $0). Nothing was installed." /SD IDOK
        SetErrorLevel 3
        Abort
    ${EndIf}
FunctionEnd

Section "Ravelin"
    ; The data folder: an earlier installation's, else Morvane\Ravelin in the common
    ; application data folder. It is never replaced: the table and the logs stay.
    ReadRegStr $DataDir HKLM "${SETTINGS_KEY}" "dataPath"
    ${If} $DataDir == ""
        StrCpy $DataDir "$APPDATA\Morvane\Ravelin"
    ${EndIf}
    CreateDirectory "$DataDir"
    ${IfNot} ${FileExists} "$DataDir\*.*"
        MessageBox MB_ICONSTOP "Cannot create the data folder $DataDir. Nothing was installed." /SD IDOK
        SetErrorLevel 3
        Abort
    ${EndIf}
    Call ProtectDataFolder

    ; Programs in use: the installation's manager is closed and its running services are stopped
    ; (each application first, through the run request), to be started again at the end.
    InitPluginsDir
    File "/oname=$PLUGINSDIR\${HELPER}" "${BIN_DIR}/${HELPER}"
    nsExec::ExecToLog '"$PLUGINSDIR\${HELPER}" stop "$INSTDIR" "$PLUGINSDIR\running.txt"'
    Pop $0
    ${If} $0 != 0
        nsExec::ExecToLog '"$PLUGINSDIR\${HELPER}" start "$INSTDIR" "$PLUGINSDIR\running.txt"'
        Pop $1
        MessageBox MB_ICONSTOP "The running Ravelin services or the manager could not be stopped. Nothing was installed." /SD IDOK
        SetErrorLevel 4
        Abort
    ${EndIf}

    SetOutPath "$INSTDIR"
    File "${BIN_DIR}/RavelinManager.exe"
    File "${BIN_DIR}/Halyard.exe"
    File "${BIN_DIR}/Ravelin.exe"
    File "${BIN_DIR}/RavelinCtl.exe"
    File "${BIN_DIR}/${HELPER}"
    File "${BIN_DIR}/RavelinManual.html"
    SetOutPath "$INSTDIR\manual"
    File "${BIN_DIR}/manual/*.png"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${SETTINGS_KEY}" "path" "$INSTDIR"
    WriteRegStr HKLM "${SETTINGS_KEY}" "dataPath" "$DataDir"

    CreateDirectory "$SMPROGRAMS\Ravelin"
    CreateShortcut "$SMPROGRAMS\Ravelin\Ravelin Manager.lnk" "$INSTDIR\RavelinManager.exe" "" \
        "$INSTDIR\RavelinManager.exe" 0 SW_SHOWNORMAL "" "Run programs as Windows services"
    CreateShortcut "$SMPROGRAMS\Ravelin\Ravelin Manual.lnk" "$INSTDIR\RavelinManual.html"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ravelin"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Morvane"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\RavelinManager.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; The services that ran before, running again with the new programs.
    nsExec::ExecToLog '"$INSTDIR\${HELPER}" start "$INSTDIR" "$PLUGINSDIR\running.txt"'
    Pop $0
    ${If} $0 != 0
        MessageBox MB_ICONEXCLAMATION "Some Ravelin services that ran before could not be started again; start them from the manager." /SD IDOK
        SetErrorLevel 5
    ${EndIf}
SectionEnd

Section "Uninstall"
    ReadRegStr $DataDir HKLM "${SETTINGS_KEY}" "dataPath"

    ; Every service whose image is this installation's Ravelin.exe: its application ended through
    ; the run request, the service stopped and deleted.
    nsExec::ExecToLog '"$INSTDIR\${HELPER}" remove "$INSTDIR"'
    Pop $0
    ${If} $0 != 0
        MessageBox MB_ICONEXCLAMATION "Some Ravelin services could not be stopped or removed; see the details." /SD IDOK
        SetErrorLevel 5
    ${EndIf}

    Delete "$INSTDIR\RavelinManager.exe"
    Delete "$INSTDIR\Halyard.exe"
    Delete "$INSTDIR\Ravelin.exe"
    Delete "$INSTDIR\RavelinCtl.exe"
    Delete "$INSTDIR\${HELPER}"
    Delete "$INSTDIR\RavelinManual.html"
    Delete "$INSTDIR\manual\*.png"
    RMDir "$INSTDIR\manual"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ${GetParent} "$INSTDIR" $1
    ${GetFileName} "$1" $2
    ${If} $2 == "Morvane"
        RMDir "$1"
    ${EndIf}

    Delete "$SMPROGRAMS\Ravelin\Ravelin Manager.lnk"
    Delete "$SMPROGRAMS\Ravelin\Ravelin Manual.lnk"
    RMDir "$SMPROGRAMS\Ravelin"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Morvane"
    DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"

    ; The data folder stays unless the user asks to remove it (never in silent mode).
    ${If} $DataDir != ""
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Also remove the data folder $DataDir with the service table and the service logs?" /SD IDNO IDNO keep_data
        Delete "$DataDir\Properties.dat"
        Delete "$DataDir\??.log"
        RMDir "$DataDir"
        ${GetParent} "$DataDir" $1
        ${GetFileName} "$1" $2
        ${If} $2 == "Morvane"
            RMDir "$1"
        ${EndIf}
        keep_data:
    ${EndIf}
SectionEnd
