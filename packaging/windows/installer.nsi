; The Windows installer of ZemYNote, built by scripts/package.sh:
;   makensis -DVERSION=1.3.0 -DVERSION_QUAD=1.3.0.0 -DPUBLISHER=... -DDESCRIPTION=...
;            -DICON=<.ico> -DFILES=<install list> -DREMOVALS=<uninstall list>
;            -DSIZE_KB=<size> -DOUTFILE=<setup.exe> installer.nsi
; The two lists are made from the staged program files, so that the uninstaller removes
; exactly the files the installer wrote.
;
; ZemYNote lives in the Zem program folder, beside the host libraries it loads. The installer
; finds that folder as the program does, from HKEY_CURRENT_USER\Software\Zem "AppPath" with
; ZemTools.dll in it; with no host found it says so and the folder page lets the user choose.
; /S installs without asking, /D=<folder> names the folder (the last argument, unquoted). The
; uninstaller takes away the program's files, its shortcut and its entry in Apps and features,
; and folders only once they are empty: the host, the knowledge bases, the log and the YNote
; accounts are never touched.
Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "ZemYNote"
!define UNINSTALLER "ZemYNote-uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZemYNote"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; Empty, so that .onInit can tell whether /D= named a folder.
InstallDir ""
; The Zem program folder usually lies under Program Files.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString NoHost ${LANG_ENGLISH} "No Zem installation was found: the registry value \
HKEY_CURRENT_USER\Software\Zem AppPath names no folder holding ZemTools.dll.$\r$\n$\r$\n\
On the next page choose the Zem program folder, the one holding ZemKMCore.dll and \
ZemTools.dll. Installed anywhere else, ZemYNote is started with /AppPath=<Zem program folder>."
LangString NoHost ${LANG_SIMPCHINESE} "没有找到已安装的泽门笔记：注册表值 \
HKEY_CURRENT_USER\Software\Zem AppPath 没有指向包含 ZemTools.dll 的文件夹。$\r$\n$\r$\n\
请在下一页选择泽门笔记的程序文件夹（包含 ZemKMCore.dll 和 ZemTools.dll 的文件夹）。\
装在其他位置时，请用 /AppPath=<泽门笔记程序文件夹> 启动 ZemYNote。"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

Function .onInit
  ${If} $INSTDIR == ""
    ReadRegStr $0 HKCU "Software\Zem" "AppPath"
    ; The program accepts the folder with or without its closing backslash.
    StrCpy $1 $0 1 -1
    ${If} $1 == "\"
    ${OrIf} $1 == "/"
      StrCpy $0 $0 -1
    ${EndIf}
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\ZemTools.dll"
      StrCpy $INSTDIR $0
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\Zem"
      MessageBox MB_OK|MB_ICONINFORMATION "$(NoHost)" /SD IDOK
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "ZemYNote"
  !include "${FILES}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\ZemYNote.exe" "" \
                 "$INSTDIR\ZemYNote.exe" 0 SW_SHOWNORMAL "" "${DESCRIPTION}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ZemYNote.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !include "${REMOVALS}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Beside a host the folder keeps the host's files, and stays.
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
