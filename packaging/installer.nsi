; The per-user installer of Brisolt, made by scripts/dist.sh with makensis:
;   makensis -DVERSION=1.4.0 -DSTAGE=<folder of the portable files>
;            -DGENERATED=<folder of uninstall_files.nsh> -DICON=<Brisolt.ico> -DOUTFILE=<setup.exe>
;            [-DSIGN=<command that signs the file named %1>] installer.nsi
; Installs to %LOCALAPPDATA%\Programs\Brisolt without administrator rights,
; keeps the user's settings, schemes and sounds on an upgrade, and supports /S.
; /AUTOSTART=1 on the command line chooses "Start Brisolt with Windows" in a
; silent install.

; A 64-bit installer for a 64-bit program (Unicode, as every 64-bit NSIS target).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
SetDatablockOptimize on
CRCCheck on

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Brisolt"
!define PUBLISHER "Quendral"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisolt"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MAIN_CLASS "TfrmMain"
!define MAIN_CAPTION "Brisolt - Options"

!ifdef SIGN
  !finalize '${SIGN}'
  !uninstfinalize '${SIGN}'
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Brisolt"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}. MIT License."

Var WasRunning

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ${StrContains} result needle haystack: the needle, or "" when absent.
!define StrContains "!insertmacro StrContains"
!macro StrContains result needle haystack
  Push "${haystack}"
  Push "${needle}"
  Call StrContainsFunction
  Pop "${result}"
!macroend
Function StrContainsFunction
  Exch $R1  ; needle
  Exch
  Exch $R2  ; haystack
  Push $R3
  Push $R4
  StrLen $R3 $R1
  StrCpy $R4 0
  Push $R5
  ${Do}
    StrCpy $R5 $R2 $R3 $R4
    ${If} $R5 == ""
      StrCpy $R1 ""
      ${ExitDo}
    ${EndIf}
    ${IfThen} $R5 == $R1 ${|} ${ExitDo} ${|}
    IntOp $R4 $R4 + 1
  ${Loop}
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Exch $R1
FunctionEnd

; Closes a running Brisolt through its own exit (which saves the settings)
; and waits for it to be gone; $WasRunning says whether it ran.
!macro CloseRunning
  StrCpy $WasRunning 0
  FindWindow $0 "${MAIN_CLASS}" "${MAIN_CAPTION}"
  ${If} $0 <> 0
    StrCpy $WasRunning 1
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=10000
    StrCpy $1 0
    ${Do}
      FindWindow $0 "${MAIN_CLASS}" "${MAIN_CAPTION}"
      ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
      Sleep 100
      IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 100
    Sleep 500  ; the process ends after its window
  ${EndIf}
!macroend

Section "Brisolt" SecProgram
  SectionIn RO
  !insertmacro CloseRunning
  SetOutPath "$INSTDIR"
  File "${STAGE}\Brisolt.exe"
  File "${STAGE}\Hakdor.dll"
  File "${STAGE}\bass.dll"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File /r "${STAGE}\Schemes"
  ; The user's schemes survive an upgrade; config.cfg is the program's own.
  SetOverwrite off
  File "${STAGE}\schemes.cfg"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Brisolt.lnk" "$INSTDIR\Brisolt.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brisolt.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The program's own Run value, written as the program writes it, so that the
; options window's "Start Brisolt with Windows" box stays in step.
Section /o "Start Brisolt with Windows" SecAutoStart
  StrCpy $0 "$INSTDIR\Brisolt.exe"
  ${StrContains} $1 " " $0
  ${If} $1 != ""
    StrCpy $0 '"$0"'
  ${EndIf}
  WriteRegStr HKCU "${RUN_KEY}" "Brisolt" "$0"
SectionEnd

Section "Start Brisolt now" SecStartNow
  Exec '"$INSTDIR\Brisolt.exe"'
SectionEnd

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "1"
    SectionSetFlags ${SecAutoStart} ${SF_SELECTED}
  ${EndIf}
  ; A silent install starts the program again only when it was running.
  ${If} ${Silent}
    FindWindow $0 "${MAIN_CLASS}" "${MAIN_CAPTION}"
    ${If} $0 = 0
      SectionSetFlags ${SecStartNow} 0
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro CloseRunning
  ; What the installer put there, and nothing the user added.
  Delete "$INSTDIR\Brisolt.exe"
  Delete "$INSTDIR\Hakdor.dll"
  Delete "$INSTDIR\bass.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  !include "${GENERATED}\uninstall_files.nsh"
  Delete "$SMPROGRAMS\Brisolt.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Brisolt"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  MessageBox MB_YESNO|MB_ICONQUESTION "Remove your Brisolt settings and sound schemes as well?" /SD IDNO IDNO keep
    Delete "$INSTDIR\config.cfg"
    Delete "$INSTDIR\schemes.cfg"
    Delete "$INSTDIR\*.bak"
    Delete "$INSTDIR\Log.txt"
    Delete "$INSTDIR\Log.old.txt"
    RMDir /r "$APPDATA\Brisolt"
  keep:
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
