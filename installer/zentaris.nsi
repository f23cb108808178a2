; Zentaris installer, silent with /S.
;   makensis -DARCH=x86|x86_64 -DBIN=<folder with the deliverables> [-DBIN64=<64-bit build's folder>]
;            -DVERSION=1.2.3.0 -DOUTFILE=<setup.exe> -DNAMES=<shared_names.nsh>
;            [-DSIGN=<command that signs the file it is given>]
;            [-DVERSION_LABEL="1.2.3.0 demo key"] [-DDISPLAY_NAME="Zentaris (demo key)"]
;            zentaris.nsi
; VERSION_LABEL is the version as users read it (default VERSION) and
; DISPLAY_NAME the installer's and the uninstall entry's name (default
; Zentaris): a build that trusts a demo key marks both.
; The 32-bit installer given BIN64 also carries the 64-bit zenproto.dll and,
; on 64-bit Windows, installs it into x64\ and registers it in the 64-bit
; registry view, so that 64-bit browsers (and programs that embed one) find
; the handler as 32-bit ones do.
; Installs ZentarisLauncher.exe and zenproto.dll, writes LauncherPath,
; registers the protocol handler, registers the zentaris: scheme for the
; shell (browsers that start programs), starts the tray at login and once now
; (not when it runs with administrator rights in force: the tray would have
; them too).
; With administrator rights it installs into the machine's program folder for
; every user: classes, LauncherPath, the Run value and the uninstall entry go
; to the machine's registry, and each user's game list branch is made at that
; user's logon. Without, or with /CurrentUser, it installs into the user's own
; programs folder and registry. A service account (a deployment tool running
; as SYSTEM) installs for every user or not at all. What it did and decided
; is written to install.log beside the files. Uninstall with /S; /REMOVEDATA
; also removes the game list of the user who runs it.

Unicode true
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

; PRODUCT, PUBLISHER, BRANCH, LAUNCHERPATH_VALUE, SCHEME, LAUNCHER, HANDLER,
; TRAYCLASS: the names the programs use, from one source.
!include "${NAMES}"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentaris"
!define SCHEMEKEY "Software\Classes\${SCHEME}"
; Windows runs this component's StubPath once for each user at logon.
!define ACTIVESETUPKEY "SOFTWARE\Microsoft\Active Setup\Installed Components\{F125FB44-A081-4AB0-9EA6-FC03AEDBDF52}"
!searchreplace ACTIVESETUPVERSION "${VERSION}" "." ","
!define HANDLER64 "x64\${HANDLER}"
!define IDM_EXIT 1000
!ifndef VERSION_LABEL
  !define VERSION_LABEL "${VERSION}"
!endif
!ifndef DISPLAY_NAME
  !define DISPLAY_NAME "${PRODUCT}"
!endif
!if "${ARCH}" == "x86_64"
  !define MACHINEPROGRAMS "$PROGRAMFILES64"
  !define OWNVIEW 64
  !define OTHERVIEW 32
!else
  !define MACHINEPROGRAMS "$PROGRAMFILES"
  !define OWNVIEW 32
  !define OTHERVIEW 64
!endif

Name "${DISPLAY_NAME}"
OutFile "${OUTFILE}"
; asInvoker: the rights decide where it installs (.onInit).
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true
ManifestDPIAwareness "PerMonitorV2,System"
VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION_LABEL}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION_LABEL}"
; With a signing command (the build's signing step), the uninstaller inside
; and the installer itself are signed as they are written.
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"'
  !finalize '${SIGN} "%1"'
!endif
; Chosen in .onInit unless /D= gave one: it depends on the rights.
InstallDir ""
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var ForMachine       ; 1: installing for every user (rights, and no /CurrentUser)
Var ClassesContext   ; "all" (for every user: the machine's classes and settings)
                     ; or "current" (the user's own)
Var ServiceAccount   ; 1: run by a service account, which is no user
Var LogFile          ; install.log while the installation runs
Var Updating         ; 1: the folder holds an installation already, which a failure leaves as it is

; Shown in the details and written to install.log, which a deployment tool
; (or an administrator after a silent installation) reads.
!macro Say text
  DetailPrint "${text}"
  ${If} $LogFile != ""
    FileWriteUTF16LE $LogFile "${text}$\r$\n"
  ${EndIf}
!macroend

; Deletes a value only while it still holds ${value} (a variable): another
; installation may have written its own since.
!macro DeleteValueIfOurs root key name value
  ReadRegStr $0 ${root} "${key}" "${name}"
  ${If} $0 == ${value}
    DeleteRegValue ${root} "${key}" "${name}"
  ${EndIf}
!macroend

; Sets $0 to 1 when the full path $1 is the folder ${root} or lies below it
; (compared without regard to case, as the file system does).
!macro IfBelow root
  StrLen $2 "${root}"
  StrCpy $3 $1 $2
  ${If} $3 == "${root}"
    StrCpy $3 $1 1 $2
    ${If} $3 == "\"
    ${OrIf} $3 == ""
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
!macroend

; Leaves 1 on the stack when the folder can only be written with administrator
; rights: it lies in a program folder of the machine once "..", "." and "/"
; are resolved. A short (8.3) name or a \\?\ path counts as outside.
!macro InMachineProgramsFolder un
Function ${un}InMachineProgramsFolder
  Exch $0
  Push $1
  Push $2
  Push $3
  System::Call 'kernel32::GetFullPathNameW(w r0, i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r2'
  StrCpy $0 0
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    !insertmacro IfBelow "$PROGRAMFILES32"
    !insertmacro IfBelow "$PROGRAMFILES64"
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro InMachineProgramsFolder ""
!insertmacro InMachineProgramsFolder "un."

; Where class registrations go. For every user, the machine's classes: every
; program sees them, also platforms that do not merge the user's classes into
; HKEY_CLASSES_ROOT. But every user's browser would then load the DLL from
; the install folder, so that only holds where no user can replace it: a
; folder chosen outside the machine's program folders is registered for the
; installing user only.
!macro ChooseClassesContext un
  StrCpy $ClassesContext "current"
  ${If} $ForMachine == 1
    Push $INSTDIR
    Call ${un}InMachineProgramsFolder
    Pop $0
    ${If} $0 == 1
      StrCpy $ClassesContext "all"
    ${EndIf}
  ${EndIf}
!macroend

!macro ChooseForMachine
  StrCpy $ForMachine 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
  ${OrIf} $ServiceAccount == 1
    StrCpy $ForMachine 1
  ${EndIf}
!macroend

!macro UseClassesContext
  ${If} $ClassesContext == "all"
    SetShellVarContext all
  ${EndIf}
!macroend

!macro UseUserContext
  SetShellVarContext current
!macroend

; HKEY_CLASSES_ROOT seen by this process while the handler's own
; registration runs: the classes of this installation's kind alone. The
; merged view would write into the user's classes wherever a key is already
; there (an installation for this user beside one for every user), and
; otherwise into the machine's. $0 is not 0 when that failed: the
; registration would then reach the wrong classes. The user's classes key
; need not exist yet (a fresh profile under Wine).
!define HKCR_VALUE -2147483648
!define HKCU_VALUE -2147483647
!define HKLM_VALUE -2147483646
!macro RedirectClasses
  ${If} $ClassesContext == "current"
    System::Call 'advapi32::RegCreateKeyExW(p ${HKCU_VALUE}, w "Software\Classes", i 0, p 0, i 0, i 0xF003F, p 0, *p .r8, p 0) i .r0'
  ${Else}
    System::Call 'advapi32::RegCreateKeyExW(p ${HKLM_VALUE}, w "Software\Classes", i 0, p 0, i 0, i 0xF003F, p 0, *p .r8, p 0) i .r0'
  ${EndIf}
  ${If} $0 == 0
    System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p r8) i .r0'
    ${If} $0 != 0
      System::Call 'advapi32::RegCloseKey(p r8)'
    ${EndIf}
  ${EndIf}
!macroend
!macro RestoreClasses
  System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p 0)'
  System::Call 'advapi32::RegCloseKey(p r8)'
!macroend

; $4: the process of the tray window $0, opened to wait for, when it runs
; this installation's launcher ($8, long form); 0 for the window of another
; folder's launcher, or of any program that took the class name. Paths are
; compared in their long form and without regard to case, as the file
; system compares them.
!macro OpenOwnTray un
Function ${un}OpenOwnTray
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r3) i'
  ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
  System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r3) p .r4'
  ${If} $4 == 0
    Return
  ${EndIf}
  System::Call 'kernel32::QueryFullProcessImageNameW(p r4, i 0, w .r5, *i ${NSIS_MAX_STRLEN}) i .r6'
  ${If} $6 != 0
    System::Call 'kernel32::GetLongPathNameW(w r5, w .r6, i ${NSIS_MAX_STRLEN}) i .r7'
    ${If} $7 > 0
    ${AndIf} $7 < ${NSIS_MAX_STRLEN}
      StrCpy $5 $6
    ${EndIf}
    ${If} $5 == $8
      Return
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r4)'
  StrCpy $4 0
