; The Tamsel installer: one file for both kinds of Windows. On 64-bit
; Windows it installs the 64-bit build into "Program Files", on 32-bit
; Windows the 32-bit build. Made by tools/package.sh, which passes
;   /DVERSION= /DSHIPPED= /DDATADIR= /DOUTFILE= /DICON= /DSIZE32= /DSIZE64=
;   and /DSIGN_COMMAND= when it signs
; SHIPPED is its list of the files each build installs (InstallShippedWin32,
; InstallShippedWin64) and of what the uninstaller may remove by name
; (RemoveShippedFiles, RemoveShippedFolders); DATADIR holds the data files.
; Silent: setup.exe /S [/D=C:\Folder] and "Uninstall.exe" /S.
;
; The folder may hold files that are not Tamsel's: a folder that already
; holds other files gets "\Tamsel" appended, and the uninstaller removes only
; what Tamsel put there, by name, and a folder only when it is empty.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include MUI2.nsh
!include "${SHIPPED}"

!ifdef SIGN_COMMAND
    ; The uninstaller is signed before it is embedded, the installer last.
    !uninstfinalize '"${SIGN_COMMAND}" "%1"' = 0
    !finalize '"${SIGN_COMMAND}" "%1"' = 0
!endif

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
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
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
    ; A silent install has no page to ask on: a folder of other files gets
    ; "\Tamsel" appended, and when that too holds other files it installs
    ; nothing (exit code 2).
    ${If} ${Silent}
        Call PickFolder
        ${If} $0 == refused
            SetErrorLevel 2
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

; $0 = what the folder $R0 is to the installer: "empty" (missing or empty),
; "tamsel" (an earlier Tamsel's, also what its uninstaller left: backups or
; disabled start-up records) or "other".
Function FolderState
    ${IfNot} ${FileExists} "$R0\*.*"
        StrCpy $0 empty
        ${If} ${FileExists} "$R0"
            StrCpy $0 other  ; a file of that name
        ${EndIf}
        Return
    ${EndIf}
    ${If} ${FileExists} "$R0\Tamsel.exe"
    ${OrIf} ${FileExists} "$R0\regback\*.*"
    ${OrIf} ${FileExists} "$R0\startupManage.xml"
        StrCpy $0 tamsel
        Return
    ${EndIf}
    StrCpy $0 empty
    FindFirst $1 $2 "$R0\*.*"
    ${DoWhile} $2 != ""
        ${If} $2 != "."
        ${AndIf} $2 != ".."
            StrCpy $0 other
            ${Break}
        ${EndIf}
        FindNext $1 $2
    ${Loop}
    FindClose $1
FunctionEnd

; Makes $INSTDIR a folder Tamsel may own: one of other files gets "\Tamsel"
; appended. $0 = "kept", "appended" (the chosen folder is in $R9) or
; "refused" (the appended folder holds other files too; $INSTDIR unchanged).
Function PickFolder
    StrCpy $R0 $INSTDIR
    Call FolderState
    ${If} $0 != other
        StrCpy $0 kept
        Return
    ${EndIf}
    StrCpy $R9 $INSTDIR
    StrCpy $R0 "$INSTDIR\${PRODUCT}"
    Call FolderState
    ${If} $0 == other
        StrCpy $0 refused
        Return
    ${EndIf}
    StrCpy $INSTDIR $R0
    StrCpy $0 appended
FunctionEnd

Function DirectoryLeave
    Call PickFolder
    ${If} $0 == refused
        MessageBox MB_OK|MB_ICONEXCLAMATION \
            "$INSTDIR already holds other files, and so does $INSTDIR\${PRODUCT}.$\r$\nChoose an empty folder or the folder of an earlier Tamsel." \
            /SD IDOK
        Abort
    ${EndIf}
    ${If} $0 == appended
        MessageBox MB_OKCANCEL|MB_ICONINFORMATION \
            "$R9 already holds other files, so Tamsel will be installed in its own folder:$\r$\n$INSTDIR" \
            /SD IDOK IDOK moved
        StrCpy $INSTDIR $R9
        Abort
        moved:
        ; The page takes the folder from its text box once more as it goes.
        FindWindow $1 "#32770" "" $HWNDPARENT
        GetDlgItem $1 $1 1019
        SendMessage $1 ${WM_SETTEXT} 0 "STR:$INSTDIR"
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
        !insertmacro InstallShippedWin64
    ${Else}
        !insertmacro InstallShippedWin32
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
    File "${DATADIR}\scanSetting.xml"
    ${If} $SettingsKept == 0
        CopyFiles /SILENT "$INSTDIR\Setup\scanSetting.xml" "$INSTDIR\scanSetting.xml"
    ${EndIf}
    SetOutPath "$INSTDIR"

    ; The disabled start-up programs: their commands are nowhere else, so a
    ; record file that is there stays as it is.
    SetOverwrite off
    File "${DATADIR}\startupManage.xml"
    SetOverwrite on

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

