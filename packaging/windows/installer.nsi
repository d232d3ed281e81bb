; The Windows setup program (scripts/windows-package.sh runs makensis with VERSION, STAGE and
; OUTFILE). Installs the staged folder under Program Files with a Start menu entry and an
; uninstaller. The Results folder is left to the program's own start-up and never removed.
; A 64-bit setup: it runs where the program runs, and under wine64 alone.
Target amd64-unicode
SetCompressor /SOLID lzma
!include x64.nsh

Name "DC Load Logger ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\DC Load Logger"
InstallDirRegKey HKLM "Software\DC Load Logger" "InstallDir"
RequestExecutionLevel admin
Icon "dc-load-logger.ico"
UninstallIcon "dc-load-logger.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "DC Load Logger"
VIAddVersionKey "CompanyName" "Brackwin Products"
VIAddVersionKey "LegalCopyright" "Copyright (C) Brackwin Products. All rights reserved."
VIAddVersionKey "FileDescription" "DC Load Logger ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DC Load Logger"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "DC Load Logger needs 64-bit Windows."
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Section "DC Load Logger"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\DC Load Logger"
  CreateShortcut "$SMPROGRAMS\DC Load Logger\DC Load Logger.lnk" "$INSTDIR\dc-load-logger.exe"
  CreateShortcut "$SMPROGRAMS\DC Load Logger\Uninstall DC Load Logger.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\DC Load Logger" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "DC Load Logger"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "Brackwin Products"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\dc-load-logger.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; Only what the setup put there: a folder chosen by hand may hold other files.
Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\DC Load Logger\DC Load Logger.lnk"
  Delete "$SMPROGRAMS\DC Load Logger\Uninstall DC Load Logger.lnk"
  RMDir "$SMPROGRAMS\DC Load Logger"
  !include "${FILELIST}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
  DeleteRegKey HKLM "Software\DC Load Logger"
SectionEnd