FunctionEnd
!macroend
!insertmacro OpenOwnTray ""
!insertmacro OpenOwnTray "un."

; Ends the trays that run this installation's launcher, through their own
; "Salir" command, and waits (bounded) for their processes to end, so that
; its files can be replaced or removed. A tray of another folder belongs to
; another installation and keeps running.
!macro EndTray un
Function ${un}EndTray
  StrCpy $8 "$INSTDIR\${LAUNCHER}"
  System::Call 'kernel32::GetLongPathNameW(w r8, w .r6, i ${NSIS_MAX_STRLEN}) i .r7'
  ${If} $7 > 0
  ${AndIf} $7 < ${NSIS_MAX_STRLEN}
    StrCpy $8 $6
  ${EndIf}
  StrCpy $1 0
  again:
    StrCpy $0 0
    next:
      FindWindow $0 "${TRAYCLASS}" "" 0 $0
      ${If} $0 == 0
        Return
      ${EndIf}
      Call ${un}OpenOwnTray
      ${If} $4 == 0
        Goto next
      ${EndIf}
    ${If} $1 == 0
      DetailPrint "Ending the running Zentaris tray"
    ${EndIf}
    IntOp $1 $1 + 1
    ; An open tray menu would hold the command back until it closes.
    System::Call 'user32::PostMessageW(p r0, i ${WM_CANCELMODE}, p 0, p 0) i .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${IDM_EXIT}, p 0) i .r2'
    System::Call 'kernel32::WaitForSingleObject(p r4, i 10000) i .r2'
    System::Call 'kernel32::CloseHandle(p r4)'
    ${If} $2 != 0
    ${OrIf} $1 > 10
      DetailPrint "The Zentaris tray did not end"
      Return
    ${EndIf}
    Goto again
