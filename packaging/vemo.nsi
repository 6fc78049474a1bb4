; The per-user installer of Kobaru. scripts/package.sh compiles it once for
; each build:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.11 -DFILE_VERSION=1.1.1.0
;            -DARCH=win32|win64 -DSTAGE=DIR -DOUTFILE=FILE packaging/vemo.nsi
; STAGE holds the files the installer lays down: vemo.exe, README.txt,
; LICENSE.txt and THIRD-PARTY-NOTICES.txt.

Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else if "${ARCH}" == "win32"
  Target x86-unicode
!else
  !error "ARCH must be win32 or win64"
!endif
SetCompressor /SOLID lzma

!define PRODUCT "Kobaru"
!define PUBLISHER "Orvane"
!define EXE "vemo.exe"
; How the program names its settings: after the executable.
!define SETTINGS_INI "vemo.ini"
!define SETTINGS_KEY "Software\Orvane\vemo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The program's hidden main window, as it registers it.
!define MAIN_WINDOW_CLASS "TVEMOMainForm"
!define MAIN_WINDOW_TITLE "Kobaru"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; Per user: no administrator rights, and the INI file beside the exe stays writable.
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ManifestDPIAware true
BrandingText "${PRODUCT} ${VERSION} (${ARCH})"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define MUI_ICON "${STAGE}\vemo.ico"
!define MUI_UNICON "${STAGE}\vemo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunNow)"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: it is what a system that is neither Japanese nor English gets.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SecProgramName ${LANG_ENGLISH} "Kobaru (Start menu shortcut)"
LangString SecProgramName ${LANG_JAPANESE} "Kobaru（スタートメニューのショートカット）"
LangString SecStartupName ${LANG_ENGLISH} "Start with Windows"
LangString SecStartupName ${LANG_JAPANESE} "Windows の起動時に開始"
LangString RunNow ${LANG_ENGLISH} "Start Kobaru now"
LangString RunNow ${LANG_JAPANESE} "Kobaru を起動する"
LangString CloseFailed ${LANG_ENGLISH} "Kobaru is still running and could not be closed.$\r$\nExit it from its notification-area icon (right-click, Exit), then press Retry."
LangString CloseFailed ${LANG_JAPANESE} "Kobaru を終了できませんでした。$\r$\n通知領域のアイコンを右クリックして「終了」を選んでから、[再試行] を押してください。"
LangString DeleteSettings ${LANG_ENGLISH} "Delete Kobaru's settings as well (the picture folders and the interval)?"
LangString DeleteSettings ${LANG_JAPANESE} "Kobaru の設定（画像フォルダーの一覧と表示間隔）も削除しますか？"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} setup (${ARCH})"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) the Kobaru authors"

; Ends a running copy through its window, as its own Exit would, and waits
; until the exe can be replaced: a file in use cannot be overwritten or
; removed. Gives up, after asking, when the program does not go.
!macro DEFINE_CLOSE_RUNNING prefix
Function ${prefix}CloseRunning
  Push $0
  Push $1
  retry:
  FindWindow $0 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    StrCpy $1 0
    ${Do}
      FindWindow $0 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
      ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
      Sleep 100
      IntOp $1 $1 + 1
    ${LoopUntil} $1 >= 100
    ${If} $0 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseFailed)" /SD IDCANCEL IDRETRY retry
      Abort
    ${EndIf}
  ${EndIf}
  ; The window goes a moment before the process lets go of its file.
  StrCpy $1 0
  ${DoWhile} ${FileExists} "$INSTDIR\${EXE}"
    ClearErrors
    Delete "$INSTDIR\${EXE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    ${If} $1 >= 50
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(CloseFailed)" /SD IDCANCEL IDRETRY retry
      Abort
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro DEFINE_CLOSE_RUNNING ""
!insertmacro DEFINE_CLOSE_RUNNING "un."

Section "!$(SecProgramName)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  Call CloseRunning
  ; The settings file beside the exe is the user's: an update never touches it.
  File "${STAGE}\${EXE}"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY-NOTICES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecStartupName)" SecStartup
  CreateShortCut "$SMSTARTUP\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0
SectionEnd

; Turning the choice off on an update takes the existing shortcut away.
Section "-StartupOff"
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    Delete "$SMSTARTUP\${PRODUCT}.lnk"
  ${EndIf}
SectionEnd

Function .onInit
  ; An update keeps a user's earlier "no" to starting with Windows.
  ClearErrors
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "DisplayName"
  ${IfNot} ${Errors}
  ${AndIfNot} ${FileExists} "$SMSTARTUP\${PRODUCT}.lnk"
    !insertmacro UnselectSection ${SecStartup}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseRunning
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; The settings are only deleted when the user says so; a silent uninstall keeps them.
  ClearErrors
  EnumRegKey $0 HKCU "${SETTINGS_KEY}" 0
  ${If} ${FileExists} "$INSTDIR\${SETTINGS_INI}"
  ${OrIfNot} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(DeleteSettings)" /SD IDNO IDNO keepSettings
    Delete "$INSTDIR\${SETTINGS_INI}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Orvane"
    keepSettings:
  ${EndIf}

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
