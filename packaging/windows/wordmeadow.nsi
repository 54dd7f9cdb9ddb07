; The Wordmeadow setup program. Built by the wordmeadow_setup target
; (packaging/windows/WindowsPackages.cmake), which hands over GENERATED: an include file with the
; version, the publisher, the paths of the program and icon, and the recordings by name.
;
; Installs for the current user by default (%LOCALAPPDATA%\Programs\Wordmeadow, no administrator),
; or for everyone (Program Files, as an administrator) when chosen on the first page or with
; /AllUsers. Also: /CurrentUser, /S (silent), /D=<folder> (last).
;
; Never into the folder of Wordmeadow's MSI install (known by the MSI's UpgradeCode): the two
; would share files, and removing either would take the other's. Silently it then ends with
; status 1638 ("another version of this product is already installed").

Unicode true
Target amd64-unicode

!include "${GENERATED}"
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wordmeadow"

Name "Wordmeadow"
OutFile "${OUTFILE}"
; Empty, so that .onInit can tell a folder given with /D= from none.
InstallDir ""
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestSupportedOS all
ManifestDPIAware true
BrandingText "Wordmeadow ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "Wordmeadow"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Wordmeadow ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}, MIT License"

Var AllUsers   ; 1: for everyone (Program Files, HKLM); 0: for the current user only
Var DirGiven   ; 1: the folder came from /D= and stays whatever the mode
Var JustMe     ; the page's two choices
Var Everyone

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

Page custom ModePage ModePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE RefuseMsiFolder
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup will install Wordmeadow in the folder below.$\r$\n$\r$\nIf Wordmeadow is already there, the program is updated and every recording in the folder is kept as it is: a recording you replaced with your own voice stays yours."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\wordmeadow.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Wordmeadow"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; $0 = 1 when this process runs as an administrator (elevated), else 0.
!macro IsAdmin un
Function ${un}IsAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IsAdmin ""
!insertmacro IsAdmin "un."

; Where the shell folders ($SMPROGRAMS, $DESKTOP) and SHCTX point: everyone's or this user's.
!macro ApplyMode un
Function ${un}ApplyMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd
!macroend
!insertmacro ApplyMode ""
!insertmacro ApplyMode "un."

; $R9 = the folder of Wordmeadow's MSI install on this machine, without a trailing "\", or ""
; when there is none. Every version of the MSI has the same UpgradeCode; versions from 1.0 on
; name their folder as the install location, and 1.0 installed into Program Files.
!macro MsiFolder un
Function ${un}MsiFolder
  StrCpy $R9 ""
  System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r0) i.r1'
  ${If} $1 = 0
    System::Call 'msi::MsiGetProductInfoW(w r0, w "InstallLocation", w .r1, *i ${NSIS_MAX_STRLEN}) i.r2'
    ${If} $2 = 0
      StrCpy $R9 $1
    ${EndIf}
    ${If} $R9 == ""
      StrCpy $R9 "$PROGRAMFILES64\Wordmeadow"
    ${EndIf}
    StrCpy $1 $R9 1 -1
    ${If} $1 == "\"
      StrCpy $R9 $R9 -1
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro MsiFolder ""
!insertmacro MsiFolder "un."

; Leaving the folder page, and before a silent install: not the MSI's folder.
Function RefuseMsiFolder
  Call MsiFolder
  ${If} $R9 != ""
  ${AndIf} $R9 == $INSTDIR
    ${If} ${Silent}
      SetErrorLevel 1638
      Quit
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION|MB_OK "Wordmeadow is already installed in $R9 for everyone on this computer, from the MSI package that school IT uses; a newer MSI updates it.$\r$\n$\r$\nTo have a copy of your own, go back and choose $\"Just for me$\", or choose another folder."
    Abort
  ${EndIf}
FunctionEnd

