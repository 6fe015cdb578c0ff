; keydesk-setup.exe: installs keydesk.exe (the window), keydesk-console.exe (the same as a
; console program), keydesk-client.exe where the build made it, Start-menu entries and an
; uninstaller. Built on Linux by the Windows build (cmake/windows.cmake) with Debian's makensis
; from a folder of stripped copies:
;   makensis -DKEYDESK_BUILD_DIR=build/win32/installer -DKEYDESK_SOURCE_DIR=. keydesk.nsi
;
; Two folders (docs/windows-install.md):
;   programs  $PROGRAMFILES\keydesk: changed by Administrators only, read and run by Users.
;             The vendor's drevan.dll goes here, beside keydesk.exe, copied by an administrator.
;   data      %ProgramData%\keydesk: Option.ini, Client.mdb, the daily logs; Users change them.
; keydesk-setup-helper.exe (setup_helper.cpp) sets both access lists before any file goes in,
; and the install stops when it cannot. Option.ini and Client.mdb already there are never
; replaced; of Option.ini only the two keys that the page asks for are written, and only when
; given and different. The uninstaller leaves the data folder as it is.
;
; Silent install: keydesk-setup.exe /S [options] [/D=programs folder]
;   /DATA=folder   the data folder (default: the last install's, else %ProgramData%\keydesk)
;   /HOSTS=list    the PMS hosts, [Network] AllowedHosts: IPv4 addresses or ranges such as
;                  192.168.1.0/24, separated by commas or blanks (quote the list if blanks)
;   /PORT=n        the door lock port, [SysOption] DoorlockPortNo (8886 in a new Option.ini)
;   /NOAUTOSTART   keydesk does not start at every user's logon
;   /SIMULATOR     the simulated drevan.dll, for trials without an encoder
;   /IMPORT        Option.ini and Client.mdb of an older install (C:\keydesk) go to the data
;                  folder where it has none of that name
Unicode true
SetCompressor /SOLID lzma

!ifndef KEYDESK_BUILD_DIR
  !error "KEYDESK_BUILD_DIR must name the folder of the programs to install"
!endif
!ifndef KEYDESK_OUTFILE
  !define KEYDESK_OUTFILE "${KEYDESK_BUILD_DIR}/keydesk-setup.exe"
!endif
!define KEYDESK_VERSION "1.0.0.0"
!define KEYDESK_TITLE "MarveskOxbel门锁接口"
!define KEYDESK_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\keydesk"
!define KEYDESK_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define KEYDESK_ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; Where installs before the data folder put everything.
!define KEYDESK_OLD_FOLDER "C:\keydesk"
!define KEYDESK_FIREWALL_RULE "keydesk"
!define KEYDESK_DEFAULT_PORT 8886

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

Name "${KEYDESK_TITLE}"
OutFile "${KEYDESK_OUTFILE}"
; Only Administrators may change the programs: Programs and Features runs uninstall.exe
; elevated, and keydesk loads drevan.dll from beside itself.
InstallDir "$PROGRAMFILES\keydesk"
RequestExecutionLevel admin
BrandingText "keydesk ${KEYDESK_VERSION}"

VIProductVersion "${KEYDESK_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "keydesk"
VIAddVersionKey /LANG=2052 "FileDescription" "${KEYDESK_TITLE} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${KEYDESK_VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "MarveskOxbel 信息技术有限公司"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) MarveskOxbel"

Var DataDir        ; the data folder, without a closing backslash
Var Hosts          ; AllowedHosts as keydesk and the firewall take it ("" for none)
Var HostsText      ; as typed or given, before the check
Var HostsGiven     ; 1: /HOSTS or the page changed the hosts
Var Port
Var PortGiven      ; 1: /PORT or the page changed the port
Var AutoStart      ; 1: keydesk starts at every user's logon
Var OldDir         ; an older install's folder with keydesk.exe, or ""
Var Import         ; 1: its Option.ini and Client.mdb go to the data folder
Var PrefillHosts   ; what the page showed first
Var PrefillPort
Var FirewallNote   ; the finish page's word on the firewall
Var HostsField
Var PortField
Var AutoStartBox

!define MUI_ICON "${KEYDESK_SOURCE_DIR}/src/ui_win32/res/keydesk.ico"
!define MUI_UNICON "${KEYDESK_SOURCE_DIR}/src/ui_win32/res/keydesk.ico"
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_TITLE "安装完成"
!define MUI_FINISHPAGE_TEXT "请以管理员身份把门锁厂商提供的 drevan.dll（32 位）复制到 $INSTDIR，放在 keydesk.exe 旁边；没有它 keydesk 无法启动。$\r$\n$\r$\n数据文件夹：$DataDir。已有的 Option.ini 和 Client.mdb 保持不变。$\r$\n$\r$\n$FirewallNote"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "keydesk 的程序将安装在下面的文件夹中。只有管理员可以修改其中的文件。"
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "选择数据文件夹"
!define MUI_PAGE_HEADER_SUBTEXT "Option.ini、Client.mdb 和每日日志的保存位置。"
!define MUI_DIRECTORYPAGE_TEXT_TOP "keydesk 的设置、发卡记录和日志将保存在下面的文件夹中。使用 keydesk 的用户可以修改其中的文件；卸载时保留这个文件夹。"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "数据文件夹"
!define MUI_DIRECTORYPAGE_VARIABLE $DataDir
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DataPageLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom PmsPageShow PmsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Runs keydesk-setup-helper.exe; $0 is its exit status ("error" when it did not start), $1
; what it printed, without the line's end.
!macro RunHelper ARGUMENTS
  nsExec::ExecToStack '"$PLUGINSDIR\keydesk-setup-helper.exe" ${ARGUMENTS}'
  Pop $0
  Pop $1
  Call TrimLineEnd
!macroend

Function TrimLineEnd
  ${Do}
    StrCpy $2 $1 1 -1
    ${If} $2 == "$\r"
    ${OrIf} $2 == "$\n"
      StrCpy $1 $1 -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd

; The folder's access list, or the install stops: files put in before would keep the wrong one.
!macro SetAccess KIND FOLDER
  !insertmacro RunHelper '${KIND} "${FOLDER}"'
  DetailPrint $1
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONSTOP "无法设置文件夹 ${FOLDER} 的访问权限，安装已停止。$\r$\n$\r$\n$1" /SD IDOK
    Abort "无法设置 ${FOLDER} 的访问权限。"
  ${EndIf}
!macroend

; $HostsText checked: $Hosts and no error flag, or the error flag and the reason in $1.
Function CheckHosts
  ClearErrors
  !insertmacro RunHelper '"hosts" "$HostsText"'
  ${If} $0 == 0
    StrCpy $Hosts $1
  ${Else}
    SetErrors
  ${EndIf}
FunctionEnd

; The error flag unless $Port is a port number written plainly.
Function CheckPort
  ClearErrors
  IntOp $0 $Port + 0
  ${If} "$0" != "$Port"
  ${OrIf} $0 < 1
  ${OrIf} $0 > 65535
    SetErrors
  ${EndIf}
FunctionEnd

; "C:\x\" as "C:\x": quoted with a closing backslash a folder would swallow the quote.
Function StripSlash
  ${Do}
    StrCpy $0 $DataDir 1 -1
    ${If} $0 == "\"
    ${OrIf} $0 == "/"
      StrCpy $DataDir $DataDir -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
FunctionEnd

; The error flag when one folder is the other or lies in it: the data folder's list would let
; Users change the programs, or the programs' list take the data from them.
Function CheckFolders
  ClearErrors
  StrLen $0 "$INSTDIR\"
  StrLen $1 "$DataDir\"
  StrCpy $2 "$DataDir\" $0
  StrCpy $3 "$INSTDIR\" $1
  ${If} "$2" == "$INSTDIR\"
  ${OrIf} "$3" == "$DataDir\"
    SetErrors
  ${EndIf}
FunctionEnd

Function DataPageLeave
  Call StripSlash
  Call CheckFolders
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "数据文件夹和程序文件夹不能相同，也不能一个在另一个之中。"
    Abort
  ${EndIf}
  ; Asked once it is known which of the two the data folder lacks.
  StrCpy $Import 0
  ${If} $OldDir != ""
  ${AndIf} $OldDir != $DataDir
    ${If} ${FileExists} "$OldDir\Option.ini"
    ${AndIfNot} ${FileExists} "$DataDir\Option.ini"
      StrCpy $Import 1
    ${EndIf}
    ${If} ${FileExists} "$OldDir\Client.mdb"
    ${AndIfNot} ${FileExists} "$DataDir\Client.mdb"
      StrCpy $Import 1
    ${EndIf}
    ${If} $Import == 1
      MessageBox MB_YESNO|MB_ICONQUESTION "在 $OldDir 找到旧版 keydesk。$\r$\n$\r$\n是否把其中的 Option.ini 和 Client.mdb 复制到数据文件夹 $DataDir？数据文件夹中已有的同名文件不会被覆盖，旧文件保留在原处。" IDYES +2
      StrCpy $Import 0
    ${EndIf}
  ${EndIf}
FunctionEnd

; The Option.ini the install will leave the keys in: the data folder's, else the old one to be
; copied there.
Function PrefillSource
  StrCpy $R9 ""
  ${If} ${FileExists} "$DataDir\Option.ini"
    StrCpy $R9 "$DataDir\Option.ini"
  ${ElseIf} $Import == 1
  ${AndIf} ${FileExists} "$OldDir\Option.ini"
    StrCpy $R9 "$OldDir\Option.ini"
  ${EndIf}
FunctionEnd

Function PmsPageShow
  !insertmacro MUI_HEADER_TEXT "连接 PMS" "酒店管理系统（PMS）连接 keydesk 的地址和端口。"
  Call PrefillSource
  ${If} $HostsGiven == 0
    StrCpy $HostsText ""
    ${If} $R9 != ""
      ReadINIStr $HostsText $R9 "Network" "AllowedHosts"
    ${EndIf}
  ${EndIf}
  ${If} $PortGiven == 0
    StrCpy $Port ${KEYDESK_DEFAULT_PORT}
    ${If} $R9 != ""
      ClearErrors
      ReadINIStr $0 $R9 "SysOption" "DoorlockPortNo"
      ${IfNot} ${Errors}
      ${AndIf} $0 != ""
        StrCpy $Port $0
      ${EndIf}
    ${EndIf}
  ${EndIf}
  StrCpy $PrefillHosts $HostsText
  StrCpy $PrefillPort $Port

  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 36u "PMS 所在电脑的 IPv4 地址或地址范围，多个用逗号或空格分开，例如 192.168.1.20, 192.168.2.0/24。只有这些电脑能连接 keydesk，Windows 防火墙也只对它们开放端口。"
  Pop $0
  ${NSD_CreateText} 0 38u 100% 12u $HostsText
  Pop $HostsField
  ${NSD_CreateLabel} 0 54u 100% 20u "留空则不添加防火墙规则，其他电脑暂时无法连接；以后可在数据文件夹的 Option.ini（[Network] AllowedHosts）中设置，再运行本安装程序。"
  Pop $0
  ${NSD_CreateLabel} 0 80u 60% 10u "门锁接口端口（默认 ${KEYDESK_DEFAULT_PORT}）："
  Pop $0
  ${NSD_CreateNumber} 0 92u 60u 12u $Port
  Pop $PortField
  ${NSD_CreateCheckbox} 0 114u 100% 12u "开机自动运行"
  Pop $AutoStartBox
  ${If} $AutoStart == 1
    ${NSD_Check} $AutoStartBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function PmsPageLeave
  ${NSD_GetText} $HostsField $HostsText
  ${NSD_GetText} $PortField $Port
  ${NSD_GetState} $AutoStartBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AutoStart 1
  ${Else}
    StrCpy $AutoStart 0
  ${EndIf}
  Call CheckHosts
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "PMS 地址无效：$1"
    Abort
  ${EndIf}
  Call CheckPort
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONEXCLAMATION "端口应为 1 到 65535 的数字。"
    Abort
  ${EndIf}
  ${If} $HostsText != $PrefillHosts
    StrCpy $HostsGiven 1
  ${EndIf}
  ${If} $Port != $PrefillPort
    StrCpy $PortGiven 1
  ${EndIf}
FunctionEnd

; Copies the older install's Option.ini and Client.mdb where the data folder has none; the old
; ones stay. Its programs and uninstaller go: this install takes over its registration and
; Start-menu entries, which its uninstaller would otherwise remove.
Function ImportOld
  ${If} $OldDir == ""
    Return
  ${EndIf}
  ${If} $OldDir == $DataDir
    Return
  ${EndIf}
  ${If} $Import == 1
    StrCpy $R0 "Option.ini"
    Call CopyOldFile
    StrCpy $R0 "Client.mdb"
    Call CopyOldFile
  ${Else}
    DetailPrint "旧版 keydesk 的 Option.ini 和 Client.mdb 没有复制，仍在 $OldDir。"
  ${EndIf}
  ${If} $OldDir != $INSTDIR
    Delete "$OldDir\keydesk.exe"
    Delete "$OldDir\keydesk-console.exe"
    Delete "$OldDir\uninstall.exe"
    DetailPrint "已删除 $OldDir 中旧版的程序和卸载程序；其他文件（数据、日志、drevan.dll）保留。"
  ${EndIf}
FunctionEnd

Function CopyOldFile
  ; $R0 is the file's name.
  ${If} ${FileExists} "$OldDir\$R0"
    ${If} ${FileExists} "$DataDir\$R0"
      DetailPrint "$DataDir\$R0 已存在，没有从 $OldDir 复制。"
    ${Else}
      ClearErrors
      CopyFiles /SILENT "$OldDir\$R0" "$DataDir\$R0"
      ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "无法把 $OldDir\$R0 复制到 $DataDir，安装已停止。" /SD IDOK
        Abort "无法复制 $OldDir\$R0。"
      ${EndIf}
      DetailPrint "已把 $OldDir\$R0 复制到 $DataDir。"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Writes the keys that were given and differ; then sets $Hosts and $Port to what Option.ini
; holds, which the firewall rule follows.
Function WriteOptions
  StrCpy $R9 "$DataDir\Option.ini"
  StrCpy $R8 0
  ${IfNot} ${FileExists} $R9
    StrCpy $R8 1
  ${EndIf}
  ReadINIStr $R0 $R9 "Network" "AllowedHosts"
  ${If} $HostsGiven == 1
  ${AndIf} $HostsText != $R0
    ${If} $Hosts == ""
      DeleteINIStr $R9 "Network" "AllowedHosts"
      DetailPrint "Option.ini：删除 [Network] AllowedHosts（不限主机）"
    ${Else}
      WriteINIStr $R9 "Network" "AllowedHosts" $Hosts
      DetailPrint "Option.ini：[Network] AllowedHosts=$Hosts"
    ${EndIf}
  ${ElseIf} $HostsGiven == 0
    StrCpy $HostsText $R0
    Call CheckHosts
    ${If} ${Errors}
      StrCpy $Hosts ""
      DetailPrint "Option.ini 的 [Network] AllowedHosts 无效（$1），没有添加防火墙规则。"
    ${EndIf}
  ${EndIf}

  ClearErrors
  ReadINIStr $R1 $R9 "SysOption" "DoorlockPortNo"
  ${If} $PortGiven == 1
  ${OrIf} $R8 == 1
    ${If} $Port != $R1
      WriteINIStr $R9 "SysOption" "DoorlockPortNo" $Port
      DetailPrint "Option.ini：[SysOption] DoorlockPortNo=$Port"
    ${EndIf}
  ${ElseIf} $R1 != ""
    StrCpy $Port $R1
  ${Else}
    StrCpy $Port ${KEYDESK_DEFAULT_PORT}
  ${EndIf}
  FlushINI $R9
  Call CheckPort
  ${If} ${Errors}
    DetailPrint "Option.ini 的 [SysOption] DoorlockPortNo 无效（$Port），没有添加防火墙规则。"
    StrCpy $Hosts ""
  ${EndIf}
FunctionEnd

; One inbound rule per program, on the door lock port from the PMS hosts only; none without
; hosts, so that the port stays closed rather than open to every computer.
Function Firewall
  nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${KEYDESK_FIREWALL_RULE}"'
  Pop $0
  ${If} $Hosts == ""
    StrCpy $FirewallNote "没有设置 PMS 主机地址，因此没有添加 Windows 防火墙规则：其他电脑暂时无法连接 keydesk。请在 $DataDir\Option.ini 的 [Network] AllowedHosts 中填写 PMS 的地址后重新运行安装程序。"
    DetailPrint $FirewallNote
    Return
  ${EndIf}
  StrCpy $FirewallNote "Windows 防火墙已对 $Hosts 开放 TCP 端口 $Port。"
  StrCpy $R0 "keydesk.exe"
  Call AddFirewallRule
  StrCpy $R0 "keydesk-console.exe"
  Call AddFirewallRule
  DetailPrint $FirewallNote
FunctionEnd

Function AddFirewallRule
  ; $R0 is the program's name.
  nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${KEYDESK_FIREWALL_RULE}" dir=in action=allow protocol=TCP localport=$Port remoteip=$Hosts program="$INSTDIR\$R0" enable=yes profile=any'
  Pop $0
  ${If} $0 != 0
    StrCpy $FirewallNote "无法添加 Windows 防火墙规则（netsh 返回 $0）：请手工为 $INSTDIR\$R0 开放 TCP 端口 $Port，只允许 $Hosts。"
    MessageBox MB_OK|MB_ICONEXCLAMATION $FirewallNote /SD IDOK
  ${EndIf}
FunctionEnd

Section "keydesk" SecProgram
  SectionIn RO
  SetShellVarContext all
  Call CheckFolders
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "数据文件夹 $DataDir 和程序文件夹 $INSTDIR 不能相同，也不能一个在另一个之中。" /SD IDOK
    Abort "数据文件夹和程序文件夹重叠。"
  ${EndIf}
  ; Before any file goes in, so that each inherits its folder's list.
  !insertmacro SetAccess "programs" "$INSTDIR"
  !insertmacro SetAccess "data" "$DataDir"

  ; An older install's registration, which this one takes over: nothing of it may steer the
  ; uninstaller, such as the size of the simulator it had.
  ${If} $OldDir != ""
    ReadRegStr $0 HKLM "${KEYDESK_UNINSTALL_KEY}" "DataFolder"
    ${If} $0 == ""
      DeleteRegKey HKLM "${KEYDESK_UNINSTALL_KEY}"
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "${KEYDESK_BUILD_DIR}/keydesk.exe"
  File "${KEYDESK_BUILD_DIR}/keydesk-console.exe"
  ; keydesk-client.exe: in the installer whenever the build made it.
  !if /FileExists "${KEYDESK_BUILD_DIR}/keydesk-client.exe"
    File "${KEYDESK_BUILD_DIR}/keydesk-client.exe"
  !endif
  DetailPrint "门锁厂商的 drevan.dll 须放在 $INSTDIR，keydesk.exe 旁边。"

  Call ImportOld
  Call WriteOptions
  ; The journal's database, only where there is none yet.
  ExecWait '"$INSTDIR\keydesk-console.exe" --init-db --dir "$DataDir"' $0
  ${If} $0 != 0
    DetailPrint "keydesk-console.exe --init-db 失败（$0）：keydesk 第一次启动时会再试。"
  ${EndIf}

  ${If} $AutoStart == 1
    WriteRegStr HKLM "${KEYDESK_RUN_KEY}" "keydesk" '"$INSTDIR\keydesk.exe" --dir "$DataDir"'
  ${Else}
    DeleteRegValue HKLM "${KEYDESK_RUN_KEY}" "keydesk"
  ${EndIf}
  Call Firewall

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\keydesk"
  CreateShortcut "$SMPROGRAMS\keydesk\${KEYDESK_TITLE}.lnk" "$INSTDIR\keydesk.exe" '--dir "$DataDir"' "$INSTDIR\keydesk.exe" 0
  CreateShortcut "$SMPROGRAMS\keydesk\卸载 keydesk.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayName" "${KEYDESK_TITLE}"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayVersion" "${KEYDESK_VERSION}"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "Publisher" "MarveskOxbel 信息技术有限公司"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\keydesk.exe"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "DataFolder" "$DataDir"
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
    ; The simulated card and its counter would lie beside the library, where the desk's users
    ; may not write: they go to the data folder.
    WriteRegExpandStr HKLM "${KEYDESK_ENVIRONMENT_KEY}" "DREVAN_SIM_CARD" "$DataDir\SimCard.txt"
    WriteRegStr HKLM "${KEYDESK_UNINSTALL_KEY}" "SimulatorCard" "$DataDir\SimCard.txt"
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "keydesk.exe（窗口程序）和 keydesk-console.exe（控制台程序），开始菜单项和卸载程序。"
  !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "模拟的门锁发卡库，只用于没有发卡器时试用；用它写的卡不能开门。正式使用请放入门锁厂商的 drevan.dll。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The value of option $R1 ("/HOSTS=") on the command line $R0, in $R2, or the error flag when
; it is not there. The value ends before the next option, at ' /' or ' "' (GetOptions would end
; it at the "/" of a range such as 10.0.0.0/24); quoted it ends at its quote: /DATA="C:\a b"
; or "/DATA=C:\a b".
Function OptionValue
  ClearErrors
  StrLen $3 $R1
  StrLen $4 $R0
  StrCpy $5 0
  ${Do}
    ${If} $5 >= $4
      SetErrors
      Return
    ${EndIf}
    StrCpy $6 $R0 $3 $5
    StrCpy $7 " "
    ${If} $5 > 0
      IntOp $7 $5 - 1
      StrCpy $7 $R0 1 $7
    ${EndIf}
    ${If} $6 == $R1
      ${If} $7 == " "
      ${OrIf} $7 == '"'
        ${ExitDo}
      ${EndIf}
    ${EndIf}
    IntOp $5 $5 + 1
  ${Loop}
  IntOp $5 $5 + $3
  StrCpy $R2 $R0 "" $5
  StrCpy $6 $R2 1
  ${If} $7 == '"'
  ${OrIf} $6 == '"'
    ${If} $6 == '"'
      StrCpy $R2 $R2 "" 1
    ${EndIf}
    StrCpy $5 0
    ${Do}
      StrCpy $6 $R2 1 $5
      ${If} $6 == '"'
      ${OrIf} $6 == ""
        ${ExitDo}
      ${EndIf}
      IntOp $5 $5 + 1
    ${Loop}
    StrCpy $R2 $R2 $5
    Return
  ${EndIf}
  StrCpy $5 0
  ${Do}
    StrCpy $6 $R2 2 $5
    ${If} $6 == " /"
    ${OrIf} $6 == ' "'
    ${OrIf} $6 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $5 $5 + 1
  ${Loop}
  StrCpy $R2 $R2 $5
  ; Blanks before the next option.
  ${Do}
    StrCpy $6 $R2 1 -1
    ${If} $6 != " "
      ${ExitDo}
    ${EndIf}
    StrCpy $R2 $R2 -1
  ${Loop}
FunctionEnd

Function .onInit
  ; $APPDATA is then %ProgramData%, $SMPROGRAMS the Start menu of every user.
  SetShellVarContext all
  InitPluginsDir
  File "/oname=$PLUGINSDIR\keydesk-setup-helper.exe" "${KEYDESK_BUILD_DIR}/keydesk-setup-helper.exe"
  ${GetParameters} $R0

  ClearErrors
  ${GetOptions} $R0 "/SIMULATOR" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecSimulator}
  ${EndIf}

  ; An install of this version records its data folder; without /D= the programs go where
  ; that install put them.
  ReadRegStr $R5 HKLM "${KEYDESK_UNINSTALL_KEY}" "DataFolder"
  ReadRegStr $R6 HKLM "${KEYDESK_UNINSTALL_KEY}" "InstallLocation"
  ${If} $R5 != ""
  ${AndIf} $R6 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES\keydesk"
    StrCpy $INSTDIR $R6
  ${EndIf}
  StrCpy $R1 "/DATA="
  Call OptionValue
  StrCpy $DataDir $R2
  ${If} ${Errors}
  ${OrIf} $DataDir == ""
    StrCpy $DataDir $R5
    ${If} $DataDir == ""
      StrCpy $DataDir "$APPDATA\keydesk"
    ${EndIf}
  ${EndIf}
  Call StripSlash

  ; An older install kept its data beside its programs: the one registered, else the old
  ; default folder.
  StrCpy $OldDir ""
  ${If} $R5 == ""
  ${AndIf} $R6 != ""
  ${AndIf} ${FileExists} "$R6\keydesk.exe"
    StrCpy $OldDir $R6
  ${ElseIf} ${FileExists} "${KEYDESK_OLD_FOLDER}\keydesk.exe"
    StrCpy $OldDir "${KEYDESK_OLD_FOLDER}"
  ${EndIf}
  StrCpy $Import 0
  ClearErrors
  ${GetOptions} $R0 "/IMPORT" $1
  ${IfNot} ${Errors}
    StrCpy $Import 1
  ${EndIf}

  StrCpy $HostsGiven 0
  StrCpy $Hosts ""
  StrCpy $R1 "/HOSTS="
  Call OptionValue
  ${IfNot} ${Errors}
    StrCpy $HostsText $R2
    StrCpy $HostsGiven 1
    Call CheckHosts
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "/HOSTS= 的值无效：$1" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}

  StrCpy $PortGiven 0
  StrCpy $Port ${KEYDESK_DEFAULT_PORT}
  StrCpy $R1 "/PORT="
  Call OptionValue
  ${IfNot} ${Errors}
    StrCpy $Port $R2
    StrCpy $PortGiven 1
    Call CheckPort
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "/PORT= 的值无效：$Port（应为 1 到 65535）" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${Else}
    StrCpy $Port ${KEYDESK_DEFAULT_PORT}
  ${EndIf}

  StrCpy $AutoStart 1
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    StrCpy $AutoStart 0
  ${EndIf}
