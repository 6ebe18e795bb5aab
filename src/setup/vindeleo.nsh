; What the setup program (setup.nsi) and the uninstaller (uninstall.nsi)
; share: the product's names, its entry among the installed programs, the
; files it installs, its Start menu entries, and the check that vindeleo.exe
; of a folder is running.
;
; make-setup.sh defines VINDELEO_VERSION (e.g. 1.0), VINDELEO_VERSION_QUAD
; (1.0.0.0) and VINDELEO_OUTPUT (the program to write).

Unicode true
Target amd64-unicode
ManifestDPIAware true
; A program folder can only be written by an administrator.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include LogicLib.nsh

!define PRODUCT "Vindeleo"
!define PUBLISHER "Vindeleo"
!define UNINSTALLER "vindeleo-desinstalar.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vindeleo"
!define START_MENU_FOLDER "$SMPROGRAMS\Vindeleo"
; Why neither program goes on while vindeleo.exe of $INSTDIR runs.
!define RUNNING_MESSAGE "Vindeleo está abierto desde la carpeta $INSTDIR.$\r$\n$\r$\nCiérrelo (y cierre Morvalen si lo abrió él) y vuelva a intentarlo."
; Exit codes: 0 done, 1 cancelled by the user (NSIS's own), 2 refused or failed.
!define EXIT_FAILED 2

; The files that go into the timetable program's folder, each named once:
; !insertmacro VINDELEO_FOR_EACH_FILE MACRO calls MACRO with each name.
!macro VINDELEO_FOR_EACH_FILE MACRO
  !insertmacro ${MACRO} "vindeleo.exe"
  !insertmacro ${MACRO} "vindeleo-cli.exe"
  !insertmacro ${MACRO} "NIVELEX.DBF"
  !insertmacro ${MACRO} "SIRAVEL.chm"
!macroend

; The Start menu entries: the entry's name, the file of the installation folder
; that it opens, and that file's arguments.
!macro VINDELEO_FOR_EACH_SHORTCUT MACRO
  !insertmacro ${MACRO} "Vindeleo" "vindeleo.exe" ""
  !insertmacro ${MACRO} "Copias de las tablas de Morvalen" "vindeleo.exe" "copias"
  !insertmacro ${MACRO} "Ayuda de Vindeleo" "SIRAVEL.chm" ""
!macroend

!macro VINDELEO_VERSION_INFO DESCRIPTION
  VIProductVersion "${VINDELEO_VERSION_QUAD}"
  VIFileVersion "${VINDELEO_VERSION_QUAD}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "ProductName" "${PRODUCT}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "CompanyName" "${PUBLISHER}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "LegalCopyright" "${PUBLISHER}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "FileDescription" "${DESCRIPTION}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "FileVersion" "${VINDELEO_VERSION}"
  VIAddVersionKey /LANG=${LANG_SPANISH} "ProductVersion" "${VINDELEO_VERSION}"
!macroend

; The path as Windows lists it (long names, the letter case on disk) when it
; exists, else as given, without a closing backslash (but for a drive's
; root): two spellings of one folder compare equal. (The folder page gives
; a folder read from the registry with a closing backslash.)
;   Push PATH / Call LongPath / Pop RESULT
Function LongPath
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    StrCpy $0 $1
  ${EndIf}
  StrLen $1 $0
  StrCpy $2 $0 1 -1
  ${If} $1 > 3
  ${AndIf} $2 == "\"
    StrCpy $0 $0 -1
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Whether a running process was started from $INSTDIR\vindeleo.exe (the
; timetable program's, or one started by hand): each process's program file,
; compared with that one. Another folder's vindeleo.exe does not count.
;   Call VindeleoRunsInFolder / Pop RESULT (1 or 0)
Function VindeleoRunsInFolder
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  StrCpy $8 0
  Push "$INSTDIR\vindeleo.exe"
  Call LongPath
  Pop $7
  ${If} ${FileExists} "$7"
    ; Room for 16384 process ids.
    System::Alloc 65536
    Pop $0
    System::Call 'kernel32::K32EnumProcesses(p r0, i 65536, *i .r1) i .r2'
    ${If} $2 <> 0
      IntOp $1 $1 / 4
      StrCpy $3 0
      ${DoWhile} $3 < $1
        IntPtrOp $4 $3 * 4
        IntPtrOp $4 $0 + $4
        System::Call '*$4(i .r5)'
        ; PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r5) p .r5'
        ${If} $5 P<> 0
          System::Call 'kernel32::QueryFullProcessImageNameW(p r5, i 0, w .r6, *i ${NSIS_MAX_STRLEN}) i .r2'
          System::Call 'kernel32::CloseHandle(p r5)'
          ${If} $2 <> 0
            Push $6
            Call LongPath
            Pop $6
            ${If} $6 == $7
              StrCpy $8 1
              ${Break}
            ${EndIf}
          ${EndIf}
        ${EndIf}
        IntOp $3 $3 + 1
      ${Loop}
    ${EndIf}
    System::Free $0
  ${EndIf}
  StrCpy $0 $8
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Only an administrator may go on.
!macro VINDELEO_REQUIRE_ADMINISTRATOR MESSAGE
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
!macroend
