; Zentaris installer: per-user, silent with /S.
;   makensis -DARCH=x86|x86_64 -DBIN=<folder with the deliverables> -DOUTFILE=<setup.exe> zentaris.nsi
; Installs ZentarisLauncher.exe and zenproto.dll, writes LauncherPath,
; registers the protocol handler, registers the zentaris: scheme for the
; shell (browsers that start programs), starts the tray at login and once now.
; Uninstall with /S; /REMOVEDATA also removes the user's game list.

Unicode true
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!endif

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define PRODUCT "Zentaris"
!define BRANCH "SOFTWARE\Telmark\Zentaris"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentaris"
!define SCHEMEKEY "Software\Classes\zentaris"
!define LAUNCHER "ZentarisLauncher.exe"
!define HANDLER "zenproto.dll"
!define TRAYCLASS "ZentarisLauncherApplication"
!define IDM_EXIT 1000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var ClassesContext   ; "all" (machine classes) or "current" (the user's classes)

; Where class registrations go. With administrator rights the machine's
; classes: every program sees them, also platforms that do not merge the
; user's classes into HKEY_CLASSES_ROOT. Without, the user's own classes.
!macro ChooseClassesContext
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $ClassesContext "all"
  ${Else}
    StrCpy $ClassesContext "current"
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
; while a per-user install runs the handler's own registration.
!define HKCR_VALUE -2147483648
!define HKCU_VALUE -2147483647
!macro RedirectClassesToUser
  ${If} $ClassesContext == "current"
    System::Call 'advapi32::RegOpenKeyExW(p ${HKCU_VALUE}, w "Software\Classes", i 0, i 0xF003F, *p .r8) i .r0'
    System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p r8) i .r0'
  ${EndIf}
!macroend
!macro RestoreClasses
  ${If} $ClassesContext == "current"
    System::Call 'advapi32::RegOverridePredefKey(p ${HKCR_VALUE}, p 0) i .r0'
    System::Call 'advapi32::RegCloseKey(p r8) i .r0'
  ${EndIf}
!macroend

; Ends a running tray through its own "Salir" command and waits (bounded)
; for its window to go, so that its files can be replaced or removed.
!macro EndTray un
Function ${un}EndTray
  StrCpy $1 0
  loop:
    FindWindow $0 "${TRAYCLASS}"
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $1 == 0
      DetailPrint "Ending the running Zentaris tray"
      ; An open tray menu would hold the command back until it closes.
      System::Call 'user32::PostMessageW(p r0, i ${WM_CANCELMODE}, p 0, p 0) i .r2'
      System::Call 'user32::PostMessageW(p r0, i ${WM_COMMAND}, p ${IDM_EXIT}, p 0) i .r2'
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 > 100
      DetailPrint "The Zentaris tray did not end"
      Return
    ${EndIf}
    Sleep 100
    Goto loop
FunctionEnd
!macroend
!insertmacro EndTray ""
!insertmacro EndTray "un."

Function .onInit
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
  !insertmacro ChooseClassesContext
FunctionEnd

Function un.onInit
  !if "${ARCH}" == "x86_64"
    SetRegView 64
  !endif
  ReadRegStr $ClassesContext HKCU "${UNINSTKEY}" "ClassesContext"
  ${If} $ClassesContext == ""
    !insertmacro ChooseClassesContext
  ${EndIf}
FunctionEnd

; Undo a half-done installation, then stop with the reason.
!macro FailInstall reason
  DetailPrint "${reason}"
  Call RemoveInstalledFiles
  DeleteRegValue HKCU "${BRANCH}" "LauncherPath"
  DeleteRegKey /ifempty HKCU "${BRANCH}"
  MessageBox MB_OK|MB_ICONSTOP "${reason}" /SD IDOK
  SetErrorLevel 2
  Quit
!macroend

Function RemoveInstalledFiles
  Delete "$INSTDIR\${LAUNCHER}"
  Delete "$INSTDIR\${HANDLER}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
FunctionEnd

Section "Zentaris"
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

  ; The protocol handler's own registration.
  !insertmacro RedirectClassesToUser
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

  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "Telmark"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\${LAUNCHER}"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTKEY}" "ClassesContext" $ClassesContext
  WriteRegDWORD HKCU "${UNINSTKEY}" "OwnsScheme" $5
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1

  Exec '"$INSTDIR\${LAUNCHER}" --autostart'
SectionEnd

Section "Uninstall"
  Call un.EndTray

  !insertmacro RedirectClassesToUser
  UnRegDLL "$INSTDIR\${HANDLER}"
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