; The folder for the mode: where Wordmeadow already is, or the usual place.
Function DefaultFolder
  ${If} $DirGiven == 1
    Return
  ${EndIf}
  SetShellVarContext current  ; $LOCALAPPDATA is the user's own
  ${If} $AllUsers == 1
    ReadRegStr $INSTDIR HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\Wordmeadow"
    ${EndIf}
  ${Else}
    ReadRegStr $INSTDIR HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Wordmeadow"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $DirGiven 0
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${EndIf}
  ; The mode: the command line's; else that of an install already there; else this user.
  StrCpy $AllUsers 0
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AllUsers" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${Else}
    ClearErrors
    ${GetOptions} $R0 "/CurrentUser" $R1
    ${If} ${Errors}
      ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
      ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
      ${If} $R1 == ""
      ${AndIf} $R2 != ""
        StrCpy $AllUsers 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Call DefaultFolder
  ${If} ${Silent}
    Call RefuseMsiFolder
  ${EndIf}
  ; Silently, nobody can answer an elevation prompt: for everyone needs an administrator's
  ; command line, else the exit status says so (740, "elevation required").
  ${If} ${Silent}
  ${AndIf} $AllUsers == 1
    Call IsAdmin
    ${If} $0 != 1
      SetErrorLevel 740
      Quit
    ${EndIf}
  ${EndIf}
  Call ApplyMode
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "Who is Wordmeadow for?" "Install it for yourself, or for everyone who uses this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "&Just for me (recommended; no administrator needed)"
  Pop $JustMe
  ${NSD_CreateLabel} 12u 14u -12u 20u "Into my own programs folder. Only I find it in my Start menu."
  Pop $0
  ${NSD_CreateRadioButton} 0 42u 100% 12u "For &everyone who uses this computer"
  Pop $Everyone
  ${NSD_CreateLabel} 12u 56u -12u 20u "Into Program Files, for every user's Start menu. Windows asks for an administrator."
  Pop $0
  ${If} $AllUsers == 1
    ${NSD_Check} $Everyone
  ${Else}
    ${NSD_Check} $JustMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $Everyone $0
  ${If} $0 == ${BST_CHECKED}
    Call IsAdmin
    ${If} $0 != 1
      ; Setup starts again as an administrator, and this copy ends.
      StrCpy $1 "/AllUsers"
      ${If} $DirGiven == 1
        StrCpy $1 "$1 /D=$INSTDIR"
      ${EndIf}
      ClearErrors
      ExecShell "runas" "$EXEPATH" "$1"
      ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION|MB_OK "Installing for everyone needs an administrator. Choose $\"Just for me$\", or ask whoever looks after this computer."
        Abort
      ${EndIf}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call DefaultFolder
  Call ApplyMode
FunctionEnd

Section "Wordmeadow" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=wordmeadow.exe" "${PROGRAM}"
  File "/oname=${ABOUT_PAGE}" "${ABOUT_PAGE_FILE}"
  ; A recording already in the folder is never overwritten: a parent may have recorded it.
  SetOverwrite off
  !insertmacro InstallRecordings
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Wordmeadow.lnk" "$INSTDIR\wordmeadow.exe" "" "$INSTDIR\wordmeadow.exe" 0

  ; The entry in Apps & features: HKCU for one user, HKLM for everyone (SHCTX follows the mode).
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Wordmeadow"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\wordmeadow.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${PUBLISHER_URL}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  CreateShortcut "$DESKTOP\Wordmeadow.lnk" "$INSTDIR\wordmeadow.exe" "" "$INSTDIR\wordmeadow.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program and its recordings, with a Start-menu shortcut."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut on the desktop too."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  ; An install for everyone is the one whose entry in HKLM names this folder.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    Call un.IsAdmin
    ${If} $0 != 1
      ${If} ${Silent}
        SetErrorLevel 740
        Quit
      ${EndIf}
      ; The uninstaller starts again as an administrator, and this copy ends.
      ClearErrors
      ExecShell "runas" "$EXEPATH" "_?=$INSTDIR"
      ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION|MB_OK "Wordmeadow was installed for everyone: removing it needs an administrator."
      ${EndIf}
      Quit
    ${EndIf}
  ${EndIf}
  Call un.ApplyMode