FunctionEnd
!macroend
!insertmacro EndTray ""
!insertmacro EndTray "un."

; $ServiceAccount is 1 when this process runs as a service account
; (LocalSystem, as deployment tools run installers; LocalService;
; NetworkService): its registry hive is no user's, and it has no user's
; desktop.
!macro CheckServiceAccount un
Function ${un}CheckServiceAccount
  StrCpy $ServiceAccount 0
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'advapi32::OpenProcessToken(p r1, i 0x8, *p .r1) i .r2'
  ${If} $2 == 0
    Return
  ${EndIf}
  ; TokenUser: a SID_AND_ATTRIBUTES, the SID's address first.
  System::Alloc 256
  Pop $5
  System::Call 'advapi32::GetTokenInformation(p r1, i 1, p r5, i 256, *i .r4) i .r2'
  ${If} $2 != 0
    System::Call '*$5(p .r6)'
    ; WinLocalSystemSid, WinLocalServiceSid, WinNetworkServiceSid
    ${ForEach} $3 22 24 + 1
      System::Call 'advapi32::IsWellKnownSid(p r6, i r3) i .r2'
      ${If} $2 != 0
        StrCpy $ServiceAccount 1
      ${EndIf}
    ${Next}
  ${EndIf}
  System::Free $5
  System::Call 'kernel32::CloseHandle(p r1)'
