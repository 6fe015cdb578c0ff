// keydesk-setup-helper.exe, what the installer needs and NSIS cannot do by itself: the
// access lists of keydesk's two folders, and the check of the PMS hosts typed in.
//
//   keydesk-setup-helper programs FOLDER   SYSTEM and Administrators full control,
//                                          Users read and execute
//   keydesk-setup-helper data FOLDER       SYSTEM and Administrators full control,
//                                          Users modify
//   keydesk-setup-helper show PATH         prints PATH's owner and DACL as SDDL
//   keydesk-setup-helper hosts TEXT        prints TEXT's IPv4 addresses and ranges (separated
//                                          by commas or blanks) as keydesk and the firewall
//                                          take them: "a.b.c.d,e.f.g.0/24"; nothing for none
//
// The folder is made when it is absent. It and everything in it are then owned by
// Administrators; the folder gets a protected DACL (nothing inherited from above) whose
// entries its files and subfolders inherit, and nothing else. A folder owned by another
// account, made beforehand by a user perhaps, is not trusted: the data folder is reset with
// everything in it, the program folder is refused, as a program or library put there
// beforehand could not be told from ours. Links (junctions, symbolic links, files with a
// second name) inside are refused before anything is changed through them: their targets lie
// outside and must not be handed to Users. Nor are Windows' own folders or a drive's root
// taken, whatever the command line says.
//
// Exit status 0 when done; 1 with the reason on standard output (the installer's log), in
// the ANSI code page; 2 for a wrong command line.
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The rights as Windows' own dialogs name them.
constexpr DWORD kFullControl = FILE_ALL_ACCESS;
constexpr DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
constexpr DWORD kModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

void Print(const std::wstring& text) {
  const std::wstring line = text + L"\r\n";
  const int size = WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size,
                      nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// Thrown with what went wrong; the system's error code is added where there is one.
struct Failure {
  std::wstring What;
};

[[noreturn]] void Fail(const std::wstring& what, DWORD error) {
  throw Failure{what + L"（错误 " + std::to_wstring(error) + L"）"};
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (Valid()) CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

struct Sid {
  std::vector<BYTE> Bytes = std::vector<BYTE>(SECURITY_MAX_SID_SIZE);
  PSID Get() { return Bytes.data(); }
};

Sid WellKnown(WELL_KNOWN_SID_TYPE type) {
  Sid sid;
  DWORD size = static_cast<DWORD>(sid.Bytes.size());
  if (!CreateWellKnownSid(type, nullptr, sid.Get(), &size)) {
    Fail(L"无法取得系统帐户的标识", GetLastError());
  }
  return sid;
}

// The account this helper runs as: the administrator who installs.
Sid CurrentUser() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    Fail(L"无法读取当前帐户", GetLastError());
  }
  const Handle token(raw);
  std::vector<BYTE> buffer(sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE);
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                           &size)) {
    Fail(L"无法读取当前帐户", GetLastError());
  }
  const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  Sid sid;
  if (!CopySid(static_cast<DWORD>(sid.Bytes.size()), sid.Get(), user)) {
    Fail(L"无法读取当前帐户", GetLastError());
  }
  return sid;
}

// Taking over a folder that denies Administrators needs these: owner and DACL are then set
// whatever the folder's DACL says.
void EnablePrivileges() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
    return;
  }
  const Handle token(raw);
  for (const wchar_t* name : {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME, SE_BACKUP_NAME}) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
      AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
  }
}

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return L"?";
  std::wstring result(text);
  LocalFree(text);
  return result;
}

// The rights of one folder: who gets what, in this order.
struct Entry {
  PSID Who;
  DWORD Rights;
};

