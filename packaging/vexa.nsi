; The Vexa setup program, made by tools/package.sh with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder of the files> -DFILES=<files.nsh>
;            -DOUTFILE=<setup.exe> -DICON=<vexa.ico> packaging/vexa.nsi
; A per-user install without administrator rights into
; %LOCALAPPDATA%\Programs\Vexa: a Start-menu shortcut, an uninstaller beside
; the program registered under HKCU, and "Open with Vexa" for .syx files
; that leaves the files' default program alone. /S installs and uninstalls
; silently. The uninstaller removes what was installed and registered and
; keeps the program's settings (HKCU\Software\Bramwick\Vexa).
;
; FILES is written by package.sh from the staged files: the macros
; InstallFiles and UninstallFiles name every file and folder one by one, so
; the uninstaller removes exactly what was installed and nothing the user
; put into the folder.

; TARGET is x86-unicode (the default: the setup program of the 32-bit build)
; or amd64-unicode (of a 64-bit build).
!ifndef TARGET
    !define TARGET x86-unicode
!endif
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vexa"
; The ProgID that .syx files list under OpenWithProgids: it adds Vexa to their
; "Open with" menu without becoming their default program.
!define PROGID "Vexa.SysExBank"
!define SHCNE_ASSOCCHANGED 0x08000000

Name "Vexa ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Vexa"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Vexa ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Vexa"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "Vexa ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Bramwick"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Bramwick"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vexa.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\docs\user-guide.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the user guide"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Vexa"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    CreateShortCut "$SMPROGRAMS\Vexa.lnk" "$INSTDIR\Vexa.exe" "" "$INSTDIR\Vexa.exe" 0

    ; "Open with" for .syx: a ProgID of our own listed under the extension's
    ; OpenWithProgids, and the application's own key with the types it opens.
    ; The extension's default value (its default program) is not written.
    WriteRegStr HKCU "Software\Classes\${PROGID}" "" "System Exclusive bank"
    WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" '"$INSTDIR\Vexa.exe",0'
    WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\Vexa.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\.syx\OpenWithProgids" "${PROGID}" ""
    WriteRegStr HKCU "Software\Classes\Applications\Vexa.exe" "FriendlyAppName" "Vexa"
    WriteRegStr HKCU "Software\Classes\Applications\Vexa.exe\shell\open\command" "" '"$INSTDIR\Vexa.exe" "%1"'
    WriteRegStr HKCU "Software\Classes\Applications\Vexa.exe\SupportedTypes" ".syx" ""

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vexa"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Bramwick"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Vexa.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Vexa.lnk"

    DeleteRegKey HKCU "Software\Classes\${PROGID}"
    DeleteRegKey HKCU "Software\Classes\Applications\Vexa.exe"
    DeleteRegValue HKCU "Software\Classes\.syx\OpenWithProgids" "${PROGID}"
    DeleteRegKey /ifempty HKCU "Software\Classes\.syx\OpenWithProgids"
    DeleteRegKey /ifempty HKCU "Software\Classes\.syx"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; HKCU\Software\Bramwick\Vexa, the program's settings, stays.

    !insertmacro UninstallFiles
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"

    System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
SectionEnd