FunctionEnd
!macroend
!insertmacro CheckServiceAccount ""
!insertmacro CheckServiceAccount "un."

; $0 is 1 when this process runs with administrator rights in force: an
; elevated token ("Run as administrator", a deployment tool, or an
; administrator without UAC) or a service account. Whatever it starts runs
; with the same rights. Where the token does not tell (no UAC), an
; administrator counts as elevated.
Function IsElevated
  StrCpy $0 0
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'advapi32::OpenProcessToken(p r1, i 0x8, *p .r1) i .r2'
  ${If} $2 == 0
    StrCpy $1 0
  ${Else}
    ; TokenElevation
    System::Call 'advapi32::GetTokenInformation(p r1, i 20, *i .r3, i 4, *i .r4) i .r2'
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  ${If} $2 != 0
    ${If} $3 != 0
      StrCpy $0 1
    ${EndIf}
  ${Else}
    UserInfo::GetAccountType
    Pop $3
    ${If} $3 == "Admin"
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
  ${If} $ServiceAccount == 1
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function .onInit
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
  Call CheckServiceAccount
  !insertmacro ChooseForMachine
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/CurrentUser" $2
  ${IfNot} ${Errors}
    StrCpy $ForMachine 0
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $ForMachine == 1
      StrCpy $INSTDIR "${MACHINEPROGRAMS}\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function un.onInit
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
  Call un.CheckServiceAccount
  !insertmacro ChooseForMachine
  ; Whose installation this is: the uninstall entry that names this folder
  ; tells, the machine's first.
  StrCpy $ClassesContext ""
  ReadRegStr $0 HKLM "${UNINSTKEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $ClassesContext "all"
  ${Else}
    ReadRegStr $0 HKCU "${UNINSTKEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
      ReadRegStr $ClassesContext HKCU "${UNINSTKEY}" "ClassesContext"
    ${EndIf}
  ${EndIf}
  ${If} $ClassesContext == ""
    !insertmacro ChooseClassesContext "un."
  ${EndIf}
  ; Registrations for every user and the machine's program folder can only
  ; be taken away with the rights that made them.
  ${If} $ClassesContext == "all"
  ${AndIf} $ForMachine != 1
    MessageBox MB_OK|MB_ICONSTOP "Zentaris is installed for every user of this computer: uninstall it with administrator rights." /SD IDOK
    SetErrorLevel 5
    Quit
  ${EndIf}
FunctionEnd

