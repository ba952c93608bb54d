#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "resedit/pe/image_file.h"

namespace pe {

// CRC-32 (the ZIP and zlib polynomial), continued from `crc` (0 to start).
std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count);

// The fixed header that opens an NSIS installer's data, found by the installer at a file offset
// that is a multiple of 512.
struct NsisFirstHeader {
  static constexpr std::size_t kSize = 28;
  static constexpr std::uint64_t kAlignment = 512;
  // The installer's integrity check skips the first block, which holds the PE headers, so that a
  // signature or a header checksum can be added after it was built.
  static constexpr std::uint64_t kCheckedFrom = 512;

  std::uint32_t flags = 0;
  std::uint32_t lengthOfHeader = 0;
  std::uint32_t lengthOfAllFollowingData = 0;  // from this header to the end of its CRC

  // Reads a header from `bytes`; 0 when they do not hold one.
  int read(std::span<const std::uint8_t> bytes);
  // Whether the installer checks its CRC and so carries one at the end of its data.
  bool checksCrc() const { return (flags & kNoCrc) == 0 || (flags & kForceCrc) != 0; }

  static constexpr std::uint32_t kNoCrc = 4;
  static constexpr std::uint32_t kForceCrc = 8;
};

// The central directory of a ZIP archive at the end of a file, with the offsets it holds. Offsets
// are counted from `base`: 0 for an archive adjusted as a self-extractor ("zip -A"), the archive's
// first byte for one that was only appended to its stub.
class ZipDirectory {
 public:
  // Looks for an archive in [start, end) whose end record ends exactly at `end`. 1 when one was
  // found, 0 when the bytes hold none; -1 (with reason()) when they hold one that cannot be read.
  int locate(ImageFile& file, std::uint64_t start, std::uint64_t end);

  std::uint64_t base() const { return base_; }
  // The bytes from the start of the central directory to the end of the end record, which hold
  // every offset of the archive.
  std::uint64_t recordsStart() const { return recordsStart_; }
  std::uint64_t recordsEnd() const { return recordsEnd_; }
  // The lowest offset the archive's records refer to, counted from the start of the file.
  std::uint64_t firstReferenced() const { return firstReferenced_; }

  // Adds `shift` to every offset in `records` (the bytes [recordsStart, recordsEnd)), as "zip -A"
  // does for a stub of that size. 0 (with reason()) when an offset would no longer fit.
  int rebase(std::vector<std::uint8_t>& records, std::uint64_t shift);

  const std::string& reason() const { return reason_; }

 private:
  int fail(const char* why) {
    reason_ = why;
    return -1;
  }
  // Walks the central directory entries of `records`, giving each local header offset field.
  template <typename Visit>
  int forEachEntry(std::vector<std::uint8_t>& records, Visit visit);

  std::uint64_t base_ = 0;
  std::uint64_t recordsStart_ = 0;
  std::uint64_t recordsEnd_ = 0;
  std::uint64_t firstReferenced_ = 0;
  std::uint64_t entries_ = 0;
  std::uint64_t directorySize_ = 0;
  std::uint64_t eocd_ = 0;
  std::uint64_t zip64Record_ = 0;  // 0 without ZIP64 records
  std::string reason_;
};

// A self-extractor's payload in the overlay of a PE file (the bytes after its last section) whose
// validity depends on where it lies or on the bytes before it.
class OverlayPayload {
 public:
  enum class Kind { kNone, kZip, kNsis };

  // Recognises the payload of the overlay [start, end). 0 (with reason()) when the overlay holds
  // a payload of a known kind that cannot be read.
  int inspect(ImageFile& file, std::uint64_t start, std::uint64_t end);

  Kind kind() const { return kind_; }
  const std::string& reason() const { return reason_; }

  // ZIP: the rewritten records for an overlay that lands `shift` bytes later, at `recordsStart()`
  // of the source. Empty `records` when nothing needs to change. 0 (with reason()) when the
  // archive cannot be kept valid.
  int zipRecordsAfterMove(ImageFile& file, std::uint64_t shift, std::vector<std::uint8_t>& records);
  const ZipDirectory& zip() const { return zip_; }

  // NSIS: where its first header lies, and whether a CRC over the bytes before it must be
  // recomputed after any change.
  std::uint64_t nsisHeaderOffset() const { return nsisOffset_; }
  const NsisFirstHeader& nsisHeader() const { return nsis_; }
  bool nsisChecksCrc() const { return kind_ == Kind::kNsis && nsis_.checksCrc(); }
  // Source offset of the stored CRC; it covers [kCheckedFrom, this offset).
  std::uint64_t nsisCrcOffset() const { return nsisOffset_ + nsis_.lengthOfAllFollowingData - 4; }

 private:
  int fail(const char* why) {
    reason_ = why;
    return 0;
  }

  Kind kind_ = Kind::kNone;
  std::uint64_t start_ = 0;
  ZipDirectory zip_;
  NsisFirstHeader nsis_;
  std::uint64_t nsisOffset_ = 0;
  std::string reason_;
};

}  // namespace pe
