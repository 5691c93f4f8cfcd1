; The Windows installer of VKTGeraInstallBD (NSIS 3, Unicode). Made by the
; build (cmake/windows.cmake, target "installer"; scripts/build-installer):
;
;   makensis -DVERSION=3.3.0 -DBUILD=<build folder> -DSOURCE=<source folder>
;            -DOUTFILE=<setup.exe> -DDOCS=<docs-files.nsh> VKTGeraInstallBD.nsi
;
; Installs for the whole machine (64-bit Program Files):
;   $PROGRAMFILES64\VKTGeraInstallBD\   VKTGeraInstallBD.exe, vktgera.exe,
;                                       examples\pedidos, uninstall.exe
;   Start menu (all users)              VKTGeraInstallBD.lnk, the window
;   %PROGRAMDATA%\VKTGeraInstallBD\     the machine's configuration: when none
;                                       is there, one that names the installed
;                                       example, its docs\ORACLE and
;                                       docs\SQLSERVER, and "pacote" below it
;                                       for the package
;   HKLM ...\Uninstall\VKTGeraInstallBD "Apps & features"
; /S installs and uninstalls silently.
;
; The uninstaller removes what it installed. The machine's configuration it
; removes only when the installer wrote it and it has not been changed since
; (the same last-write time): a configuration someone wrote or edited stays,
; with its docs; so do packages written below it and anything else added to
; the folder.

Unicode true
; A 64-bit installer: it starts on 64-bit Windows only, and sees the 64-bit
; registry and folders without redirection.
Target amd64-unicode
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${DOCS}"

!define PRODUCT "VKTGeraInstallBD"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
Icon "${SOURCE}/data/windows/VKTGeraInstallBD.ico"
UninstallIcon "${SOURCE}/data/windows/VKTGeraInstallBD.ico"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "VKT"
VIAddVersionKey /LANG=0 "LegalCopyright" "VKT"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

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
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "${BUILD}/VKTGeraInstallBD.exe"
  File "${BUILD}/vktgera.exe"
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
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\VKTGeraInstallBD.exe"
  Delete "$INSTDIR\vktgera.exe"
  RMDir /r "$INSTDIR\examples\pedidos"
  RMDir "$INSTDIR\examples"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "ConfigurationWritten"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "${CONFIG_DIR}\VKTGeraInstallBD.ini"
    GetFileTime "${CONFIG_DIR}\VKTGeraInstallBD.ini" $1 $2
    ${If} "$1 $2" == $0
      Delete "${CONFIG_DIR}\VKTGeraInstallBD.ini"
      !insertmacro RemoveDocs "${CONFIG_DIR}"
    ${EndIf}
  ${EndIf}
  ; Empty folders only: a package or a file of someone's stays.
  RMDir "${CONFIG_DIR}\pacote"
  RMDir "${CONFIG_DIR}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