!ifdef BIN64
; The 64-bit regsvr32 registers the 64-bit handler: this 32-bit installer
; cannot load it. For the user alone it registers in the user's classes
; (the handler's DllInstall "user"), as the 32-bit one is.
!macro Regsvr32Native direction result
  ${If} $ClassesContext == "current"
    ExecWait '"$WINDIR\SysNative\regsvr32.exe" /s ${direction} /n /i:user "$INSTDIR\${HANDLER64}"' ${result}
  ${Else}
    ExecWait '"$WINDIR\SysNative\regsvr32.exe" /s ${direction} /n /i:machine "$INSTDIR\${HANDLER64}"' ${result}
  ${EndIf}
!macroend
!endif

; Undo a half-done installation, then stop with the reason. install.log
; stays, so that the reason can be read after a silent run. Over an
; installation (an update, run by its tray) nothing is removed: the files it
; could not replace are still the installed version's, and the tray it
; ended is started again, as the installation would have.
!macro FailInstall reason
  !insertmacro Say "${reason}"
  ${If} $Updating == 1
    !insertmacro Say "The installed version stays"
    Call IsElevated
    ${If} $0 != 1
    ${AndIf} $ServiceAccount != 1
      Exec '"$INSTDIR\${LAUNCHER}" --autostart'
    ${EndIf}
  ${EndIf}
  FileClose $LogFile
  StrCpy $LogFile ""
  ${If} $Updating != 1
    Call RemoveInstalledFiles
    Call RemoveLauncherPath
    DeleteRegKey /ifempty HKCU "${BRANCH}"
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "${reason}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

; A file that a process of another session holds (another user's tray, a
; browser that loaded the handler), which no installer can end, cannot be
; replaced but can be renamed: that process keeps the old file until it
; ends, everyone else gets the new one, and the old one is removed at the
; next restart, or by the next installation or removal that finds it free.
!macro MoveAsideIfInUse file
  ${If} ${FileExists} "${file}"
    ClearErrors
    FileOpen $0 "${file}" a
    ${If} ${Errors}
      System::Call 'kernel32::GetTickCount() i .r1'
      ClearErrors
      Rename "${file}" "${file}.$1.old"
      ${IfNot} ${Errors}
        Delete /REBOOTOK "${file}.$1.old"
        !insertmacro Say "${file} is in use: replaced; the old file is removed at the next restart"
      ${EndIf}
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

; Stop before anything is written.
!macro Refuse reason
  DetailPrint "${reason}"
  MessageBox MB_OK|MB_ICONSTOP "${reason}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

; LauncherPath where this installation's users look for it: the user's own
; branch, or for every user the machine's, in both registry views, as the
; 32-bit and the 64-bit handler each read their own.
Function WriteLauncherPath
  !insertmacro UseClassesContext
  WriteRegStr SHCTX "${BRANCH}" "${LAUNCHERPATH_VALUE}" "$INSTDIR\${LAUNCHER}"
  ${If} $ClassesContext == "all"
  ${AndIf} ${RunningX64}
    SetRegView ${OTHERVIEW}
    WriteRegStr SHCTX "${BRANCH}" "${LAUNCHERPATH_VALUE}" "$INSTDIR\${LAUNCHER}"
    SetRegView ${OWNVIEW}
  ${EndIf}
  !insertmacro UseUserContext
FunctionEnd

; Removes LauncherPath where WriteLauncherPath put it, as long as it names
; this installation's launcher, and the machine's branch once it is empty
; (a user's branch also holds the game list: the uninstaller decides).
!macro RemoveLauncherPath un
Function ${un}RemoveLauncherPathInView
  StrCpy $7 "$INSTDIR\${LAUNCHER}"
  !insertmacro DeleteValueIfOurs SHCTX "${BRANCH}" "${LAUNCHERPATH_VALUE}" $7
  ${If} $ClassesContext == "all"
    DeleteRegKey /ifempty SHCTX "${BRANCH}"
    DeleteRegKey /ifempty SHCTX "SOFTWARE\${PUBLISHER}"
  ${EndIf}
FunctionEnd
Function ${un}RemoveLauncherPath
  !insertmacro UseClassesContext
  Call ${un}RemoveLauncherPathInView
  ${If} $ClassesContext == "all"
  ${AndIf} ${RunningX64}
    SetRegView ${OTHERVIEW}
    Call ${un}RemoveLauncherPathInView
    SetRegView ${OWNVIEW}
  ${EndIf}
  !insertmacro UseUserContext
FunctionEnd
!macroend
!insertmacro RemoveLauncherPath ""
!insertmacro RemoveLauncherPath "un."

; An installation that would serve nobody, or take a folder that holds the
; other kind of installation (each kind's uninstaller would then remove the
; other's files), stops before anything is written.
Function RefuseWhatServesNobody
  ${If} $ServiceAccount == 1
  ${AndIf} $ClassesContext != "all"
    !insertmacro Refuse "Run by a service account, Zentaris installs only for every user of this computer, into the machine's program folder: not with /CurrentUser, nor into $INSTDIR."
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTKEY}" "InstallLocation"
  ReadRegStr $1 HKCU "${UNINSTKEY}" "InstallLocation"
  ReadRegStr $2 HKCU "${UNINSTKEY}" "ClassesContext"
  ${If} $ClassesContext == "current"
  ${AndIf} $0 == $INSTDIR
    !insertmacro Refuse "Zentaris is installed in $INSTDIR for every user of this computer: uninstall it first, or install for this user into another folder."
  ${EndIf}
  ${If} $ClassesContext == "all"
  ${AndIf} $1 == $INSTDIR
  ${AndIf} $2 == "current"
    !insertmacro Refuse "Zentaris is installed in $INSTDIR for this user alone: uninstall it first, or install for every user into another folder."
  ${EndIf}
FunctionEnd

Function RemoveInstalledFiles
  !ifdef BIN64
    ${If} ${FileExists} "$INSTDIR\${HANDLER64}"
      !insertmacro Regsvr32Native "/u" $0
    ${EndIf}
  !endif
  Delete "$INSTDIR\${LAUNCHER}"
  Delete "$INSTDIR\${HANDLER}"
  Delete "$INSTDIR\${HANDLER64}"
  RMDir "$INSTDIR\x64"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
FunctionEnd


!ifdef BIN64
Function InstallHandler64
  SetOutPath "$INSTDIR\x64"
  Delete "$INSTDIR\x64\*.old"
  !insertmacro MoveAsideIfInUse "$INSTDIR\${HANDLER64}"
  ClearErrors
  File "${BIN64}\${HANDLER}"
  ${If} ${Errors}
    !insertmacro FailInstall "Zentaris could not write its files to $INSTDIR."
  ${EndIf}
  SetOutPath "$INSTDIR"
  StrCpy $0 ""
  !insertmacro Regsvr32Native "" $0
  ${If} $0 != 0
    !insertmacro FailInstall "The 64-bit Zentaris protocol handler could not be registered."
  ${EndIf}
FunctionEnd
!endif

Section "Zentaris"
  ; The registry holds the folder as Windows resolves it, not as typed.
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r1, p 0) i .r0'
  ${If} $0 > 0
  ${AndIf} $0 < ${NSIS_MAX_STRLEN}
    StrCpy $INSTDIR $1
  ${EndIf}
  ; After the directory page: the folder decides as much as the rights.
  !insertmacro ChooseClassesContext ""
  Call RefuseWhatServesNobody
  StrCpy $Updating 0
  ${If} ${FileExists} "$INSTDIR\${LAUNCHER}"
    StrCpy $Updating 1
  ${EndIf}
  CreateDirectory "$INSTDIR"
  FileOpen $LogFile "$INSTDIR\install.log" w
  ${If} $LogFile != ""
    FileWriteWord $LogFile 0xFEFF
  ${EndIf}
  ${If} $ClassesContext == "all"
    !insertmacro Say "Installing ${DISPLAY_NAME} ${VERSION_LABEL} into $INSTDIR for every user of this computer"
  ${ElseIf} $ForMachine == 1
    !insertmacro Say "Installing ${DISPLAY_NAME} ${VERSION_LABEL} into $INSTDIR for this user only: the folder is outside the machine's program folders"
  ${Else}
    !insertmacro Say "Installing ${DISPLAY_NAME} ${VERSION_LABEL} into $INSTDIR for this user only"
  ${EndIf}
  Call EndTray
  SetOutPath "$INSTDIR"
  Delete "$INSTDIR\*.old"
  !insertmacro MoveAsideIfInUse "$INSTDIR\${LAUNCHER}"
  !insertmacro MoveAsideIfInUse "$INSTDIR\${HANDLER}"
  ClearErrors
  File "${BIN}\${LAUNCHER}"
  File "${BIN}\${HANDLER}"
  ${If} ${Errors}
    !insertmacro FailInstall "Zentaris could not write its files to $INSTDIR."
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; What the handler needs to find the launcher.
  Call WriteLauncherPath

  ; The protocol handler's own registration; on 64-bit Windows the 64-bit
  ; handler's first. (Where a platform keeps one set of the user's classes
  ; for both kinds, as Wine does, the 32-bit registration is the one left.)
  !ifdef BIN64
    ${If} ${RunningX64}
      Call InstallHandler64
    ${EndIf}
  !endif
  !insertmacro RedirectClasses
  ${If} $0 != 0
    !insertmacro FailInstall "The Zentaris protocol handler could not be registered."
  ${EndIf}
  ClearErrors
  RegDLL "$INSTDIR\${HANDLER}"
  StrCpy $9 0
  ${If} ${Errors}
    StrCpy $9 1
  ${EndIf}
  !insertmacro RestoreClasses
  ${If} $9 == 1
    !insertmacro FailInstall "The Zentaris protocol handler could not be registered."
  ${EndIf}

  ; Browsers that start programs for a scheme pass the URL as "%1". Another
  ; program's registration of the scheme is left alone.
  StrCpy $7 '"$INSTDIR\${LAUNCHER}" "%1"'
  !insertmacro UseClassesContext
  ReadRegStr $6 SHCTX "${SCHEMEKEY}\shell\open\command" ""
  StrCpy $5 0
  ${If} $6 == ""
  ${OrIf} $6 == $7
    WriteRegStr SHCTX "${SCHEMEKEY}" "" "URL:Zentaris Protocol"
    WriteRegStr SHCTX "${SCHEMEKEY}" "URL Protocol" ""
    WriteRegStr SHCTX "${SCHEMEKEY}\shell\open\command" "" $7
    StrCpy $5 1
  ${Else}
    !insertmacro Say "zentaris: is registered to another program; left as it is"
  ${EndIf}

  ; The tray at logon and the uninstall entry: the user's, or for every user
  ; the machine's.
  WriteRegStr SHCTX "${RUNKEY}" "${PRODUCT}" '"$INSTDIR\${LAUNCHER}" --autostart'

  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr SHCTX "${UNINSTKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\${LAUNCHER}"
  WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINSTKEY}" "ClassesContext" $ClassesContext
  WriteRegDWORD SHCTX "${UNINSTKEY}" "OwnsScheme" $5
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1
  !insertmacro UseUserContext

  ${If} $ClassesContext == "all"
    Call WriteForEveryUser
  ${EndIf}

  ; The tray runs with the rights of whoever starts it, and so does every
  ; game and page it opens: with administrator rights in force the Run key
  ; starts it, as the user, at the next logon.
  Call IsElevated
  ${If} $ServiceAccount == 1
    !insertmacro Say "Installed by a service account, which has no user's desktop: no tray started; each user's Zentaris tray starts at their next logon"
  ${ElseIf} $0 == 1
    !insertmacro Say "Installed with administrator rights: the Zentaris tray starts at the next logon, not from this installer"
  ${Else}
    Exec '"$INSTDIR\${LAUNCHER}" --autostart'
    !insertmacro Say "Started the Zentaris tray"
  ${EndIf}
  FileClose $LogFile
  StrCpy $LogFile ""
