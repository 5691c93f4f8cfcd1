; The Windows installer of VKTGeraInstallBD (NSIS 3, Unicode, Modern UI 2).
; Made by the build (cmake/windows.cmake, target "installer";
; scripts/build-installer):
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=3.3.0 -DBUILD=<build folder>
;            -DSOURCE=<source folder> -DOUTFILE=<setup.exe>
;            -DDOCS=<docs-files.nsh> VKTGeraInstallBD.nsi
;
; <build folder>\installer\README-Windows.txt is the README with CR LF line
; ends (written by the build from data/windows/README-Windows.txt).
;
; Installs for the whole machine (64-bit Program Files):
;   $PROGRAMFILES64\VKTGeraInstallBD\   VKTGeraInstallBD.exe, vktgera.exe,
;                                       README-Windows.txt, examples\pedidos,
;                                       uninstall.exe
;   Start menu (all users)              VKTGeraInstallBD.lnk, the window
;   %PROGRAMDATA%\VKTGeraInstallBD\     the machine's configuration: when none
;                                       is there, one that names the installed
;                                       example, its docs\ORACLE and
;                                       docs\SQLSERVER, and "pacote" below it
;                                       for the package
;   HKLM ...\Uninstall\VKTGeraInstallBD "Apps & features", and what the
;                                       uninstaller needs to know: the
;                                       installer's language, whether it wrote
;                                       the configuration, whether it added
;                                       the program's folder to PATH
;   HKCU\Environment Path               the program's folder appended, once
;                                       (option "PATH", on by default), for
;                                       the user who runs the installer
;
; The pages speak Brazilian Portuguese, or English where Windows is in
; another language (NSIS picks by the user's UI language; the first language
; below is the one taken when none matches). The uninstaller speaks the
; installer's language. /S installs and uninstalls silently, with the
; default options.
;
; The uninstaller removes what it installed: the programs, the example, the
; Start-menu entry, the program's PATH entry (only that entry, the rest of
; the value as it is), the key HKCU\Software\VKTGeraInstallBD the window
; writes (for the user who runs the uninstaller), the uninstall key. The
; machine's configuration it removes only when the installer wrote it and it
; has not been changed since (the same last-write time): a configuration
; someone wrote or edited stays, with its docs; so do packages written below
; it and anything else added to the folders. What stays is named in the
; uninstaller's details ("Mantido: ...").

Unicode true
; A 64-bit installer: it starts on 64-bit Windows only, and sees the 64-bit
; registry and folders without redirection.
Target amd64-unicode
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"
!include "${DOCS}"

!define PRODUCT "VKTGeraInstallBD"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The window's own key (the last configuration chosen).
!define USER_KEY "Software\${PRODUCT}"
!define ENVIRONMENT_KEY "Environment"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "VKT"
VIAddVersionKey /LANG=0 "LegalCopyright" "VKT"

!define MUI_ICON "${SOURCE}/data/windows/VKTGeraInstallBD.ico"
!define MUI_UNICON "${SOURCE}/data/windows/VKTGeraInstallBD.ico"
!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
; The options' names in full, their description below them.
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_RUN "$INSTDIR\VKTGeraInstallBD.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README-Windows.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
; The details stay on screen: they name what was kept.
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

; English first: the language of a Windows that speaks neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "PortugueseBR"

LangString SectionProgram ${LANG_ENGLISH} "${PRODUCT}"
LangString SectionProgram ${LANG_PORTUGUESEBR} "${PRODUCT}"
LangString SectionPath ${LANG_ENGLISH} "Add vktgera to PATH"
LangString SectionPath ${LANG_PORTUGUESEBR} "Adicionar o vktgera ao PATH"
LangString DescriptionProgram ${LANG_ENGLISH} \
  "The window, the command line vktgera.exe, the example PEDIDOS and a Start-menu entry."
LangString DescriptionProgram ${LANG_PORTUGUESEBR} \
  "A janela, a linha de comando vktgera.exe, o exemplo PEDIDOS e um atalho no menu Iniciar."
LangString DescriptionPath ${LANG_ENGLISH} \
  "Adds the program's folder to your PATH: vktgera then runs in any new Command Prompt or PowerShell."
LangString DescriptionPath ${LANG_PORTUGUESEBR} \
  "Acrescenta a pasta do programa ao seu PATH: o vktgera passa a funcionar em qualquer novo Prompt de Comando ou PowerShell."
LangString FinishText ${LANG_ENGLISH} \
  "$(^NameDA) has been installed on your computer.$\r$\n$\r$\nWith the PATH option, vktgera runs in any new Command Prompt or PowerShell.$\r$\n$\r$\nClick Finish to close Setup."
