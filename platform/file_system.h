#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Creates the last component of `path` only; 1 on success.
int createFolder(const char* path);

// Creates `path` as a new folder that only this user may enter, and then checks that what stands
// at `path` is that folder: a folder, not a link, owned by this user. 1 only when this call made
// it; 0 when the name was taken (whoever took it, an existing folder included), the parent is
// missing or the check fails. Used where another user might be making the same name at the same
// moment, as in a shared temporary folder.
int createPrivateFolder(const char* path);

// Removes an empty folder; 1 on success.
int removeFolder(const char* path);

// Removes the folder `path` and everything in it without ever following a link: a link found
// inside, or standing at `path` itself, is removed as a link and its target is left alone;
// read-only files go too. An entry whose deletion is refused stays, and so does every folder above
// it. 1 when nothing is left at `path`.
int removeFolderTree(const char* path);

// Removes a symbolic link, junction or other reparse point itself, never what it points to;
// 1 on success.
int removeLink(const char* path);

enum class DeleteOutcome { Deleted, Refused, Failed };

// Clears the read-only bit of `path` (not of a link's target; other bits stay) and deletes the
// file. Refused means access was denied (sharing and lock violations, write protection; EACCES,
// EPERM or EROFS on POSIX); every other failure, a missing file included, is Failed.
DeleteOutcome deleteFile(const char* path);

// What makes a file or folder itself, however its path is spelled (letter case, short names,
// links, ".." steps): the volume and the file's number on it.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of what `path` names, links followed; 1 when it exists and could be asked.
int fileIdentity(const char* path, FileIdentity& identity);

// Drive kinds with the values of the Windows drive types.
enum DriveKind : int {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// The kind of the drive whose root (or, for the removable-media test, whole path) is given.
int driveKind(const char* path);

// 1 when the volume has at least one free allocation unit. Windows asks about `root`; POSIX roots
// do not name a volume, so it asks about the file system that holds `folder` itself.
int volumeHasFreeSpace(const char* root, const char* folder);

// 1 when the user may create entries in the existing folder `path`. Windows answers 1: there the
// temporary base is chosen by free space alone.
int canCreateEntries(const char* path);

// The process's current folder; 1 when it was obtained.
int currentDirectory(std::string& path);
int setCurrentDirectory(const char* path);

}  // namespace platform