SectionEnd

; What an installation for every user needs besides the machine's settings.
Function WriteForEveryUser
  ; The launcher keeps a user's game list only where the user's branch
  ; exists. Windows runs this once for each user at their logon (and again
  ; after an upgrade); reg.exe makes the branch and leaves what is in it.
  WriteRegStr HKLM "${ACTIVESETUPKEY}" "" "${PRODUCT}"
  WriteRegStr HKLM "${ACTIVESETUPKEY}" "StubPath" '"$SYSDIR\reg.exe" add "HKCU\${BRANCH}" /f'
  WriteRegStr HKLM "${ACTIVESETUPKEY}" "Version" "${ACTIVESETUPVERSION}"
  WriteRegDWORD HKLM "${ACTIVESETUPKEY}" "IsInstalled" 1
  ; Earlier versions kept LauncherPath, the Run value and the uninstall entry
  ; of an installation for every user in the installing user's hive; the
  ; machine's now serve that user too.
  StrCpy $7 "$INSTDIR\${LAUNCHER}"
  !insertmacro DeleteValueIfOurs HKCU "${BRANCH}" "${LAUNCHERPATH_VALUE}" $7
  StrCpy $7 '"$INSTDIR\${LAUNCHER}" --autostart'
  !insertmacro DeleteValueIfOurs HKCU "${RUNKEY}" "${PRODUCT}" $7
  ReadRegStr $0 HKCU "${UNINSTKEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey HKCU "${UNINSTKEY}"
  ${EndIf}
  ; The installing user's own branch now, as the next logon would make it.
  ; A service account's hive is no user's: nothing is written there.
  ${If} $ServiceAccount != 1
    ; KEY_WRITE
    System::Call 'advapi32::RegCreateKeyExW(p ${HKCU_VALUE}, w "${BRANCH}", i 0, p 0, i 0, i 0x20006, p 0, *p .r1, p 0) i .r0'
    ${If} $0 == 0
      System::Call 'advapi32::RegCloseKey(p r1)'
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.EndTray
  !ifdef BIN64
    ${If} ${FileExists} "$INSTDIR\${HANDLER64}"
      !insertmacro Regsvr32Native "/u" $0
    ${EndIf}
  !endif

  !insertmacro RedirectClasses
  ${If} $0 == 0
    UnRegDLL "$INSTDIR\${HANDLER}"
    !insertmacro RestoreClasses
  ${EndIf}

  ; Where the installer wrote (the machine's registry for every user, the
  ; user's own otherwise), and only what still names this installation.
  !insertmacro UseClassesContext
  ReadRegDWORD $5 SHCTX "${UNINSTKEY}" "OwnsScheme"
  ${If} $5 == 1
    StrCpy $7 '"$INSTDIR\${LAUNCHER}" "%1"'
    ReadRegStr $6 SHCTX "${SCHEMEKEY}\shell\open\command" ""
    ${If} $6 == $7
      DeleteRegKey SHCTX "${SCHEMEKEY}"
    ${EndIf}
  ${EndIf}
  StrCpy $7 '"$INSTDIR\${LAUNCHER}" --autostart'
  !insertmacro DeleteValueIfOurs SHCTX "${RUNKEY}" "${PRODUCT}" $7
  ${If} $ClassesContext == "all"
    DeleteRegKey HKLM "${ACTIVESETUPKEY}"
  ${EndIf}
  !insertmacro UseUserContext
  Call un.RemoveLauncherPath

  ; The user's branch holds the game list: kept unless asked. Asked, the
  ; records go; a value another installation wrote stays.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    StrCpy $2 0
    ${Do}
      EnumRegKey $1 HKCU "${BRANCH}" $2
      ${If} $1 == ""
        ${ExitDo}
      ${EndIf}
      ClearErrors
      DeleteRegKey HKCU "${BRANCH}\$1"
      ${If} ${Errors}
        IntOp $2 $2 + 1
      ${EndIf}
    ${Loop}
  ${EndIf}
  ; reg.exe may leave an empty default value in a branch it made.
  ReadRegStr $0 HKCU "${BRANCH}" ""
  ${If} $0 == ""
    DeleteRegValue HKCU "${BRANCH}" ""
  ${EndIf}
  DeleteRegKey /ifempty HKCU "${BRANCH}"
  DeleteRegKey /ifempty HKCU "SOFTWARE\${PUBLISHER}"

  ; Files that a process of another session holds go at the next restart.
  Delete /REBOOTOK "$INSTDIR\${HANDLER64}"
  Delete /REBOOTOK "$INSTDIR\x64\*.old"
  RMDir /REBOOTOK "$INSTDIR\x64"
  Delete /REBOOTOK "$INSTDIR\${LAUNCHER}"
  Delete /REBOOTOK "$INSTDIR\${HANDLER}"
  Delete /REBOOTOK "$INSTDIR\*.old"
  Delete "$INSTDIR\install.log"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ${If} ${RebootFlag}
    DetailPrint "Some files are in use: they are removed at the next restart"
  ${EndIf}
  !insertmacro UseClassesContext
  ReadRegStr $0 SHCTX "${UNINSTKEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTKEY}"
  ${EndIf}
  !insertmacro UseUserContext
SectionEnd
