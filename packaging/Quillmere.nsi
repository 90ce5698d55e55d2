; Quillmere's installer: per user, without administrator rights, pages in
; Simplified Chinese. The program keeps SystemData.dat beside itself, so it is
; installed where the user can write, by default %LOCALAPPDATA%\Programs\Quillmere.
;
; makensis is given: VERSION (x.y.z), FILE_VERSION (x.y.z.0), EXE, HELP, SODIUM_LICENSE,
; MBEDTLS_LICENSE, ZBAR_LICENSE, WORDLIST_LICENSE, UNICODE_LICENSE, ICON, SIDE_PICTURE, MAKER_URL and OUTFILE
; (packaging/CMakeLists.txt passes them).

Unicode true
Target amd64-unicode  ; the program itself is 64-bit
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; A file that cannot be written is never skipped silently.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Quillmere"  ; the program names its start-up entry after itself
!define SETTINGS_KEY "Software\Pelquin"

Name "Quillmere"
Caption "Quillmere ${VERSION} 安装"
UninstallCaption "Quillmere 卸载"
BrandingText "Quillmere ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillmere"
; An upgrade goes where the last installation went, where the data file is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails hide
ShowUninstDetails hide

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE}"
!define MUI_ABORTWARNING
!define MUI_ABORTWARNING_TEXT "确定要退出 Quillmere 安装吗？"

!define MUI_WELCOMEPAGE_TITLE "欢迎安装 Quillmere ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "安装向导将把 Quillmere ${VERSION} 安装到这台电脑上，只供当前的 Windows 用户使用，不需要管理员权限。$\r$\n$\r$\n如果已经安装过 Quillmere，这次安装只替换程序和帮助文档，您的数据文件 SystemData.dat 和备份文件保持不变。$\r$\n$\r$\n安装前请先退出正在运行的 Quillmere。$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME

!define MUI_DIRECTORYPAGE_TEXT_TOP "Quillmere 把全部资料保存在程序文件夹中的 SystemData.dat 里，所以这个文件夹必须是您能写入的。建议使用默认的文件夹，不要选择 Program Files 等需要管理员权限的文件夹。$\r$\n$\r$\n$_CLICK"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY

!insertmacro MUI_PAGE_INSTFILES

!define MUI_FINISHPAGE_TITLE "Quillmere 安装完成"
!define MUI_FINISHPAGE_TEXT "Quillmere ${VERSION} 已安装到：$\r$\n$INSTDIR$\r$\n$\r$\n可以从“开始”菜单启动 Quillmere。$\r$\n$\r$\n单击 [完成(F)] 关闭安装向导。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmere.exe"
!define MUI_FINISHPAGE_RUN_TEXT "运行 Quillmere"
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "在桌面上创建快捷方式"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION CreateDesktopShortcut
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.ChoicesShow un.ChoicesLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"
; NSIS's Chinese pages ask for 宋体, which newer systems render poorly at 9 points.
SetFont /LANG=${LANG_SIMPCHINESE} "Microsoft YaHei UI" 9

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "Quillmere"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "Quillmere"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "Quillmere ${VERSION} 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Quillmere"

Var PreviousFolder ; where Quillmere was installed before, if it was
Var DeleteData     ; the uninstaller's box: also delete the user's data
Var DeleteDataBox

; The installer and the uninstaller share these checks: written once, made for each.
!macro SHARED_CHECKS un
; Pushes 1 when a file can be created where $INSTDIR is or would be made:
; in $INSTDIR itself, or else in the nearest folder above it that exists.
Function ${un}FolderWritable
  Push $0
  Push $1
  StrCpy $0 $INSTDIR
  ${Do}
    ${If} ${FileExists} "$0\*.*"
      ${Break}
    ${ElseIf} ${FileExists} "$0"
      StrCpy $0 ""  ; a file stands where a folder must be
      ${Break}
    ${EndIf}
    ${GetParent} "$0" $1
    ${If} $1 == ""
    ${OrIf} $1 == $0
      StrCpy $0 ""  ; not even the drive exists
      ${Break}
    ${EndIf}
    StrCpy $0 $1
  ${Loop}
  StrCpy $1 0
  ${If} $0 != ""
    ; Wine's GetTempFileName names a file it could not create without saying
    ; so: the file has to be there.
    ClearErrors
    GetTempFileName $1 "$0"
    ${If} ${Errors}
    ${OrIf} $1 == ""
      StrCpy $1 0
    ${ElseIfNot} ${FileExists} "$1"
      StrCpy $1 0
    ${Else}
      Delete $1
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  Exch $1
  Exch
  Pop $0
FunctionEnd

; Pushes 1 when Quillmere.exe in $INSTDIR exists and cannot be opened for
; writing: Windows keeps a running program's file from being written, so this
; holds while Quillmere runs from this folder, whatever its single-instance
; check looks like.
Function ${un}ProgramInUse
  Push $0
  Push $1
  StrCpy $1 0
  ${If} ${FileExists} "$INSTDIR\Quillmere.exe"
    ClearErrors
    FileOpen $0 "$INSTDIR\Quillmere.exe" a
    ${If} ${Errors}
      StrCpy $1 1
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
  Exch $1
  Exch
  Pop $0