// A DACL of the entries; flags are the ACEs' inheritance flags.
std::vector<BYTE> MakeAcl(const std::vector<Entry>& entries, BYTE flags) {
  DWORD size = sizeof(ACL);
  for (const Entry& entry : entries) {
    size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(entry.Who);
  }
  std::vector<BYTE> acl(size);
  if (!InitializeAcl(reinterpret_cast<ACL*>(acl.data()), size, ACL_REVISION)) {
    Fail(L"无法生成访问控制列表", GetLastError());
  }
  for (const Entry& entry : entries) {
    if (!AddAccessAllowedAceEx(reinterpret_cast<ACL*>(acl.data()), ACL_REVISION, flags,
                               entry.Rights, entry.Who)) {
      Fail(L"无法生成访问控制列表", GetLastError());
    }
  }
  return acl;
}

// Opened for its security alone, never through a link: the link itself is what is opened.
Handle OpenForSecurity(const std::wstring& path) {
  return Handle(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

BY_HANDLE_FILE_INFORMATION InformationOf(const Handle& handle, const std::wstring& path) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle.Get(), &info)) {
    Fail(L"无法读取 " + path, GetLastError());
  }
  return info;
}

// Refuses what would lead outside the folder.
void RefuseLinks(const BY_HANDLE_FILE_INFORMATION& info, const std::wstring& path) {
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    throw Failure{path + L" 是链接（联接点或符号链接），不能设置它的权限；请删除后重新安装"};
  }
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && info.nNumberOfLinks > 1) {
    throw Failure{path + L" 另有硬链接，不能设置它的权限；请删除后重新安装"};
  }
}

class FolderAccess {
 public:
  FolderAccess(std::vector<Entry> entries, PSID owner)
      : owner_(owner),
        folderAcl_(MakeAcl(entries, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)),
        subfolderAcl_(MakeAcl(entries, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERITED_ACE)),
        fileAcl_(MakeAcl(entries, INHERITED_ACE)) {}

  // Makes the folder, parents included, with its access list from the start.
  void Create(const std::wstring& folder) {
    for (size_t slash = folder.find_first_of(L"\\/", 3); slash != std::wstring::npos;
         slash = folder.find_first_of(L"\\/", slash + 1)) {
      CreateDirectoryW(folder.substr(0, slash).c_str(), nullptr);
    }
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner_, FALSE);
    SetSecurityDescriptorDacl(&descriptor, TRUE, Acl(folderAcl_), FALSE);
    SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    if (!CreateDirectoryW(folder.c_str(), &attributes) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail(L"无法建立文件夹 " + folder, GetLastError());
    }
  }

  // The folder's owner, as the folder is now.
  std::wstring OwnerOf(const std::wstring& folder, bool& trusted) {
    const Handle handle = OpenForSecurity(folder);
    if (!handle.Valid()) Fail(L"无法打开文件夹 " + folder, GetLastError());
    const BY_HANDLE_FILE_INFORMATION info = InformationOf(handle, folder);
    RefuseLinks(info, folder);
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      throw Failure{folder + L" 不是文件夹"};
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(handle.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                        &owner, nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) Fail(L"无法读取文件夹 " + folder + L" 的所有者", error);
    Sid administrators = WellKnown(WinBuiltinAdministratorsSid);
    Sid system = WellKnown(WinLocalSystemSid);
    Sid installer = CurrentUser();
    trusted = EqualSid(owner, administrators.Get()) || EqualSid(owner, system.Get()) ||
              EqualSid(owner, installer.Get());
    std::wstring text = SidText(owner);
    LocalFree(descriptor);
    return text;
  }

  // The folder and, top down, everything in it.
  void Apply(const std::wstring& folder) {
    const Handle handle = OpenForSecurity(folder);
    if (!handle.Valid()) Fail(L"无法打开文件夹 " + folder, GetLastError());
    RefuseLinks(InformationOf(handle, folder), folder);
    Set(handle, folder, folderAcl_, PROTECTED_DACL_SECURITY_INFORMATION);
    ApplyInside(folder);
  }

 private:
  static ACL* Acl(std::vector<BYTE>& bytes) { return reinterpret_cast<ACL*>(bytes.data()); }

  void Set(const Handle& handle, const std::wstring& path, std::vector<BYTE>& acl, DWORD how) {
    const DWORD error = SetSecurityInfo(
        handle.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | how,
        owner_, nullptr, Acl(acl), nullptr);
    if (error != ERROR_SUCCESS) Fail(L"无法设置 " + path + L" 的权限", error);
  }

  // Each item gets what it would inherit and nothing else; a subfolder is listed only once
  // its own access list lets Administrators do so.
  void ApplyInside(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return;
      Fail(L"无法列出文件夹 " + folder, GetLastError());
    }
    std::vector<std::wstring> names;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) Fail(L"无法列出文件夹 " + folder, error);

    for (const std::wstring& name : names) {
      const std::wstring path = folder + L"\\" + name;
      const Handle handle = OpenForSecurity(path);
      if (!handle.Valid()) Fail(L"无法打开 " + path, GetLastError());
      const BY_HANDLE_FILE_INFORMATION info = InformationOf(handle, path);
      RefuseLinks(info, path);
      const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      Set(handle, path, isFolder ? subfolderAcl_ : fileAcl_, UNPROTECTED_DACL_SECURITY_INFORMATION);
      if (isFolder) ApplyInside(path);
    }
  }

  PSID owner_;
  std::vector<BYTE> folderAcl_;
  std::vector<BYTE> subfolderAcl_;
  std::vector<BYTE> fileAcl_;
};

