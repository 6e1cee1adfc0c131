; The Tamsel installer: one file for both kinds of Windows. On 64-bit
; Windows it installs the 64-bit build into "Program Files", on 32-bit
; Windows the 32-bit build. Made by tools/package.sh, which passes
;   /DVERSION= /DWIN32DIR= /DWIN64DIR= /DOUTFILE= /DICON= /DSIZE32= /DSIZE64=
; Silent: setup.exe /S [/D=C:\Folder] and "Uninstall.exe" /S.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include MUI2.nsh

!define PRODUCT "Tamsel"
!define PUBLISHER "Quorv Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tamsel"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir ""
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) Quorv Software. All rights reserved."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var SettingsKept

Function .onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
    ; An earlier install's folder wins over the default (also with /D=, which
    ; sets the folder before this runs, only when none was given).
    ${If} $INSTDIR == ""
        ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $INSTDIR == ""
        ${If} ${RunningX64}
            StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
        ${Else}
            StrCpy $INSTDIR "$PROGRAMFILES32\${PRODUCT}"
        ${EndIf}
    ${EndIf}
FunctionEnd

; $0 = 1 when the files $R0 and $R1 have the same bytes, else 0.
Function SameFile
    StrCpy $0 0
    ClearErrors
    FileOpen $2 $R0 r
    IfErrors done
    FileOpen $3 $R1 r
    IfErrors close2
    loop:
        ClearErrors
        FileReadByte $2 $4
        ${If} ${Errors}
            ClearErrors
            FileReadByte $3 $5
            ${If} ${Errors}
                StrCpy $0 1
            ${EndIf}
            Goto close3
        ${EndIf}
        FileReadByte $3 $5
        IfErrors close3
        StrCmp $4 $5 loop close3
    close3:
        FileClose $3
    close2:
        FileClose $2
    done:
FunctionEnd

Section "Tamsel"
    SetOutPath "$INSTDIR"
    SetOverwrite on
    ${If} ${RunningX64}
        File /r /x scanSetting.xml "${WIN64DIR}\*.*"
    ${Else}
        File /r /x scanSetting.xml "${WIN32DIR}\*.*"
    ${EndIf}

    ; The scan settings hold the user's category choices: a file the user
    ; changed stays; one that is still as an earlier version shipped it (the
    ; copy in Setup\) is replaced by the new one.
    StrCpy $SettingsKept 0
    ${If} ${FileExists} "$INSTDIR\scanSetting.xml"
        StrCpy $SettingsKept 1
        ${If} ${FileExists} "$INSTDIR\Setup\scanSetting.xml"
            StrCpy $R0 "$INSTDIR\scanSetting.xml"
            StrCpy $R1 "$INSTDIR\Setup\scanSetting.xml"
            Call SameFile
            ${If} $0 == 1
                StrCpy $SettingsKept 0
            ${EndIf}
        ${EndIf}
    ${EndIf}
    SetOutPath "$INSTDIR\Setup"
    File "${WIN64DIR}\scanSetting.xml"
    ${If} $SettingsKept == 0
        CopyFiles /SILENT "$INSTDIR\Setup\scanSetting.xml" "$INSTDIR\scanSetting.xml"
    ${EndIf}
    SetOutPath "$INSTDIR"

    WriteUninstaller "$INSTDIR\Uninstall.exe"

    SetShellVarContext all
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Tamsel.exe" "" "$INSTDIR\Tamsel.exe" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tamsel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ; EstimatedSize is in KiB.
    ${If} ${RunningX64}
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE64}
    ${Else}
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE32}
    ${EndIf}
SectionEnd

Function un.onInit
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; The weekly scan task and the program's own start-up entry go with it.
    ${If} ${FileExists} "$INSTDIR\TamselCli.exe"
        nsExec::Exec '"$INSTDIR\TamselCli.exe" schedule delete-task'
        Pop $0
    ${EndIf}
    DeleteRegValue HKCU "${RUN_KEY}" "Registry_quorv"

    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    ; The backups may be the only way back from an earlier fix: they stay
    ; unless the user says otherwise (and always in a silent uninstall).
    StrCpy $1 0
    ${If} ${FileExists} "$INSTDIR\regback\*.*"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "Also delete your registry backups in $INSTDIR\regback?$\r$\nThey are the only way to undo an earlier fix." \
            /SD IDNO IDNO keep
        StrCpy $1 1
        keep:
    ${EndIf}

    ; Everything else in the folder: what the installer put there and what
    ; the program wrote beside itself (settings, ignore list, last scan).
    FindFirst $2 $3 "$INSTDIR\*.*"
    next:
        StrCmp $3 "" done
        StrCmp $3 "." skip
        StrCmp $3 ".." skip
        StrCmp $3 "regback" 0 remove
        StrCmp $1 1 remove skip
    remove:
        ${If} ${FileExists} "$INSTDIR\$3\*.*"
            RMDir /r "$INSTDIR\$3"
        ${Else}
            Delete "$INSTDIR\$3"
        ${EndIf}
    skip:
        FindNext $2 $3
        Goto next
    done:
    FindClose $2
    RMDir "$INSTDIR"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
