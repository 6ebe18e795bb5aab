; The setup program vindeleo-VERSION-setup.exe: puts Vindeleo's files into the
; folder of the timetable program Morvalen (which starts vindeleo.exe from
; there and reads its result Morvalen.ini there), with the uninstaller, the
; Start menu entries and the entry among the installed programs. Over an
; earlier Vindeleo it proposes that one's folder and replaces it in place.
;
; Silent use: vindeleo-VERSION-setup.exe /S [/D=FOLDER]
; (/D= last on the line; without it, the earlier Vindeleo's folder or the
; default below).
;
; make-setup.sh also defines VINDELEO_FILES (the folder of the four files) and
; VINDELEO_UNINSTALLER_BUILT (uninstall.nsi, compiled).

!include "vindeleo.nsh"
!include MUI2.nsh

; Where Morvalen usually is; the folder page names it.
!define DEFAULT_FOLDER "C:\Morvalen"

Name "${PRODUCT} ${VINDELEO_VERSION}"
OutFile "${VINDELEO_OUTPUT}"
InstallDir "${DEFAULT_FOLDER}"
; An earlier Vindeleo's folder, from its entry among the installed programs.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VINDELEO_VERSION}"
ShowInstDetails show
; A file that cannot be written stops the installation rather than being skipped.
AllowSkipFiles off

Var EarlierFolder
Var EarlierVersion
Var FolderProposal

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "Instalación de Vindeleo ${VINDELEO_VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Vindeleo pasa los datos del centro entre Siravel y el programa de horarios Morvalen.$\r$\n$\r$\nEste asistente instala Vindeleo ${VINDELEO_VERSION} en la carpeta de Morvalen, lo añade al menú Inicio y a la lista de programas instalados. Si ya hay una versión anterior de Vindeleo, la reemplaza en su misma carpeta.$\r$\n$\r$\nAntes de seguir, cierre Vindeleo.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "Carpeta de Morvalen"
!define MUI_PAGE_HEADER_SUBTEXT "Elija la carpeta donde está instalado Morvalen."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Vindeleo se instala en la carpeta del programa de horarios Morvalen: Morvalen abre vindeleo.exe desde esa carpeta y lee allí el resultado de cada trabajo, el archivo Morvalen.ini.$\r$\n$\r$\n$FolderProposal"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Carpeta de Morvalen"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "Vindeleo ${VINDELEO_VERSION} está instalado"
!define MUI_FINISHPAGE_TEXT "Vindeleo está instalado en $INSTDIR. Morvalen lo abre cuando usted pide importar o exportar; también está en el menú Inicio.$\r$\n$\r$\nPresione Terminar para cerrar este asistente."
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\SIRAVEL.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Abrir la ayuda de Vindeleo"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro VINDELEO_VERSION_INFO "Instalación de Vindeleo"

Function .onInit
  SetShellVarContext all
  !insertmacro VINDELEO_REQUIRE_ADMINISTRATOR "Para instalar Vindeleo hacen falta permisos de administrador.$\r$\n$\r$\nAbra el programa de instalación con el botón derecho del ratón y «Ejecutar como administrador»."
  ; The folder from /D= or the earlier Vindeleo's entry, spelt as Windows does.
  Push $INSTDIR
  Call LongPath
  Pop $INSTDIR
  ReadRegStr $EarlierFolder HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $EarlierVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ; What the folder page proposes, and why.
  ${If} $EarlierFolder != ""
    StrCpy $FolderProposal "Ya está instalado Vindeleo $EarlierVersion en $EarlierFolder: se propone esa carpeta, para reemplazarlo. Para instalarlo en otra carpeta, presione Examinar."
  ${Else}
    StrCpy $FolderProposal "Se propone ${DEFAULT_FOLDER}. Si Morvalen está en otra carpeta, presione Examinar y elíjala."
  ${EndIf}
FunctionEnd

Function FolderPageLeave
  Call VindeleoRunsInFolder
  Pop $0
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${RUNNING_MESSAGE}"
    Abort
  ${EndIf}
FunctionEnd

!macro INSTALL_FILE NAME
  File "${VINDELEO_FILES}\${NAME}"
!macroend

!macro CREATE_SHORTCUT NAME TARGET ARGUMENTS
  CreateShortcut "${START_MENU_FOLDER}\${NAME}.lnk" "$INSTDIR\${TARGET}" "${ARGUMENTS}" "$INSTDIR\vindeleo.exe" 0
!macroend

; The size of one installed file, in bytes, added to $1.
!macro ADD_SIZE NAME
  ${GetSize} "$INSTDIR" "/M=${NAME} /S=0B /G=0" $2 $3 $4
  IntOp $1 $1 + $2
!macroend
!include FileFunc.nsh

Section "Vindeleo"
  ; Checked again here: a silent installation has no folder page, and the
  ; program may have been started since.
  Call VindeleoRunsInFolder
  Pop $0
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONSTOP "${RUNNING_MESSAGE}" /SD IDOK
    DetailPrint "Vindeleo está abierto desde $INSTDIR: no se instala."
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}

  SetOutPath "$INSTDIR"
  !insertmacro VINDELEO_FOR_EACH_FILE INSTALL_FILE
  File "/oname=${UNINSTALLER}" "${VINDELEO_UNINSTALLER_BUILT}"

  ; The folder as Windows spells it: the uninstaller compares it with its own.
  Push "$INSTDIR"
  Call LongPath
  Pop $INSTDIR

  StrCpy $1 0
  !insertmacro VINDELEO_FOR_EACH_FILE ADD_SIZE
  !insertmacro ADD_SIZE "${UNINSTALLER}"
  IntOp $1 $1 / 1024

  ; One entry, whichever version was there before.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ClearErrors
  SetOutPath "$INSTDIR"  ; the entries' working folder
  CreateDirectory "${START_MENU_FOLDER}"
  !insertmacro VINDELEO_FOR_EACH_SHORTCUT CREATE_SHORTCUT
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VINDELEO_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vindeleo.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "No se pudo completar la instalación en $INSTDIR." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}
SectionEnd
