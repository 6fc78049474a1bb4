; A helper of scripts/test-packages.sh: watches vemo's hidden main window from
; inside the Wine prefix, where the Linux side cannot see it.
;   window-probe.exe /open     waits until the window exists
;   window-probe.exe /close    sends it WM_CLOSE and waits until it has gone
;   window-probe.exe /closed   waits until there is none
; Exit status 0 when that state was reached within 60 seconds, 1 when not,
; 2 for an unknown request.
; makensis -DARCH=win32|win64 -DOUTFILE=FILE window-probe.nsi

Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor zlib
RequestExecutionLevel user
SilentInstall silent
Name "window-probe"
OutFile "${OUTFILE}"

!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define MAIN_WINDOW_CLASS "TVEMOMainForm"
!define MAIN_WINDOW_TITLE "Kobaru"

; $0 := 1 when the window should exist, 0 when it should not; waits for that.
Function WaitFor
  StrCpy $2 0
  ${Do}
    FindWindow $1 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
    ${If} $0 = 1
    ${AndIf} $1 <> 0
      SetErrorLevel 0
      Return
    ${ElseIf} $0 = 0
    ${AndIf} $1 = 0
      SetErrorLevel 0
      Return
    ${EndIf}
    Sleep 50
    IntOp $2 $2 + 1
  ${LoopUntil} $2 >= 1200
  SetErrorLevel 1
FunctionEnd

Section
  ${GetParameters} $3
  ${If} $3 == "/open"
    StrCpy $0 1
    Call WaitFor
  ${ElseIf} $3 == "/closed"
    StrCpy $0 0
    Call WaitFor
  ${ElseIf} $3 == "/close"
    StrCpy $0 1
    Call WaitFor
    FindWindow $1 "${MAIN_WINDOW_CLASS}" "${MAIN_WINDOW_TITLE}"
    ${If} $1 <> 0
      SendMessage $1 ${WM_CLOSE} 0 0 /TIMEOUT=5000
      StrCpy $0 0
      Call WaitFor
    ${EndIf}
  ${Else}
    SetErrorLevel 2
  ${EndIf}
SectionEnd