FunctionEnd

; While Quillmere runs from $INSTDIR, says so and lets the user retry after
; quitting it. Pushes 1 once it is no longer running, 0 when the user (or a
; silent run, which cannot ask) gives up.
Function ${un}WaitForProgramToEnd
  Push $0
  ${Do}
    Call ${un}ProgramInUse
    Pop $0
    ${If} $0 == 0
      StrCpy $0 1
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quillmere 正在从这个文件夹运行，不能替换或删除正在运行的程序：$\r$\n$INSTDIR\Quillmere.exe$\r$\n$\r$\n请先退出 Quillmere（主窗口的“退出”按钮，或托盘图标菜单中的“退出”），然后单击“重试”。" /SD IDCANCEL IDRETRY again
    StrCpy $0 0
    ${Break}
    again:
  ${Loop}
  Exch $0
FunctionEnd
!macroend
!insertmacro SHARED_CHECKS ""
!insertmacro SHARED_CHECKS "un."

!define REFUSED_FOLDER_TEXT "无法写入这个文件夹：$\r$\n$INSTDIR$\r$\n$\r$\nQuillmere 要在程序文件夹中保存数据文件 SystemData.dat，必须安装到您能写入的文件夹。请选择其他文件夹，例如默认的：$\r$\n$LOCALAPPDATA\Programs\Quillmere"

Function .onInit
  ReadRegStr $PreviousFolder HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ; Given a /D= folder that cannot exist (on a missing drive, under a file),
  ; NSIS quietly takes the default instead. That folder is refused here
  ; rather than installing somewhere the caller did not ask for.
  System::Call "kernel32::GetCommandLineW() t .r0"
  ClearErrors
  ${GetOptions} $0 "/D=" $1
  ${IfNot} ${Errors}
    StrCpy $2 $1 "" -1
    ${If} $2 == "\"
      StrCpy $1 $1 -1
    ${EndIf}
    ${If} $1 != $INSTDIR
      MessageBox MB_OK|MB_ICONSTOP "无法安装到这个文件夹：$\r$\n$1" /SD IDOK
      ${If} ${Silent}
        Abort
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call FolderWritable
  Pop $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "${REFUSED_FOLDER_TEXT}"
    Abort
  ${EndIf}
  ; The data stays in the old folder: a new folder starts with no data.
  ${If} $PreviousFolder != ""
  ${AndIf} $PreviousFolder != $INSTDIR
  ${AndIf} ${FileExists} "$PreviousFolder\SystemData.dat"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Quillmere 以前安装在：$\r$\n$PreviousFolder$\r$\n您的数据文件 SystemData.dat 在那个文件夹里。安装到新的文件夹后，程序使用新文件夹中的数据文件，原来的资料不会随之移动。$\r$\n$\r$\n是否仍然安装到新的文件夹？" IDYES +2
    Abort
  ${EndIf}
  Call WaitForProgramToEnd
  Pop $0
  ${If} $0 == 0
    Abort
  ${EndIf}
FunctionEnd

Section "-Quillmere"
  ; Checked again here: a silent installation shows no pages, and the program
  ; may have been started since the folder page.
  Call FolderWritable
  Pop $0
  ${If} $0 == 0
    MessageBox MB_OK|MB_ICONSTOP "${REFUSED_FOLDER_TEXT}" /SD IDOK
    Abort "无法写入文件夹 $INSTDIR"
  ${EndIf}
  Call WaitForProgramToEnd
  Pop $0
  ${If} $0 == 0
    Abort "Quillmere 正在运行，安装已取消。"
  ${EndIf}

  ClearErrors
  SetOutPath "$INSTDIR"
  ; Only the program's own files are written: SystemData.dat and every backup
  ; beside it stay as they are. The program goes first, so that when it cannot
  ; be replaced nothing else has changed yet.
  SetOverwrite try
  File "/oname=Quillmere.exe" "${EXE}"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "无法写入 $INSTDIR\Quillmere.exe：Quillmere 可能正在运行，或者这个文件夹不能写入。安装已取消，文件夹中的文件没有改变。" /SD IDOK
    Abort "无法写入 Quillmere.exe，安装已取消。"
  ${EndIf}
  SetOverwrite on
  File "/oname=帮助.doc" "${HELP}"
  File "/oname=libsodium-LICENSE.txt" "${SODIUM_LICENSE}"
  File "/oname=MbedTLS-LICENSE.txt" "${MBEDTLS_LICENSE}"
  File "/oname=ZBar-LICENSE.txt" "${ZBAR_LICENSE}"
  File "/oname=EFF-wordlist-LICENSE.txt" "${WORDLIST_LICENSE}"
  File "/oname=Unicode-LICENSE.txt" "${UNICODE_LICENSE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Quillmere.lnk" "$INSTDIR\Quillmere.exe" "" "$INSTDIR\Quillmere.exe" 0

  ; The size Windows shows for the program: its own files, not the user's data.
  StrCpy $1 0
  !macro ADD_FILE_SIZE path
    FileOpen $2 "${path}" r
    FileSeek $2 0 END $3
    FileClose $2
    IntOp $1 $1 + $3
  !macroend
  !insertmacro ADD_FILE_SIZE "$INSTDIR\Quillmere.exe"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\帮助.doc"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\libsodium-LICENSE.txt"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\MbedTLS-LICENSE.txt"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\ZBar-LICENSE.txt"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\EFF-wordlist-LICENSE.txt"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\Unicode-LICENSE.txt"
  !insertmacro ADD_FILE_SIZE "$INSTDIR\uninstall.exe"
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quillmere"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quillmere"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmere.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${MAKER_URL}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; An upgrade offers the desktop shortcut again only if the user kept it.
Function FinishShow
  ${If} $PreviousFolder != ""
  ${AndIfNot} ${FileExists} "$DESKTOP\Quillmere.lnk"
    ${NSD_Uncheck} $mui.FinishPage.ShowReadme
  ${EndIf}
