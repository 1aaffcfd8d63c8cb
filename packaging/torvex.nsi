; The TORVEX installer: torvex.scr into the system folder, where the screen saver settings list
; it, and an uninstaller (with the install text) in the program folder, registered with
; Windows' installed programs.
; makensis -DARCH=win32|win64 -DVERSION=1.0 -DSAVER=... -DINSTALL_TEXT=... -DICON=... -DOUTFILE=...
Unicode true
!if "${ARCH}" == "win64"
    Target amd64-unicode
    InstallDir "$PROGRAMFILES64\TORVEX"
!else
    InstallDir "$PROGRAMFILES\TORVEX"
!endif
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TORVEX"

Name "TORVEX ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro RegistryView
    !if "${ARCH}" == "win64"
        SetRegView 64
    !endif
!macroend

Function .onInit
    !if "${ARCH}" == "win64"
        ${IfNot} ${RunningX64}
            MessageBox MB_OK|MB_ICONSTOP "This TORVEX is for 64-bit Windows."
            Abort
        ${EndIf}
    !endif
    !insertmacro RegistryView
FunctionEnd

Function un.onInit
    !insertmacro RegistryView
FunctionEnd

Section
    ; A 32-bit installer on 64-bit Windows writes to SysWOW64 here: the 32-bit saver's place.
    SetOutPath "$SYSDIR"
    File "/oname=torvex.scr" "${SAVER}"
    SetOutPath "$INSTDIR"
    File "/oname=INSTALL.txt" "${INSTALL_TEXT}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TORVEX"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TORVEX"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\torvex.scr"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Delete "$SYSDIR\torvex.scr"
    Delete "$INSTDIR\INSTALL.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
