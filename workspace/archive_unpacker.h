#pragma once

#include <cstdint>
#include <string>

// Bounds on what one archive may unpack, far above the preference editor archive (42 entries,
// well under 1 MiB in all, no file over 64 KiB), so that only a damaged or hostile archive meets
// them: such an archive must not fill the disk under the temporary folder.
constexpr std::uint64_t kMaximumArchiveEntries = 4096;
constexpr std::uint64_t kMaximumEntryBytes = 16ull << 20;
constexpr std::uint64_t kMaximumUnpackedBytes = 64ull << 20;

// Unpacks every entry of a ZIP archive below destinationFolder. Folders come only from folder
// entries (one level each); files are created with normal attributes, replacing existing ones.
// Entries with absolute names or ".." components are skipped. A file whose data cannot be read
// or written completely, or fails its checksum, is removed again and the next entry follows.
// Unpacking stops at an entry whose data cannot be opened, that shares or overlaps the bytes of
// an earlier entry, or that would pass the bounds above; an archive with more entries than the
// bound unpacks nothing. True only when every entry was unpacked whole; otherwise `failure`, when
// given, says what went wrong first, naming the file and giving the system's reason.
bool unpackArchive(const char* archivePath, const char* destinationFolder,
                   std::string* failure = nullptr);