FunctionEnd

; $R3 = the SHA-256 of the file $R0 in small hex digits, or "" when it cannot be read.
Function un.FileSha256
  StrCpy $R3 ""
  System::Call 'kernel32::CreateFileW(w R0, i 0x80000000, i 1, p 0, i 3, i 0x80, p 0) p.r0'
  ${If} $0 = -1
    Return
  ${EndIf}
  ; PROV_RSA_AES, CRYPT_VERIFYCONTEXT; CALG_SHA_256
  System::Call 'advapi32::CryptAcquireContextW(*p .r1, p 0, p 0, i 24, i 0xF0000000) i.r9'
  ${If} $9 <> 0
    System::Call 'advapi32::CryptCreateHash(p r1, i 0x800C, p 0, i 0, *p .r2) i.r9'
    ${If} $9 <> 0
      System::Alloc 65536
      Pop $3
      ${Do}
        System::Call 'kernel32::ReadFile(p r0, p r3, i 65536, *i .r4, p 0) i.r9'
        ${If} $9 = 0
        ${OrIf} $4 = 0
          ${Break}
        ${EndIf}
        System::Call 'advapi32::CryptHashData(p r2, p r3, i r4, i 0) i.r9'
      ${Loop}
      System::Call 'advapi32::CryptGetHashParam(p r2, i 2, p r3, *i 32, i 0) i.r9'
      ${If} $9 <> 0
        ${For} $5 0 31
          IntPtrOp $6 $3 + $5
          System::Call '*$6(&i1 .r7)'
          IntOp $7 $7 & 0xFF
          IntFmt $7 "%02x" $7
          StrCpy $R3 "$R3$7"
        ${Next}
      ${EndIf}
      System::Free $3
      System::Call 'advapi32::CryptDestroyHash(p r2)'
    ${EndIf}
    System::Call 'advapi32::CryptReleaseContext(p r1, i 0)'
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r0)'
FunctionEnd

; Deletes a recording of the folder if it is still the one setup put there: the same size, then
; the same SHA-256 as when the setup program was built. One a parent recorded in its place
; stays, whatever its length.
Function un.RemoveIfShipped
  Pop $R0  ; the path
  Pop $R1  ; the size
  Pop $R2  ; the SHA-256
  ClearErrors
  FileOpen $0 $R0 r
  ${If} ${Errors}
    Return
  ${EndIf}
  FileSeek $0 0 END $1
  FileClose $0
  ${If} $1 == $R1
    Call un.FileSha256
    ${If} $R3 == $R2
      Delete $R0
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro RemoveIfShipped name size sha256
  Push "${sha256}"
  Push "${size}"
  Push "$INSTDIR\${name}"
  Call un.RemoveIfShipped
!macroend

; Exactly what setup put there; any other file, such as a parent's own recording, stays, and
; so does the folder that holds it. Where Wordmeadow's MSI install has the same folder (a setup
; program of version 1.0 did not look for it), the program, its recordings and the Start-menu
; shortcut are the MSI's too, and stay: only this install's entry and uninstaller go.
Section "Uninstall"
  Call un.MsiFolder
  ${If} $R9 != ""
  ${AndIf} $R9 == $INSTDIR
    DetailPrint "Wordmeadow's MSI install uses this folder too: its files stay."
  ${Else}
    Delete "$INSTDIR\wordmeadow.exe"
    Delete "$INSTDIR\${ABOUT_PAGE}"
    !insertmacro RemoveRecordings
    Delete "$SMPROGRAMS\Wordmeadow.lnk"
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$DESKTOP\Wordmeadow.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
