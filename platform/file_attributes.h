#pragma once

#include <cstdint>

namespace platform {

// Attribute bits as the Windows file system reports them; the POSIX backend maps its own
// file modes onto the same bits so that the layers above test one set of flags.
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAttributeReadOnly = 0x01u;
inline constexpr std::uint32_t kAttributeHidden = 0x02u;
inline constexpr std::uint32_t kAttributeDirectory = 0x10u;
inline constexpr std::uint32_t kAttributeNormal = 0x80u;
inline constexpr std::uint32_t kAttributeReparsePoint = 0x400u;

// The attributes of `path` (relative paths against the current folder), or kInvalidFileAttributes
// when it does not exist. A symbolic link or junction reports kAttributeReparsePoint, with the
// directory bit when it stands for a folder, as Windows reports directory links.
std::uint32_t fileAttributes(const char* path);

enum class FileLook { kRegular, kMissing, kNotRegular, kNotLocalPath };

// What can be learnt of a file that an outside source names, without opening it, without reading
// a byte of it and without reaching another computer: only a full path on this computer (a drive
// path on Windows, never a share or a device namespace; an absolute path on POSIX) is asked, and
// only for its kind and, when it is a regular file, its `size`. A folder, device, pipe or socket
// is not regular; so is a link on Windows, while POSIX follows links as reading the file would.
FileLook examineFile(const char* path, std::uint64_t& size);

}  // namespace platform