std::wstring WithoutTrailingSlash(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::wstring Expanded(const wchar_t* text) {
  wchar_t buffer[MAX_PATH * 2] = {};
  const DWORD length = ExpandEnvironmentStringsW(text, buffer, MAX_PATH * 2);
  if (length == 0 || length > MAX_PATH * 2 || wcschr(buffer, L'%') != nullptr) return L"";
  return WithoutTrailingSlash(buffer);
}

// The full path, without a closing backslash.
std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
  if (length == 0 || length >= MAX_PATH * 2) Fail(L"文件夹名无效：" + path, GetLastError());
  return WithoutTrailingSlash(full);
}

// A drive's root, Windows' own folders and those that hold every program's or user's
// folders: resetting one of them, with everything inside, would wreck the system.
void RefuseSystemFolder(const std::wstring& path) {
  const std::wstring refused = L"不能把 " + path + L" 用作 keydesk 的文件夹，请另选一个";
  if (path.size() <= 2) throw Failure{refused};  // a drive's root
  for (const wchar_t* name :
       {L"%SystemRoot%", L"%ProgramFiles%", L"%ProgramFiles(x86)%", L"%ProgramW6432%",
        L"%ProgramData%", L"%SystemDrive%\\Users", L"%CommonProgramFiles%",
        L"%CommonProgramFiles(x86)%", L"%USERPROFILE%", L"%PUBLIC%"}) {
    const std::wstring system = Expanded(name);
    if (!system.empty() &&
        CompareStringOrdinal(path.c_str(), -1, system.c_str(), -1, TRUE) == CSTR_EQUAL) {
      throw Failure{refused};
    }
  }
  const std::wstring windows = Expanded(L"%SystemRoot%") + L"\\";
  if (windows.size() > 1 && path.size() > windows.size() &&
      CompareStringOrdinal(path.c_str(), static_cast<int>(windows.size()), windows.c_str(), -1,
                           TRUE) == CSTR_EQUAL) {
    throw Failure{refused};
  }
}

// One part of an address: a decimal number up to max, without sign or leading zero, as
// keydesk reads Option.ini.
bool SmallNumber(const std::wstring& text, unsigned max, unsigned& value) {
  if (text.empty() || text.size() > 3 || (text.size() > 1 && text[0] == L'0')) return false;
  value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  return value <= max;
}