LangString FinishText ${LANG_PORTUGUESEBR} \
  "O $(^NameDA) foi instalado no seu computador.$\r$\n$\r$\nCom a opção do PATH, o vktgera funciona em qualquer novo Prompt de Comando ou PowerShell.$\r$\n$\r$\nClique em Concluir para fechar o instalador."
LangString PathAdded ${LANG_ENGLISH} "Added to the user's PATH: "
LangString PathAdded ${LANG_PORTUGUESEBR} "Acrescentado ao PATH do usuário: "
LangString PathPresent ${LANG_ENGLISH} "Already in the user's PATH: "
LangString PathPresent ${LANG_PORTUGUESEBR} "Já está no PATH do usuário: "
LangString PathRemoved ${LANG_ENGLISH} "Removed from the user's PATH: "
LangString PathRemoved ${LANG_PORTUGUESEBR} "Removido do PATH do usuário: "
LangString PathTooLong ${LANG_ENGLISH} \
  "The user's PATH is too long to be changed here; change it by hand: "
LangString PathTooLong ${LANG_PORTUGUESEBR} \
  "O PATH do usuário é longo demais para ser alterado aqui; altere-o à mão: "
LangString Kept ${LANG_ENGLISH} "Kept: "
LangString Kept ${LANG_PORTUGUESEBR} "Mantido: "
LangString KeptConfiguration ${LANG_ENGLISH} " (not written by the installer, or changed since)"
LangString KeptConfiguration ${LANG_PORTUGUESEBR} " (não foi escrito pelo instalador ou foi alterado)"

; The machine's configuration folder (with SetShellVarContext all, $APPDATA
; is %PROGRAMDATA%).
!define CONFIG_DIR "$APPDATA\${PRODUCT}"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallerLanguage"
  ${If} $0 != ""
    StrCpy $LANGUAGE $0
  ${EndIf}
FunctionEnd

; ---- the user's PATH ---------------------------------------------------------
;
; HKCU\Environment Path is read and written whole. Its type stays what it
; was (REG_EXPAND_SZ as Windows makes it, or REG_SZ); a value the installer
; creates is REG_EXPAND_SZ. NSIS strings hold NSIS_MAX_STRLEN characters: a
; longer value would come back cut, so such a value is never written back.
; Recorded in the uninstall key: PathAdded (1 when the installer added the
; entry), PathAppended (the exact text appended, with its ";"), PathCreated
; (1 when there was no value before).

; The longest value read whole: one that fills the string may have been cut.
!define /math PATH_LONGEST ${NSIS_MAX_STRLEN} - 2

; $R0 the value, $R1 its type: 1 REG_SZ, 2 REG_EXPAND_SZ, 0 no value, -1 a
; value that cannot be read whole (ReadRegStr gives "" for one longer than
; its buffer) and must be left alone.
!macro ReadUserPath
  ; RRF_RT_ANY | RRF_NOEXPAND: the type, whatever it is, without expanding.
  System::Call "advapi32::RegGetValueW(p 0x80000001, w '${ENVIRONMENT_KEY}', w 'Path', \
                i 0x1000FFFF, *i .R1, p 0, p 0) i .R2"
  ${If} $R2 <> 0
    StrCpy $R1 0
  ${EndIf}
  ClearErrors
  ReadRegStr $R0 HKCU "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
  ${AndIf} $R1 <> 0
    StrCpy $R1 -1
  ${EndIf}
  StrLen $R2 $R0
  ${If} $R2 > ${PATH_LONGEST}
    StrCpy $R1 -1
  ${EndIf}
!macroend

; Writes $R0 as the value, of type $R1, and tells the running programs (a
; new Command Prompt started from Explorer sees it).
!macro WriteUserPath
  ${If} $R1 == 1
    WriteRegStr HKCU "${ENVIRONMENT_KEY}" "Path" $R0
  ${Else}
    WriteRegExpandStr HKCU "${ENVIRONMENT_KEY}" "Path" $R0
  ${EndIf}
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
!macroend

