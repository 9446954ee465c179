; The Windows installer: the window and the loader in Program Files\Brenvik
; with the README, the copyright and two sample files, a Start-menu entry for
; the window, and an uninstaller that Add/Remove Programs lists. /S installs
; and uninstalls without a question.
;
; packaging/windows/CMakeLists.txt calls it with the files as
; `cmake --install` stages them:
;   makensis -WX -DVERSION=1.0 -DVERSION_QUAD=1.0.0.0 -DSTAGE=<staged files>
;            -DICON=<brenvik.ico> -DOUTFILE=<setup.exe> brenvik.nsi

!ifndef VERSION | VERSION_QUAD | STAGE | ICON | OUTFILE
  !error "makensis needs -DVERSION, -DVERSION_QUAD, -DSTAGE, -DICON and -DOUTFILE"
!endif

; A 64-bit installer starts only on 64-bit Windows, and there Program Files and
; the registry are the 64-bit ones without any view switching.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brenvik"
!define PUBLISHER "Brenvik developers"

Name "Brenvik ${VERSION}"
BrandingText "Brenvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Brenvik"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Brenvik"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Brenvik ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "2026 ${PUBLISHER}"

!include MUI2.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\brenvik.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Brenvik"

!insertmacro MUI_PAGE_LICENSE "${STAGE}\copyright.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; For every user of the machine: the Start-menu entry goes into the common
; Programs folder, as the registry entry goes into HKLM.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Brenvik"
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\brenvik.exe"
  File "${STAGE}\brenvik-load.exe"
  File "${STAGE}\brenvik-report.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\copyright.txt"
  SetOutPath "$INSTDIR\samples"
  File "${STAGE}\samples\sample-db.csv"
  File "${STAGE}\samples\sample-mmi.csv"

  ; The shortcut starts the window in the install folder (the last SetOutPath).
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Brenvik.lnk" "$INSTDIR\brenvik.exe" "" "$INSTDIR\brenvik.exe" 0

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brenvik"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\brenvik.exe,0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; Add/Remove Programs shows the size in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only the files the installer put there, so that an install folder chosen
; badly (a folder of other programs) loses nothing else; the folder itself
; goes last, and only when it is empty.
Section "Uninstall"
  Delete "$SMPROGRAMS\Brenvik.lnk"
  Delete "$INSTDIR\brenvik.exe"
  Delete "$INSTDIR\brenvik-load.exe"
  Delete "$INSTDIR\brenvik-report.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\copyright.txt"
  Delete "$INSTDIR\samples\sample-db.csv"
  Delete "$INSTDIR\samples\sample-mmi.csv"
  RMDir "$INSTDIR\samples"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  RMDir "$INSTDIR"
SectionEnd
