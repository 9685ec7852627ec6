; The Windows installer. tools/make-dist runs makensis with
;   -DVERSION=x.y.z -DVERSION_QUAD=x.y.z.w -DFLAVOUR=win32|win64 -DSTAGE=<folder with the files>
;   -DFILES=<generated list of File lines> -DUNFILES=<generated list of Delete lines>
;   -DICON=<the program icon> -DOUTFILE=<installer path>
; so the installer carries exactly what the zip carries, and the uninstaller
; removes exactly that.
Unicode true
; The installer itself is 64-bit whatever the programs are: it also runs
; under a 64-bit-only Wine, where a 32-bit installer exits without installing.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define PRODUCT "Orvane Panel"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvanePanel"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; The shipped programs are 32-bit (so that the chip maker's 32-bit library
; can replace ours): they belong where Windows keeps 32-bit programs.
!if "${FLAVOUR}" == "win64"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
InstallDir "$PROGRAMFILES32\${PRODUCT}"
!endif
InstallDirRegKey HKLM "Software\Orvane\${PRODUCT}" "InstallDir"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "Orvane Panel developers, MIT licence"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\orvane-panel.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\docs\USER-GUIDE.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SecMain
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\orvane-panel.exe" "" \
    "$INSTDIR\orvane-panel.exe" 0
  ; The simulator is a console program: its shortcut opens a console in
  ; which its commands (plug, unplug, reading ...) can be typed.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Orvane Device Simulator.lnk" "$INSTDIR\orvane-sim.exe" "" \
    "$INSTDIR\orvane-panel.exe" 0
  ; The guides as pages: Windows opens .html, not .md.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\User Guide.lnk" "$INSTDIR\docs\USER-GUIDE.html"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Skin Guide.lnk" "$INSTDIR\docs\SKINS.html"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "Software\Orvane\${PRODUCT}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "Orvane Panel developers"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\orvane-panel.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  ; Only folders left empty go: anything the user put there stays.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Orvane Device Simulator.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\User Guide.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Skin Guide.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  DeleteRegKey HKLM "${UNINST_KEY}"
  DeleteRegKey HKLM "Software\Orvane\${PRODUCT}"
  DeleteRegKey /ifempty HKLM "Software\Orvane"
SectionEnd
