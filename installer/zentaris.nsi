; Zentaris installer, silent with /S.
;   makensis -DARCH=x86|x86_64 -DBIN=<folder with the deliverables> [-DBIN64=<64-bit build's folder>]
;            -DVERSION=1.2.3.0 -DOUTFILE=<setup.exe> [-DSIGN=<command that signs the file it is given>]
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
; With administrator rights it installs into the machine's program folder and
; registers for every user; without, or with /CurrentUser, into the user's
; own programs folder and classes. Uninstall with /S; /REMOVEDATA also
; removes the user's game list.

Unicode true
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include x64.nsh

!define PRODUCT "Zentaris"
!define BRANCH "SOFTWARE\Telmark\Zentaris"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentaris"
!define SCHEMEKEY "Software\Classes\zentaris"
!define LAUNCHER "ZentarisLauncher.exe"
!define HANDLER "zenproto.dll"
!define HANDLER64 "x64\${HANDLER}"
!define TRAYCLASS "ZentarisLauncherApplication"
!define IDM_EXIT 1000
!ifndef VERSION_LABEL
  !define VERSION_LABEL "${VERSION}"
!endif
!ifndef DISPLAY_NAME
  !define DISPLAY_NAME "${PRODUCT}"
!endif
!if "${ARCH}" == "x86_64"
  !define MACHINEPROGRAMS "$PROGRAMFILES64"
!else
  !define MACHINEPROGRAMS "$PROGRAMFILES"
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
VIAddVersionKey /LANG=1033 "CompanyName" "Telmark"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Telmark"
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
Var ClassesContext   ; "all" (machine classes) or "current" (the user's classes)
Var Updating         ; 1: the folder holds an installation already, which a failure leaves as it is

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
    ${Else}
      DetailPrint "$INSTDIR is outside the machine's program folders: registered for this user only"
    ${EndIf}
  ${EndIf}
!macroend

!macro ChooseForMachine
  StrCpy $ForMachine 0
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
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

; HKEY_CLASSES_ROOT seen by this process: redirected to the user's classes
; while a per-user install runs the handler's own registration. $0 is not 0
; when that failed: the registration would then reach the machine's classes.
; The user's classes key need not exist yet (a fresh profile under Wine).
!define HKCR_VALUE -2147483648
!define HKCU_VALUE -2147483647
!macro RedirectClassesToUser
  StrCpy $0 0
  ${If} $ClassesContext == "current"
    System::Call 'advapi32::RegCreateKeyExW(p ${HKCU_VALUE}, w "Software\Classes", i 0, p 0, i 0, i 0xF003F, p 0, *p .r8, p 0) i .r0'
    ${If} $0 == 0
      System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p r8) i .r0'
    ${EndIf}
  ${EndIf}
!macroend
!macro RestoreClasses
  ${If} $ClassesContext == "current"
    System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p 0) i .r0'
    System::Call 'advapi32::RegCloseKey(p r8) i .r0'
  ${EndIf}
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

; $0 is 1 when this process runs with administrator rights in force: an
; elevated token ("Run as administrator", a deployment tool, or an
; administrator without UAC) or a service account (LocalSystem, as
; deployment tools run; LocalService; NetworkService). Whatever it starts
; runs with the same rights. Where the token does not tell (no UAC), an
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
  ${If} $1 != 0
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
          StrCpy $0 1
        ${EndIf}
      ${Next}
    ${EndIf}
    System::Free $5
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
FunctionEnd

Function .onInit
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
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
  !insertmacro ChooseForMachine
  ReadRegStr $ClassesContext HKCU "${UNINSTKEY}" "ClassesContext"
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
    ExecWait '"$WINDIR\SysNative\regsvr32.exe" /s ${direction} "$INSTDIR\${HANDLER64}"' ${result}
  ${EndIf}
!macroend
!endif

