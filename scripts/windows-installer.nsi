; The Windows installer of dbfimport, made by scripts/package-windows.sh with
; makensis: /DSTAGE=<folder of the files> /DOUTFILE=<installer>. It installs
; for the user who runs it (no administrator rights), into
; %LOCALAPPDATA%\Programs\dbfimport, with a Start-menu entry for the window
; (when the package has it) and for the 사용법, and an uninstaller.
Unicode true
; A 64-bit installer for the 64-bit programs (and for a Wine without 32-bit support).
Target amd64-unicode
!include "MUI2.nsh"

Name "dbfimport"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\dbfimport"
InstallDirRegKey HKCU "Software\dbfimport" "InstallDir"
RequestExecutionLevel user
SetCompressor /SOLID lzma

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Korean"

Section "dbfimport"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteRegStr HKCU "Software\dbfimport" "InstallDir" "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\dbfimport"
!if /FileExists "${STAGE}\dbfimport.exe"
  CreateShortcut "$SMPROGRAMS\dbfimport\dbfimport.lnk" "$INSTDIR\dbfimport.exe"
!endif
  CreateShortcut "$SMPROGRAMS\dbfimport\사용법.lnk" "$INSTDIR\사용법.txt"
  CreateShortcut "$SMPROGRAMS\dbfimport\dbfimport 제거.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\dbfimport" "DisplayName" "dbfimport"
  WriteRegStr HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\dbfimport" "UninstallString" '"$INSTDIR\uninstall.exe"'
SectionEnd

Section "Uninstall"
  ; Only the installed files: tables or journals a clerk put there stay.
  Delete "$INSTDIR\dbfimport.exe"
  Delete "$INSTDIR\dbfimport-cli.exe"
  Delete "$INSTDIR\사용법.txt"
  RMDir /r "$INSTDIR\samples"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "$SMPROGRAMS\dbfimport"
  DeleteRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\dbfimport"
  DeleteRegKey HKCU "Software\dbfimport"
SectionEnd
