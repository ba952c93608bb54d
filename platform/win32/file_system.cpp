#include "platform/file_system.h"

#include <windows.h>
// clang-format off
#include <aclapi.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

namespace platform {

namespace {

bool isRefusal(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_CURRENT_DIRECTORY ||
         (error >= ERROR_WRITE_PROTECT && error <= ERROR_SHARING_BUFFER_EXCEEDED) ||
         error == ERROR_NETWORK_ACCESS_DENIED || error == ERROR_CANNOT_MAKE ||
         error == ERROR_FAIL_I24 || error == ERROR_DRIVE_LOCKED || error == ERROR_SEEK_ON_DEVICE ||
         error == ERROR_NOT_LOCKED || error == ERROR_LOCK_FAILED;
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (valid()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// One piece of the process token's information (TOKEN_USER, TOKEN_OWNER), or nothing.
std::vector<unsigned char> tokenInformation(TOKEN_INFORMATION_CLASS kind) {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  const Handle token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.get(), kind, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<unsigned char> data(size);
  if (!::GetTokenInformation(token.get(), kind, data.data(), size, &size)) return {};
  return data;
}

PSID tokenUser(std::vector<unsigned char>& data) {
  return data.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(data.data())->User.Sid;
}

PSID tokenOwner(std::vector<unsigned char>& data) {
  return data.empty() ? nullptr : reinterpret_cast<TOKEN_OWNER*>(data.data())->Owner;
}

// A security descriptor whose protected DACL lets only `user` in, to this folder and everything
// made inside it.
struct PrivateDescriptor {
  SECURITY_DESCRIPTOR descriptor{};
  std::vector<unsigned char> acl;

  bool build(PSID user) {
    const DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(user);
    acl.assign(size, 0);
    auto* list = reinterpret_cast<PACL>(acl.data());
    return ::InitializeAcl(list, size, ACL_REVISION) &&
           ::AddAccessAllowedAceEx(list, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, user) &&
           ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
           ::SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  }
};

// 1 when the folder open as `folder` is owned by this user (or by the owner the token gives new
// objects, the Administrators group for some administrators).
bool ownedByUs(HANDLE folder) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &raw) != ERROR_SUCCESS) {
    return false;
  }
  const std::unique_ptr<void, decltype(&::LocalFree)> descriptor(raw, &::LocalFree);
  std::vector<unsigned char> user = tokenInformation(TokenUser);
  std::vector<unsigned char> defaultOwner = tokenInformation(TokenOwner);
  return owner != nullptr &&
         ((tokenUser(user) != nullptr && ::EqualSid(owner, tokenUser(user))) ||
          (tokenOwner(defaultOwner) != nullptr && ::EqualSid(owner, tokenOwner(defaultOwner))));
}

// Removes what the search found in `folder` under `found`'s name, going by the attributes the
// folder's own listing gave: a reparse point is removed itself, never entered.
bool removeFoundEntry(const std::string& folder, const WIN32_FIND_DATAA& found);

bool removeTreeAt(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") removeFoundEntry(folder, found);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  return ::RemoveDirectoryA(folder.c_str()) != 0;
}

bool removeFoundEntry(const std::string& folder, const WIN32_FIND_DATAA& found) {
  const std::string path = folder + "\\" + found.cFileName;
  const DWORD attributes = found.dwFileAttributes;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Both calls act on the reparse point itself, a junction or folder link as an empty folder.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryA(path.c_str()) != 0
                                                   : ::DeleteFileA(path.c_str()) != 0;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return removeTreeAt(path);
  return deleteFile(path.c_str()) == DeleteOutcome::Deleted;
}

}  // namespace

int createFolder(const char* path) { return ::CreateDirectoryA(path, nullptr) ? 1 : 0; }

int createPrivateFolder(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  std::vector<unsigned char> user = tokenInformation(TokenUser);
  PrivateDescriptor privateDescriptor;
  if (tokenUser(user) == nullptr || !privateDescriptor.build(tokenUser(user))) return 0;
  SECURITY_ATTRIBUTES security{sizeof(security), &privateDescriptor.descriptor, FALSE};
  // CreateDirectory fails on any existing name, so the folder is new when it succeeds.
  if (!::CreateDirectoryA(path, &security)) return 0;
  const Handle folder(
      ::CreateFileA(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder.valid()) return 0;
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(folder.get(), &information)) return 0;
  const DWORD attributes = information.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return 0;
  }
  return ownedByUs(folder.get()) ? 1 : 0;
}

int removeFolder(const char* path) { return ::RemoveDirectoryA(path) ? 1 : 0; }

int removeFolderTree(const char* path) {
  if (path == nullptr || *path == '\0') return 0;
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 1 : 0;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return removeLink(path);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return 0;
  return removeTreeAt(path) ? 1 : 0;
}

int removeLink(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return 0;
  }
  // Both calls act on the reparse point itself: a junction or folder link is removed as an
  // (empty) folder, a file link as a file; the target is never opened.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryA(path) ? 1 : 0;
  return ::DeleteFileA(path) ? 1 : 0;
}

DeleteOutcome deleteFile(const char* path) {
  const DWORD attributes = ::GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    ::SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  if (::DeleteFileA(path)) return DeleteOutcome::Deleted;
  return isRefusal(::GetLastError()) ? DeleteOutcome::Refused : DeleteOutcome::Failed;
}

int fileIdentity(const char* path, FileIdentity& identity) {
  if (path == nullptr || *path == '\0') return 0;
  // No access asked for: only the file's information is read, and any sharing mode is accepted.
  const Handle file(::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file.valid() || !::GetFileInformationByHandle(file.get(), &information)) return 0;
  identity.volume = information.dwVolumeSerialNumber;
  identity.index =
      (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
  return 1;
}

int driveKind(const char* path) { return static_cast<int>(::GetDriveTypeA(path)); }

int volumeHasFreeSpace(const char* root, const char*) {
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
    return 0;
  }
  return freeClusters != 0 ? 1 : 0;
}

int canCreateEntries(const char*) { return 1; }

int currentDirectory(std::string& path) {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return 0;
  path.assign(buffer, length);
  return 1;
}

int setCurrentDirectory(const char* path) { return ::SetCurrentDirectoryA(path) ? 1 : 0; }

}  // namespace platform