; Undo a half-done installation, then stop with the reason. Over an
; installation (an update, run by its tray) nothing is removed: the files it
; could not replace are still the installed version's, and the tray it
; ended is started again, as the installation would have.
!macro FailInstall reason
  DetailPrint "${reason}"
  ${If} $Updating != 1
    Call RemoveInstalledFiles
    DeleteRegValue HKCU "${BRANCH}" "LauncherPath"
    DeleteRegKey /ifempty HKCU "${BRANCH}"
  ${Else}
    Call IsElevated
    ${If} $0 != 1
      Exec '"$INSTDIR\${LAUNCHER}" --autostart'
    ${EndIf}
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "${reason}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

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
  StrCpy $Updating 0
  ${If} ${FileExists} "$INSTDIR\${LAUNCHER}"
    StrCpy $Updating 1
  ${EndIf}
  Call EndTray
  SetOutPath "$INSTDIR"
  ClearErrors
  File "${BIN}\${LAUNCHER}"
  File "${BIN}\${HANDLER}"
  ${If} ${Errors}
    !insertmacro FailInstall "Zentaris could not write its files to $INSTDIR."
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; What the handler needs to find the launcher.
  WriteRegStr HKCU "${BRANCH}" "LauncherPath" "$INSTDIR\${LAUNCHER}"

  ; The protocol handler's own registration; on 64-bit Windows the 64-bit
  ; handler's first. (Where a platform keeps one set of the user's classes
  ; for both kinds, as Wine does, the 32-bit registration is the one left.)
  !ifdef BIN64
    ${If} ${RunningX64}
      Call InstallHandler64
    ${EndIf}
  !endif
  !insertmacro RedirectClassesToUser
  ${If} $0 != 0
    !insertmacro FailInstall "The Zentaris protocol handler could not be registered for this user."
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
    DetailPrint "zentaris: is registered to another program; left as it is"
  ${EndIf}
  !insertmacro UseUserContext

  WriteRegStr HKCU "${RUNKEY}" "${PRODUCT}" '"$INSTDIR\${LAUNCHER}" --autostart'

  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${DISPLAY_NAME}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "Telmark"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\${LAUNCHER}"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTKEY}" "ClassesContext" $ClassesContext
  WriteRegDWORD HKCU "${UNINSTKEY}" "OwnsScheme" $5
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1

  ; The tray runs with the rights of whoever starts it, and so does every
  ; game and page it opens: with administrator rights in force the Run key
  ; starts it, as the user, at the next logon.
  Call IsElevated
  ${If} $0 == 1
    DetailPrint "Installed with administrator rights: the Zentaris tray starts at the next logon, not from this installer"
  ${Else}
    Exec '"$INSTDIR\${LAUNCHER}" --autostart'
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.EndTray
  !ifdef BIN64
    ${If} ${FileExists} "$INSTDIR\${HANDLER64}"
      !insertmacro Regsvr32Native "/u" $0
      Delete "$INSTDIR\${HANDLER64}"
      RMDir "$INSTDIR\x64"
    ${EndIf}
  !endif

  !insertmacro RedirectClassesToUser
  ${If} $0 == 0
    UnRegDLL "$INSTDIR\${HANDLER}"
  ${EndIf}
  !insertmacro RestoreClasses

  ReadRegDWORD $5 HKCU "${UNINSTKEY}" "OwnsScheme"
  ${If} $5 == 1
    StrCpy $7 '"$INSTDIR\${LAUNCHER}" "%1"'
    !insertmacro UseClassesContext
    ReadRegStr $6 SHCTX "${SCHEMEKEY}\shell\open\command" ""
    ${If} $6 == $7
      DeleteRegKey SHCTX "${SCHEMEKEY}"
    ${EndIf}
    !insertmacro UseUserContext
  ${EndIf}

  DeleteRegValue HKCU "${RUNKEY}" "${PRODUCT}"
  DeleteRegValue HKCU "${BRANCH}" "LauncherPath"
  ; The branch also holds the user's game list: kept unless asked.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    DeleteRegKey HKCU "${BRANCH}"
  ${Else}
    DeleteRegKey /ifempty HKCU "${BRANCH}"
  ${EndIf}
  DeleteRegKey /ifempty HKCU "SOFTWARE\Telmark"

  Delete "$INSTDIR\${LAUNCHER}"
  Delete "$INSTDIR\${HANDLER}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTKEY}"
SectionEnd
