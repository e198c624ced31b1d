; The Windows installer of Tickwell: a per-user install that needs no
; administrator rights, into %LOCALAPPDATA%\Programs\Tickwell, with a
; Start-menu shortcut, an optional start at login and an uninstaller listed
; in the current user's "Apps and features".
;
; Built by the win32 build's `windows-installer` target:
;   makensis -DVERSION=1.0 -DVERSION_QUAD=1.0.0.0 -DPROGRAM=tickwell.exe
;            -DICON=tickwell.ico -DOUTFILE=tickwell-setup-1.0.exe
;            -DTARGET=x86-unicode tickwell.nsi
; and by the win64 build's, around the 64-bit program, with
; -DTARGET=amd64-unicode (tickwell-setup-1.0-x64.exe: a 64-bit installer
; that runs on 64-bit Windows only). Both install into the same folder
; under the same Uninstall entry, so either one replaces the other.
;
; Silent use:
;   tickwell-setup-1.0.exe /S [/AUTOSTART] [/D=folder]   install (/AUTOSTART:
;                                                         start at login)
;   uninstall.exe /S [/REMOVESETTINGS]                    uninstall (keeps the
;                                                         settings unless asked)

!macro Require name
  !ifndef ${name}
    !error "makensis needs -D${name}=..."
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require VERSION_QUAD
!insertmacro Require PROGRAM
!insertmacro Require ICON
!insertmacro Require OUTFILE
!insertmacro Require TARGET
Target ${TARGET}

!define PRODUCT "Tickwell"
!define PUBLISHER "Quillfen"
!define WEB_PAGE "https://quillfen.org/tickwell/"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Quillfen\Tickwell"
; The program's main window, and the message box it shows when it can't
; start: their classes and titles.
!define WINDOW_CLASS "Mozilla/4.0"
!define WINDOW_TITLE "Tickwell"
!define ERROR_BOX_CLASS "#32770"
!define ERROR_BOX_TITLE "Tickwell Error"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tickwell"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
!if ${TARGET} == amd64-unicode
  VIAddVersionKey "FileDescription" "${PRODUCT} Setup (64-bit)"
!else
  VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
!endif
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "(c) 2026 ${PUBLISHER}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\tickwell.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Tickwell now"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Asks a running Tickwell to close, as its own close button does (it saves
; its settings on the way out), and closes the error box of one that could
; not start, which ends it; waits up to five seconds for them, so that the
; program file can be replaced or removed.
!macro CloseRunningTickwell un
  Function ${un}CloseRunningTickwell
    Push $0
    Push $1
    StrCpy $1 0
    ${Do}
      FindWindow $0 "${WINDOW_CLASS}" "${WINDOW_TITLE}"
      ${If} $0 = 0
        FindWindow $0 "${ERROR_BOX_CLASS}" "${ERROR_BOX_TITLE}"
      ${EndIf}
      ${If} $0 = 0
      ${OrIf} $1 >= 50
        ${Break}
      ${EndIf}
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
      Sleep 100
      IntOp $1 $1 + 1
    ${Loop}
    Pop $1
    Pop $0
  FunctionEnd
!macroend
!insertmacro CloseRunningTickwell ""
!insertmacro CloseRunningTickwell "un."

Section "Tickwell" SecProgram
  SectionIn RO
  Call CloseRunningTickwell
  SetOutPath "$INSTDIR"
  File "/oname=tickwell.exe" "${PROGRAM}"
  File "/oname=NOTICES.txt" "${NOTICES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Tickwell.lnk" "$INSTDIR\tickwell.exe" "" \
    "$INSTDIR\tickwell.exe" 0 SW_SHOWNORMAL "" "Current weather and a scrolling forecast"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tickwell.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${WEB_PAGE}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; --at-login: a session may start it before the network is up; the program
; then waits up to two minutes for the connection. Installing again with the
; start at login rewrites an older entry without the option.
Section /o "Start Tickwell when I log in" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Tickwell" '"$INSTDIR\tickwell.exe" --at-login'
SectionEnd

; Installing again without the start at login turns it off.
Section "-StopAutostart"
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    DeleteRegValue HKCU "${RUN_KEY}" "Tickwell"
  ${EndIf}
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecAutostart}
  ${EndIf}
FunctionEnd

Section "un.Tickwell" SecUnProgram
  SectionIn RO
  ; The program goes first: while it can't be removed (a Tickwell that would
  ; not close), nothing else is, and the Uninstall entry stays for another try.
  ${Do}
    Call un.CloseRunningTickwell
    Delete "$INSTDIR\tickwell.exe"
    ${IfNot} ${FileExists} "$INSTDIR\tickwell.exe"
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Tickwell is still running. Close it, then choose Retry." /SD IDCANCEL IDRETRY retry
    Abort "Tickwell is still running: nothing was removed."
    retry:
  ${Loop}
  Delete "$INSTDIR\NOTICES.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tickwell.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Tickwell"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my Tickwell settings" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Quillfen"
SectionEnd

Function un.onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