FunctionEnd

Function CreateDesktopShortcut
  CreateShortcut "$DESKTOP\Quillmere.lnk" "$INSTDIR\Quillmere.exe" "" "$INSTDIR\Quillmere.exe" 0
FunctionEnd

Function un.onInit
  StrCpy $DeleteData ${BST_UNCHECKED}
FunctionEnd

Function un.ChoicesShow
  !insertmacro MUI_HEADER_TEXT "卸载 Quillmere" "从这台电脑上删除 Quillmere。"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 20u "将从下面的文件夹中删除 Quillmere 程序、帮助文档、快捷方式和开机启动项："
  Pop $0
  ${NSD_CreateText} 0 22u 100% 13u "$INSTDIR"
  Pop $0
  SendMessage $0 ${EM_SETREADONLY} 1 0
  ${NSD_CreateLabel} 0 46u 100% 30u "您的数据文件 SystemData.dat 和这个文件夹中的备份文件（*.dat）会保留下来，重新安装 Quillmere 后可以继续使用。"
  Pop $0
  ${NSD_CreateCheckbox} 0 80u 100% 12u "同时删除我的数据：SystemData.dat、备份文件和记住的登录用户名"
  Pop $DeleteDataBox
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:$(^UninstallBtn)"
  nsDialogs::Show
FunctionEnd

Function un.ChoicesLeave
  ${NSD_GetState} $DeleteDataBox $DeleteData
  ${If} $DeleteData == ${BST_CHECKED}
    MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "确定要删除 SystemData.dat 和全部备份文件吗？$\r$\n$\r$\n这台电脑上所有 Quillmere 用户的帐号资料都将被删除，不能恢复。" IDYES +2
    Abort
  ${EndIf}
  Call un.WaitForProgramToEnd
  Pop $0
  ${If} $0 == 0
    Abort
  ${EndIf}
FunctionEnd

; Removes the start-up entry under `root` when the program it starts is gone.
; The entry has one name for every copy of Quillmere, so an entry that still
; starts another copy (a portable one, say) belongs to that copy and stays.
!macro REMOVE_DEAD_RUN_ENTRY root
  ReadRegStr $0 ${root} "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
    StrCpy $1 $0 1
    ${If} $1 == '"'
      StrCpy $0 $0 "" 1
      StrCpy $1 $0 "" -1
      ${If} $1 == '"'
        StrCpy $0 $0 -1
      ${EndIf}
    ${EndIf}
    ${IfNot} ${FileExists} "$0"
      DeleteRegValue ${root} "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  Call un.WaitForProgramToEnd
  Pop $0
  ${If} $0 == 0
    Abort "Quillmere 正在运行，卸载已取消。"
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\Quillmere.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "无法删除 $INSTDIR\Quillmere.exe，Quillmere 可能正在运行。卸载已取消。" /SD IDOK
    Abort "无法删除 Quillmere.exe，卸载已取消。"
  ${EndIf}
  Delete "$INSTDIR\帮助.doc"
  Delete "$INSTDIR\libsodium-LICENSE.txt"
  Delete "$INSTDIR\MbedTLS-LICENSE.txt"
  Delete "$INSTDIR\ZBar-LICENSE.txt"
  Delete "$INSTDIR\EFF-wordlist-LICENSE.txt"
  Delete "$INSTDIR\Unicode-LICENSE.txt"
  Delete "$SMPROGRAMS\Quillmere.lnk"
  Delete "$DESKTOP\Quillmere.lnk"
  !insertmacro REMOVE_DEAD_RUN_ENTRY HKCU
  !insertmacro REMOVE_DEAD_RUN_ENTRY HKLM  ; written when the program ran as administrator; removed only if allowed

  ${If} $DeleteData == ${BST_CHECKED}
    Delete "$INSTDIR\*.dat"
    Delete "$INSTDIR\$$Temp.tmp"  ; the data's copy that a compaction leaves when interrupted
    DeleteRegKey HKCU "${SETTINGS_KEY}"
  ${EndIf}

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"  ; only when nothing of the user's is left in it
SectionEnd