; Finds the program's entry in the value $R0: $R3 its first character, $R4
; the one after it (its ";" or the end), $R3 = -1 when the value has none.
; Entries compare without regard to letter case, with or without a final
; "\", as Windows does.
!macro DefineFindPathEntry _PREFIX
  Function ${_PREFIX}FindPathEntry
    StrLen $R5 $R0
    StrCpy $R3 0
    StrCpy $R4 0
    ${Do}
      ${If} $R4 < $R5
        StrCpy $R6 $R0 1 $R4
        ${If} $R6 != ";"
          IntOp $R4 $R4 + 1
          ${Continue}
        ${EndIf}
      ${EndIf}
      IntOp $R7 $R4 - $R3
      StrCpy $R6 $R0 $R7 $R3
      ${If} $R6 == $INSTDIR
      ${OrIf} $R6 == "$INSTDIR\"
        Return
      ${EndIf}
      ${If} $R4 >= $R5
        StrCpy $R3 -1
        Return
      ${EndIf}
      IntOp $R4 $R4 + 1
      StrCpy $R3 $R4
    ${Loop}
  FunctionEnd
!macroend
!insertmacro DefineFindPathEntry ""
!insertmacro DefineFindPathEntry "un."

Function AddToPath
  !insertmacro ReadUserPath
  Call FindPathEntry
  ${If} $R3 >= 0
    DetailPrint "$(PathPresent)$INSTDIR"
    ; Added by an earlier install, it stays this install's.
    ReadRegDWORD $R9 HKLM "${UNINSTALL_KEY}" "PathAdded"
    ${If} $R9 <> 1
      WriteRegDWORD HKLM "${UNINSTALL_KEY}" "PathAdded" 0
    ${EndIf}
    Return
  ${EndIf}
  StrCpy $R8 ";$INSTDIR"
  StrCpy $R6 $R0 "" -1
  ${If} $R0 == ""
  ${OrIf} $R6 == ";"
    StrCpy $R8 $INSTDIR
  ${EndIf}
  StrLen $R5 $R0
  StrLen $R6 $R8
  IntOp $R6 $R6 + $R5
  ${If} $R1 < 0
  ${OrIf} $R6 > ${PATH_LONGEST}
    DetailPrint "$(PathTooLong)$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "PathAdded" 0
    Return
  ${EndIf}
  ${If} $R1 == 0
    StrCpy $R1 2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "PathCreated" 1
  ${EndIf}
  StrCpy $R0 "$R0$R8"
  !insertmacro WriteUserPath
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "PathAdded" 1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "PathAppended" $R8
  DetailPrint "$(PathAdded)$INSTDIR"
FunctionEnd

; Takes out the entry the installer added, and nothing else: the text it
; appended when the value still ends with it (so the value is again what it
; was, byte for byte), else the entry with one of its separators.
!macro DefineRemoveFromPath _PREFIX
  Function ${_PREFIX}RemoveFromPath
    ReadRegDWORD $R9 HKLM "${UNINSTALL_KEY}" "PathAdded"
    ${If} $R9 <> 1
      Return
    ${EndIf}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "PathAdded" 0
    !insertmacro ReadUserPath
    ${If} $R1 == 0
      Return
    ${EndIf}
    ${If} $R1 < 0
      DetailPrint "$(PathTooLong)$INSTDIR"
      Return
    ${EndIf}
    StrLen $R5 $R0
    ReadRegStr $R8 HKLM "${UNINSTALL_KEY}" "PathAppended"
    StrLen $R6 $R8
    StrCpy $R7 $R0 "" -$R6
    ${If} $R6 > 0
    ${AndIf} $R7 S== $R8
      IntOp $R6 $R5 - $R6
      StrCpy $R0 $R0 $R6
    ${Else}
      Call ${_PREFIX}FindPathEntry
      ${If} $R3 < 0
        Return
      ${EndIf}
      ; The text after the entry, its ";" included.
      StrCpy $R8 $R0 "" $R4
      ${If} $R3 > 0
        IntOp $R3 $R3 - 1
        StrCpy $R0 $R0 $R3
        StrCpy $R0 "$R0$R8"
      ${Else}
        StrCpy $R0 $R8 "" 1
      ${EndIf}
    ${EndIf}
    ReadRegDWORD $R9 HKLM "${UNINSTALL_KEY}" "PathCreated"
    ${If} $R0 == ""
    ${AndIf} $R9 = 1
      DeleteRegValue HKCU "${ENVIRONMENT_KEY}" "Path"
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${Else}
      !insertmacro WriteUserPath
    ${EndIf}
    DetailPrint "$(PathRemoved)$INSTDIR"
  FunctionEnd
!macroend
!insertmacro DefineRemoveFromPath ""
!insertmacro DefineRemoveFromPath "un."

; ---- install -------------------------------------------------------------------