bool ParseAddress(const std::wstring& text, uint32_t& address) {
  address = 0;
  size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const size_t dot = part < 3 ? text.find(L'.', start) : text.size();
    unsigned number = 0;
    if (dot == std::wstring::npos || !SmallNumber(text.substr(start, dot - start), 255, number)) {
      return false;
    }
    address = address << 8 | number;
    start = dot + 1;
  }
  return true;
}

std::wstring AddressText(uint32_t address) {
  return std::to_wstring(address >> 24) + L"." + std::to_wstring(address >> 16 & 0xFF) + L"." +
         std::to_wstring(address >> 8 & 0xFF) + L"." + std::to_wstring(address & 0xFF);
}

// A range is written by its network address: the firewall refuses "10.0.0.5/24".
int Hosts(const std::wstring& text) {
  std::wstring list;
  size_t position = 0;
  while (position < text.size()) {
    const size_t start = text.find_first_not_of(L", \t", position);
    if (start == std::wstring::npos) break;
    const size_t end = std::min(text.find_first_of(L", \t", start), text.size());
    const std::wstring entry = text.substr(start, end - start);
    position = end;
    const size_t slash = entry.find(L'/');
    uint32_t address = 0;
    unsigned prefix = 32;
    if (!ParseAddress(entry.substr(0, slash), address) ||
        (slash != std::wstring::npos && !SmallNumber(entry.substr(slash + 1), 32, prefix))) {
      throw Failure{L"不是 IPv4 地址或地址范围：" + entry};
    }
    const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
    if (!list.empty()) list += L",";
    list += AddressText(address & mask);
    if (prefix != 32) list += L"/" + std::to_wstring(prefix);
  }
  Print(list);
  return 0;
}

int Show(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) Fail(L"无法读取 " + path + L" 的权限", error);
  wchar_t* text = nullptr;
  const BOOL converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
      nullptr);
  const DWORD conversionError = GetLastError();
  LocalFree(descriptor);
  if (!converted) Fail(L"无法读取 " + path + L" 的权限", conversionError);
  Print(text);
  LocalFree(text);
  return 0;
}

int Run(const std::wstring& kind, const std::wstring& rawFolder) {
  if (kind == L"hosts") return Hosts(rawFolder);
  const std::wstring folder = FullPath(rawFolder);
  if (kind == L"show") return Show(folder);
  const bool programs = kind == L"programs";
  RefuseSystemFolder(folder);
  EnablePrivileges();
  Sid system = WellKnown(WinLocalSystemSid);
  Sid administrators = WellKnown(WinBuiltinAdministratorsSid);
  Sid users = WellKnown(WinBuiltinUsersSid);
  FolderAccess access({{system.Get(), kFullControl},
                       {administrators.Get(), kFullControl},
                       {users.Get(), programs ? kReadAndExecute : kModify}},
                      administrators.Get());
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) access.Create(folder);
  bool trusted = false;
  const std::wstring owner = access.OwnerOf(folder, trusted);
  if (!trusted) {
    if (programs) {
      throw Failure{L"程序文件夹 " + folder + L" 已存在，所有者 " + owner +
                    L" 不是管理员；其中的程序不可信。请删除这个文件夹或另选一个，再安装"};
    }
    Print(L"数据文件夹 " + folder + L" 的所有者 " + owner +
          L" 不是管理员：所有者和权限连同其中的文件全部重新设置");
  }
  access.Apply(folder);
  Print((programs ? L"程序文件夹 " : L"数据文件夹 ") + folder + L" 的权限已设置");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring kind = argc == 3 ? argv[1] : L"";
  if (kind != L"programs" && kind != L"data" && kind != L"show" && kind != L"hosts") {
    Print(
        L"用法：keydesk-setup-helper programs|data|show 文件夹，或 keydesk-setup-helper hosts "
        L"地址");
    return 2;
  }
  try {
    return Run(kind, argv[2]);
  } catch (const Failure& failure) {
    Print(failure.What);
    return 1;
  }
}
