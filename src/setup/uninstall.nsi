; The uninstaller vindeleo-desinstalar.exe, which the setup program puts
; beside vindeleo.exe. It removes what the setup program installed in its own
; folder: the four files, itself, and, when that folder is the one registered,
; the Start menu entries and the entry among the installed programs; the
; folder itself only when that leaves it empty. Nothing else of the folder
; (the timetable program's files, Morvalen.ini) nor C:\MTEMP is touched.
;
; Silent use: vindeleo-desinstalar.exe /S
;
; It works in place and ends only when it is done, so its exit code tells how
; it went (an NSIS uninstaller would copy itself away and end at once). A
; running program file cannot be deleted: at the end it starts a copy of
; itself from the temporary folder that waits for it to end, then deletes it
; and the folder if that is empty (the copy itself goes at the next restart,
; as an NSIS uninstaller's own copy does).
;
;   vindeleo-desinstalar.exe /despues-de=PID /D=FOLDER   (that copy's command line)

!include "vindeleo.nsh"
!include MUI2.nsh
!include FileFunc.nsh

Name "${PRODUCT}"
OutFile "${VINDELEO_OUTPUT}"
Caption "Desinstalación de Vindeleo"
BrandingText "${PRODUCT} ${VINDELEO_VERSION}"
InstallButtonText "&Desinstalar"
CompletedText "Completado"
SubCaption 3 ": Desinstalando"
SubCaption 4 ": Completado"
ShowInstDetails show

!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "¿Está seguro de que desea salir de la desinstalación de Vindeleo?"
!define MUI_WELCOMEPAGE_TITLE "Desinstalar Vindeleo"
!define MUI_WELCOMEPAGE_TEXT "Este asistente quita Vindeleo de la carpeta $INSTDIR: vindeleo.exe, vindeleo-cli.exe, NIVELEX.DBF, SIRAVEL.chm y este desinstalador, con sus entradas del menú Inicio y de la lista de programas instalados.$\r$\n$\r$\nNo toca nada más: ni los archivos de Morvalen ni Morvalen.ini en esa carpeta, ni las tablas de C:\MTEMP ni sus copias.$\r$\n$\r$\nAntes de seguir, cierre Vindeleo.$\r$\n$\r$\nPresione Desinstalar para comenzar."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE WelcomePageLeave
!insertmacro MUI_PAGE_WELCOME

!define MUI_PAGE_HEADER_TEXT "Desinstalando"
!define MUI_PAGE_HEADER_SUBTEXT "Por favor espere mientras Vindeleo se desinstala."
!define MUI_INSTFILESPAGE_FINISHHEADER_TEXT "Desinstalación completada"
!define MUI_INSTFILESPAGE_FINISHHEADER_SUBTEXT "Vindeleo se ha desinstalado."
!define MUI_INSTFILESPAGE_ABORTHEADER_TEXT "Desinstalación interrumpida"
!define MUI_INSTFILESPAGE_ABORTHEADER_SUBTEXT "Vindeleo no se ha desinstalado del todo."
!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "Vindeleo está desinstalado"
!define MUI_FINISHPAGE_TEXT "Vindeleo se ha quitado de $INSTDIR.$\r$\n$\r$\nPresione Terminar para cerrar este asistente."
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro VINDELEO_VERSION_INFO "Desinstalación de Vindeleo"

Var Registered
Var Failed

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/despues-de=" $1
  ${IfNot} ${Errors}
    Call RemoveAfterUninstaller
    Quit
  ${EndIf}
  SetShellVarContext all
  ; Its own folder, whatever the command line says.
  Push "$EXEDIR"
  Call LongPath
  Pop $INSTDIR
  !insertmacro VINDELEO_REQUIRE_ADMINISTRATOR "Para desinstalar Vindeleo hacen falta permisos de administrador.$\r$\n$\r$\nAbra el desinstalador con el botón derecho del ratón y «Ejecutar como administrador»."
FunctionEnd

; The copy in the temporary folder: once the uninstaller (process $1) has
; ended, its file and then the folder ($INSTDIR, from /D=) if empty.
Function RemoveAfterUninstaller
  SetSilent silent
  ; SYNCHRONIZE
  System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r1) p .r2'
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i 60000)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  ; The ended program's file may stay open for a moment.
  StrCpy $3 0
  ${Do}
    Delete "$INSTDIR\${UNINSTALLER}"
    ${IfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    ${OrIf} $3 >= 100
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $3 $3 + 1
  ${Loop}
  RMDir "$INSTDIR"
  Delete /REBOOTOK "$EXEPATH"
FunctionEnd

Function WelcomePageLeave
  Call VindeleoRunsInFolder
  Pop $0
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONEXCLAMATION "${RUNNING_MESSAGE}"
    Abort
  ${EndIf}
FunctionEnd

; A file already gone counts as removed.
!macro REMOVE_FILE NAME
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    DetailPrint "No se pudo quitar $INSTDIR\${NAME}."
    StrCpy $Failed "$Failed$\r$\n$INSTDIR\${NAME}"
  ${EndIf}
!macroend

!macro REMOVE_SHORTCUT NAME TARGET ARGUMENTS
  Delete "${START_MENU_FOLDER}\${NAME}.lnk"
!macroend

Section "Desinstalar"
  Call VindeleoRunsInFolder
  Pop $0
  ${If} $0 = 1
    MessageBox MB_OK|MB_ICONSTOP "${RUNNING_MESSAGE}" /SD IDOK
    DetailPrint "Vindeleo está abierto desde $INSTDIR: no se desinstala."
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}

  ; The Start menu entries and the installed programs' entry belong to the
  ; folder registered there: another folder's uninstaller leaves them.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Push $0
  Call LongPath
  Pop $0
  StrCpy $Registered 0
  ${If} $0 == $INSTDIR
    StrCpy $Registered 1
  ${EndIf}

  StrCpy $Failed ""
  !insertmacro VINDELEO_FOR_EACH_FILE REMOVE_FILE
  ${If} $Failed != ""
    ; Kept: the entry and this uninstaller, to try again.
    MessageBox MB_OK|MB_ICONSTOP "No se pudieron quitar estos archivos, abiertos en otro programa:$Failed$\r$\n$\r$\nCierre ese programa y vuelva a desinstalar Vindeleo." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort
  ${EndIf}

  ${If} $Registered = 1
    !insertmacro VINDELEO_FOR_EACH_SHORTCUT REMOVE_SHORTCUT
    RMDir "${START_MENU_FOLDER}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}

  ; Itself, by a copy that waits for this process to end; when no copy can
  ; be started, at the next restart.
  SetOutPath "$TEMP"  ; not the folder, which is to go
  GetTempFileName $0
  Delete "$0"
  StrCpy $0 "$0.exe"
  System::Call 'kernel32::CopyFileW(w "$EXEPATH", w r0, i 0) i .r1'
  System::Call 'kernel32::GetCurrentProcessId() i .r2'
  ClearErrors
  ${If} $1 <> 0
    Exec '"$0" /despues-de=$2 /D=$INSTDIR'
  ${EndIf}
  ${If} $1 = 0
  ${OrIf} ${Errors}
    Delete /REBOOTOK "$EXEPATH"
    RMDir /REBOOTOK "$INSTDIR"
  ${EndIf}
SectionEnd