FunctionEnd

; The simulated card's file with its lock and temporary file.
!macro DeleteSimulatorFiles CARD
  Delete "${CARD}"
  Delete "${CARD}.lock"
  Delete "${CARD}.tmp"
!macroend

; Removes what the installer put there; the data folder stays as it is, and so do the vendor's
; drevan.dll and the program folder while that is in it.
Section "Uninstall"
  SetShellVarContext all
  ReadRegStr $R1 HKLM "${KEYDESK_UNINSTALL_KEY}" "DataFolder"
  nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${KEYDESK_FIREWALL_RULE}"'
  Pop $0
  DeleteRegValue HKLM "${KEYDESK_RUN_KEY}" "keydesk"
  Delete /REBOOTOK "$INSTDIR\keydesk.exe"
  Delete /REBOOTOK "$INSTDIR\keydesk-console.exe"
  Delete /REBOOTOK "$INSTDIR\keydesk-client.exe"
  ReadRegDWORD $0 HKLM "${KEYDESK_UNINSTALL_KEY}" "SimulatorSize"
  ${If} $0 != ""
    ${If} ${FileExists} "$INSTDIR\drevan.dll"
      ${GetSize} "$INSTDIR" "/M=drevan.dll /S=0B /G=0" $1 $2 $3
      ${If} $1 == $0
        Delete /REBOOTOK "$INSTDIR\drevan.dll"
      ${EndIf}
    ${EndIf}
    ; What the simulator wrote, wherever its card was.
    !insertmacro DeleteSimulatorFiles "$INSTDIR\SimCard.txt"
    Delete "$INSTDIR\SimSerial.txt"
    ReadRegStr $2 HKLM "${KEYDESK_UNINSTALL_KEY}" "SimulatorCard"
    ${If} $2 != ""
      !insertmacro DeleteSimulatorFiles "$2"
      ${GetParent} $2 $3
      Delete "$3\SimSerial.txt"
      ReadRegStr $3 HKLM "${KEYDESK_ENVIRONMENT_KEY}" "DREVAN_SIM_CARD"
      ${If} $3 == $2
        DeleteRegValue HKLM "${KEYDESK_ENVIRONMENT_KEY}" "DREVAN_SIM_CARD"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Delete "$SMPROGRAMS\keydesk\${KEYDESK_TITLE}.lnk"
  Delete "$SMPROGRAMS\keydesk\卸载 keydesk.lnk"
  RMDir "$SMPROGRAMS\keydesk"
  DeleteRegKey HKLM "${KEYDESK_UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ${If} $R1 != ""
    DetailPrint "数据文件夹 $R1 保留。"
  ${EndIf}
SectionEnd