Section "!$(SectionProgram)" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BUILD}/VKTGeraInstallBD.exe"
  File "${BUILD}/vktgera.exe"
  File "${BUILD}/installer/README-Windows.txt"
  SetOutPath "$INSTDIR\examples\pedidos"
  File /r "${SOURCE}/examples/pedidos/*.*"
  SetOutPath "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\VKTGeraInstallBD.exe" "" \
                 "$INSTDIR\VKTGeraInstallBD.exe" 0

  ; The machine's configuration, only where there is none.
  CreateDirectory "${CONFIG_DIR}"
  ${IfNot} ${FileExists} "${CONFIG_DIR}\VKTGeraInstallBD.ini"
    !insertmacro InstallDocs "${CONFIG_DIR}"
    FileOpen $0 "${CONFIG_DIR}\VKTGeraInstallBD.ini" w
    FileWrite $0 "; The machine's configuration, written by the installer of ${PRODUCT} ${VERSION}.$\r$\n"
    FileWrite $0 "; It names the example installed with the program; the package is written$\r$\n"
    FileWrite $0 "; to the folder pacote beside this file. Edited, it is kept at uninstall.$\r$\n"
    FileWrite $0 "[GERAL]$\r$\nREPOSITORIO=PEDIDOS$\r$\n$\r$\n[PEDIDOS]$\r$\nSISTEMA=PEDIDOS$\r$\n"
    FileWrite $0 "PathOrigem=$INSTDIR\examples\pedidos\repositorio$\r$\n"
    FileWrite $0 "PathDestino=pacote$\r$\n"
    FileWrite $0 "ArqConfigIni=$INSTDIR\examples\pedidos\repositorio\ArquivosInstalacao.ini$\r$\n"
    FileClose $0
    GetFileTime "${CONFIG_DIR}\VKTGeraInstallBD.ini" $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "ConfigurationWritten" "$1 $2"
  ${EndIf}
  CreateDirectory "${CONFIG_DIR}\pacote"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VKT"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\VKTGeraInstallBD.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallerLanguage" "$LANGUAGE"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "$(SectionPath)" SectionPath
  Call AddToPath
SectionEnd

; An install over an earlier one without the PATH option takes back the
; entry that one added.
Section "-PathNotWanted"
  ${IfNot} ${SectionIsSelected} ${SectionPath}
    Call RemoveFromPath
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionProgram} $(DescriptionProgram)
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionPath} $(DescriptionPath)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---- uninstall -----------------------------------------------------------------

; A line in the details for $0 when it is still there ($1 says why).
Function un.ReportKept
  ${If} ${FileExists} $0
    DetailPrint "$(Kept)$0$1"
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Delete "$INSTDIR\VKTGeraInstallBD.exe"
  Delete "$INSTDIR\vktgera.exe"
  Delete "$INSTDIR\README-Windows.txt"
  RMDir /r "$INSTDIR\examples\pedidos"
  RMDir "$INSTDIR\examples"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Call un.RemoveFromPath
  DeleteRegKey HKCU "${USER_KEY}"

  ; The configuration the installer wrote goes when it is unchanged; its docs
  ; go with it, or after it when someone deleted it.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ConfigurationWritten"
  ${If} $0 != ""
    ${If} ${FileExists} "${CONFIG_DIR}\VKTGeraInstallBD.ini"
      GetFileTime "${CONFIG_DIR}\VKTGeraInstallBD.ini" $1 $2
      ${If} "$1 $2" == $0
        Delete "${CONFIG_DIR}\VKTGeraInstallBD.ini"
      ${EndIf}
    ${EndIf}
    ${IfNot} ${FileExists} "${CONFIG_DIR}\VKTGeraInstallBD.ini"
      !insertmacro RemoveDocs "${CONFIG_DIR}"
    ${EndIf}
  ${EndIf}
  ; Empty folders only: a package or a file of someone's stays.
  RMDir "${CONFIG_DIR}\pacote"
  RMDir "${CONFIG_DIR}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  StrCpy $0 "${CONFIG_DIR}\VKTGeraInstallBD.ini"
  StrCpy $1 "$(KeptConfiguration)"
  Call un.ReportKept
  StrCpy $1 ""
  StrCpy $0 "${CONFIG_DIR}\docs"
  Call un.ReportKept
  StrCpy $0 "${CONFIG_DIR}\pacote"
  Call un.ReportKept
  ${IfNot} ${FileExists} "${CONFIG_DIR}\VKTGeraInstallBD.ini"
  ${AndIfNot} ${FileExists} "${CONFIG_DIR}\docs"
  ${AndIfNot} ${FileExists} "${CONFIG_DIR}\pacote"
    StrCpy $0 "${CONFIG_DIR}"
    Call un.ReportKept
  ${EndIf}
  StrCpy $0 "$INSTDIR"
  Call un.ReportKept
SectionEnd