; $0 = 1 when startupManage.xml may hold a disabled start-up program: its
; bytes show one, or the console tool finds one or cannot read the file.
Function un.HoldsStartupRecords
    Call un.RecordInBytes
    ${If} $0 == 0
    ${AndIf} ${FileExists} "$INSTDIR\startupManage.xml"
    ${AndIf} ${FileExists} "$INSTDIR\TamselCli.exe"
        nsExec::Exec '"$INSTDIR\TamselCli.exe" startup disabled'
        Pop $1
        ${If} $1 != 0
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
FunctionEnd

; $0 = 1 when startupManage.xml holds a record ("<node") or cannot be told
; apart from one: unreadable, or not UTF-8 (a NUL byte).
Function un.RecordInBytes
    StrCpy $0 0
    IfFileExists "$INSTDIR\startupManage.xml" 0 done
    StrCpy $0 1
    ClearErrors
    FileOpen $2 "$INSTDIR\startupManage.xml" r
    IfErrors done
    StrCpy $3 0  ; how much of "<node" was just read
    loop:
        ClearErrors
        FileReadByte $2 $4
        IfErrors none
        StrCmp $4 0 close
        ${If} $4 == 60
            StrCpy $3 1
        ${ElseIf} $3 == 1
        ${AndIf} $4 == 110
            StrCpy $3 2
        ${ElseIf} $3 == 2
        ${AndIf} $4 == 111
            StrCpy $3 3
        ${ElseIf} $3 == 3
        ${AndIf} $4 == 100
            StrCpy $3 4
        ${ElseIf} $3 == 4
        ${AndIf} $4 == 101
            Goto close
        ${Else}
            StrCpy $3 0
        ${EndIf}
        Goto loop
    none:
        StrCpy $0 0
    close:
        FileClose $2
    done:
FunctionEnd

; Only what the backup store writes: the index files (also one not yet
; renamed) and their data folders "<time stamp>-f-d" and "-p-d".
Function un.RemoveBackups
    Delete "$INSTDIR\regback\*.regbak"
    Delete "$INSTDIR\regback\*.regbak.tmp"
    FindFirst $2 $3 "$INSTDIR\regback\*-?-d"
    ${DoWhile} $3 != ""
        ${If} ${FileExists} "$INSTDIR\regback\$3\*.*"
            RMDir /r "$INSTDIR\regback\$3"
        ${EndIf}
        FindNext $2 $3
    ${Loop}
    FindClose $2
    RMDir "$INSTDIR\regback"
FunctionEnd

Section "Uninstall"
    ; The weekly scan task and the program's own start-up entry go with it
    ; (the console tool leaves a "Registry Task" of another program alone).
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
    ${If} ${FileExists} "$INSTDIR\regback\*.*"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "Also delete your registry backups in $INSTDIR\regback?$\r$\nThey are the only way to undo an earlier fix." \
            /SD IDNO IDNO keepBackups
        Call un.RemoveBackups
        keepBackups:
    ${EndIf}

    ; A disabled start-up program's command is kept only in the record file:
    ; the file stays while it holds one. The user may enable them first.
    Call un.HoldsStartupRecords
    ${If} $0 == 1
    ${AndIfNot} ${Silent}
    ${AndIf} ${FileExists} "$INSTDIR\TamselCli.exe"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "Tamsel has disabled start-up programs; their commands are kept in $INSTDIR\startupManage.xml.$\r$\nStart them with Windows again before uninstalling?$\r$\n(No keeps the file, so that an installed Tamsel can enable them later.)" \
            /SD IDNO IDNO keepRecords
        nsExec::Exec '"$INSTDIR\TamselCli.exe" startup enable --all'
        Pop $5
        Call un.HoldsStartupRecords
        ${If} $0 == 1
            MessageBox MB_OK|MB_ICONEXCLAMATION \
                "Some start-up programs could not be enabled again. Their commands stay in $INSTDIR\startupManage.xml." \
                /SD IDOK
        ${EndIf}
        keepRecords:
    ${EndIf}
    ${If} $0 == 0
        Delete "$INSTDIR\startupManage.xml"
    ${EndIf}

    ; What the installer put there and what the program writes beside
    ; itself, by name; anything else in the folder stays, and so does the
    ; folder then.
    !insertmacro RemoveShippedFiles
    ; (A startupManage.xml.new or .bad may hold records: they stay.)
    Delete "$INSTDIR\scanSetting.xml"
    Delete "$INSTDIR\scanSetting.xml.new"
    Delete "$INSTDIR\Setup\scanSetting.xml"
    Delete "$INSTDIR\Registry.ini"
    Delete "$INSTDIR\Registry.ini.new"
    Delete "$INSTDIR\LastScan.ini"
    Delete "$INSTDIR\LastScan.json"
    Delete "$INSTDIR\LastScan.json.tmp"
    Delete "$INSTDIR\IgnoreList.dat"
    Delete "$INSTDIR\IgnoreList.dat.new"
    Delete "$INSTDIR\IgnoreList.dat.bad"
    Delete "$INSTDIR\Uninstall.exe"
    !insertmacro RemoveShippedFolders
    RMDir "$INSTDIR\Setup"
    RMDir "$INSTDIR"

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
