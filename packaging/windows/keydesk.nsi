; keydesk-setup.exe: installs keydesk.exe (the window), keydesk-console.exe (the same as a
; console program), a Start-menu entry and an uninstaller. Built on Linux by the Windows build
; (cmake/windows.cmake) with Debian's makensis:
;   makensis -DKEYDESK_BUILD_DIR=build/win32 -DKEYDESK_OUTFILE=build/win32/keydesk-setup.exe keydesk.nsi
; Silent install: keydesk-setup.exe /S [/SIMULATOR] [/D=C:\folder]
;
; keydesk keeps Option.ini, its daily logs and Client.mdb beside keydesk.exe; the installer
; never overwrites them and the uninstaller leaves them. The card library drevan.dll is the
; lock vendor's and goes beside keydesk.exe by hand; the simulated drevan.dll is an optional
; component, off by default, so that no hotel issues cards against it by mistake.
Unicode true
SetCompressor /SOLID lzma

!ifndef KEYDESK_BUILD_DIR
  !error "KEYDESK_BUILD_DIR must name the Windows build folder"
!endif
!ifndef KEYDESK_OUTFILE
  !define KEYDESK_OUTFILE "${KEYDESK_BUILD_DIR}/keydesk-setup.exe"
!endif
!define KEYDESK_VERSION "1.0.0.0"
!define KEYDESK_TITLE "MarveskOxbel门锁接口"
!define KEYDESK_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\keydesk"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

Name "${KEYDESK_TITLE}"
OutFile "${KEYDESK_OUTFILE}"
; A folder the desk's user can write: keydesk writes its log and journal beside itself.
InstallDir "C:\keydesk"
InstallDirRegKey HKLM "${KEYDESK_UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "keydesk ${KEYDESK_VERSION}"

VIProductVersion "${KEYDESK_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "keydesk"
VIAddVersionKey /LANG=2052 "FileDescription" "${KEYDESK_TITLE} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${KEYDESK_VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "MarveskOxbel 信息技术有限公司"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) MarveskOxbel"

!define MUI_ICON "${KEYDESK_SOURCE_DIR}/src/ui_win32/res/keydesk.ico"
!define MUI_UNICON "${KEYDESK_SOURCE_DIR}/src/ui_win32/res/keydesk.ico"
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_TITLE "安装完成"
!define MUI_FINISHPAGE_TEXT "请把门锁厂商提供的 drevan.dll 复制到 $INSTDIR，放在 keydesk.exe 旁边；没有它 keydesk 无法启动。$\r$\n$\r$\n已有的 Option.ini 和 Client.mdb 保持不变。"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "keydesk" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${KEYDESK_BUILD_DIR}/keydesk.exe"
  File "${KEYDESK_BUILD_DIR}/keydesk-console.exe"
  ; The journal's database, only where there is none yet.
  ExecWait '"$INSTDIR\keydesk-console.exe" --init-db --dir "$INSTDIR"'
  DetailPrint "门锁厂商的 drevan.dll 须放在 $INSTDIR，keydesk.exe 旁边。"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\keydesk"
  CreateShortcut "$SMPROGRAMS\keydesk\${KEYDESK_TITLE}.lnk" "$INSTDIR\keydesk.exe" "" "$INSTDIR\keydesk.exe" 0
  CreateShortcut "$SMPROGRAMS\keydesk\卸载 keydesk.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayName" "${KEYDESK_TITLE}"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayVersion" "${KEYDESK_VERSION}"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "Publisher" "MarveskOxbel 信息技术有限公司"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\keydesk.exe"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEYDESK_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEYDESK_UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off by default: cards written through it open no door.
Section /o "模拟发卡器 drevan.dll（仅供测试，不能制作真卡）" SecSimulator
  SetOutPath "$INSTDIR"
  ; Never in place of a library that is already there, the vendor's above all.
  ${If} ${FileExists} "$INSTDIR\drevan.dll"
    DetailPrint "$INSTDIR\drevan.dll 已存在，模拟发卡器没有安装。"
  ${Else}
    File "${KEYDESK_BUILD_DIR}/drevan.dll"
    ; The uninstaller removes the simulator only while the file is still the one installed.
    ${GetSize} "$INSTDIR" "/M=drevan.dll /S=0B /G=0" $0 $1 $2
    WriteRegDWORD HKLM "${KEYDESK_UNINSTALL_KEY}" "SimulatorSize" $0
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "keydesk.exe（窗口程序）和 keydesk-console.exe（控制台程序），开始菜单项和卸载程序。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "模拟的门锁发卡库，只用于没有发卡器时试用；用它写的卡不能开门。正式使用请放入门锁厂商的 drevan.dll。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; /SIMULATOR on the command line selects the simulator, for unattended test installs.
Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/SIMULATOR" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSimulator}
  ${EndIf}
FunctionEnd

; Removes what the installer put there; Option.ini, the logs, Client.mdb and the vendor's
; drevan.dll stay, and so does the folder while they are in it.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\keydesk.exe"
  Delete "$INSTDIR\keydesk-console.exe"
  ReadRegDWORD $0 HKLM "${KEYDESK_UNINSTALL_KEY}" "SimulatorSize"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$INSTDIR\drevan.dll"
    ${GetSize} "$INSTDIR" "/M=drevan.dll /S=0B /G=0" $1 $2 $3
    ${If} $1 == $0
      Delete "$INSTDIR\drevan.dll"
    ${EndIf}
  ${EndIf}
  Delete "$SMPROGRAMS\keydesk\${KEYDESK_TITLE}.lnk"
  Delete "$SMPROGRAMS\keydesk\卸载 keydesk.lnk"
  RMDir "$SMPROGRAMS\keydesk"
  DeleteRegKey HKLM "${KEYDESK_UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
