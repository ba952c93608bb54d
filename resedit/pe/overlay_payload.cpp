#include "resedit/pe/overlay_payload.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "resedit/pe/byte_order.h"

namespace pe {

namespace {

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

constexpr std::uint32_t kNsisSignature = 0xDEADBEEF;
constexpr char kNsisMagic[] = "NullsoftInst";
constexpr std::uint32_t kNsisKnownFlags = 0xF;
// An installer's data starts right after its stub; looking a little further costs little.
constexpr std::uint64_t kNsisSearchLength = 64 * 1024;

constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kMaximumComment = 0xFFFF;
constexpr std::uint32_t kZip64LocatorSize = 20;
constexpr std::uint32_t kZip64RecordSize = 56;
constexpr std::uint32_t kCentralEntrySize = 46;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kEscape32 = 0xFFFFFFFF;
constexpr std::uint16_t kEscape16 = 0xFFFF;

bool hasSignature(std::span<const std::uint8_t> bytes, std::size_t at, std::uint8_t third,
                  std::uint8_t fourth) {
  return at + 4 <= bytes.size() && bytes[at] == 'P' && bytes[at + 1] == 'K' &&
         bytes[at + 2] == third && bytes[at + 3] == fourth;
}

std::uint64_t readU64(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  readU32(bytes, at, low);
  readU32(bytes, at + 4, high);
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

void putU64(std::uint8_t* out, std::uint64_t value) {
  putU32(out, static_cast<std::uint32_t>(value));
  putU32(out + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace

std::uint32_t crc32Update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  crc = ~crc;
  for (std::size_t i = 0; i < count; ++i) crc = kCrcTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

int NsisFirstHeader::read(std::span<const std::uint8_t> bytes) {
  std::uint32_t signature = 0;
  if (bytes.size() < kSize || !readU32(bytes, 4, signature) || signature != kNsisSignature ||
      std::memcmp(bytes.data() + 8, kNsisMagic, 12) != 0) {
    return 0;
  }
  readU32(bytes, 0, flags);
  readU32(bytes, 20, lengthOfHeader);
  readU32(bytes, 24, lengthOfAllFollowingData);
  return (flags & ~kNsisKnownFlags) == 0;
}

template <typename Visit>
int ZipDirectory::forEachEntry(std::vector<std::uint8_t>& records, Visit visit) {
  std::span<const std::uint8_t> bytes(records.data(), static_cast<std::size_t>(directorySize_));
  std::size_t at = 0;
  for (std::uint64_t entry = 0; entry < entries_; ++entry) {
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint32_t compressed = 0;
    std::uint32_t uncompressed = 0;
    std::uint32_t offset = 0;
    if (!hasSignature(bytes, at, 1, 2) || !readU16(bytes, at + 28, nameLength) ||
        !readU16(bytes, at + 30, extraLength) || !readU16(bytes, at + 32, commentLength) ||
        !readU32(bytes, at + 20, compressed) || !readU32(bytes, at + 24, uncompressed) ||
        !readU32(bytes, at + 42, offset)) {
      return fail("the ZIP central directory is damaged"), 0;
    }
    const std::size_t next = at + kCentralEntrySize + nameLength + extraLength + commentLength;
    if (next > bytes.size()) return fail("the ZIP central directory is damaged"), 0;
    if (offset != kEscape32) {
      if (!visit(&records[at + 42], 4)) return 0;
    } else {
      // The real offset is in the ZIP64 extra field, after the sizes that are escaped too.
      std::size_t extra = at + kCentralEntrySize + nameLength;
      const std::size_t extraEnd = extra + extraLength;
      bool found = false;
      while (extra + 4 <= extraEnd) {
        std::uint16_t id = 0;
        std::uint16_t size = 0;
        readU16(bytes, extra, id);
        readU16(bytes, extra + 2, size);
        if (extra + 4 + size > extraEnd) break;
        if (id == kZip64ExtraId) {
          std::size_t field =
              extra + 4 + (uncompressed == kEscape32 ? 8 : 0) + (compressed == kEscape32 ? 8 : 0);
          if (field + 8 > extra + 4 + size) break;
          if (!visit(&records[field], 8)) return 0;
          found = true;
          break;
        }
        extra += 4 + size;
      }
      if (!found) return fail("a ZIP64 entry has no offset of its own"), 0;
    }
    at = next;
  }
  if (at != bytes.size()) return fail("the ZIP central directory is damaged"), 0;
  return 1;
}

int ZipDirectory::locate(ImageFile& file, std::uint64_t start, std::uint64_t end) {
  reason_.clear();
  if (end < start || end - start < kEndRecordSize) return 0;
  const std::uint64_t windowStart = std::max<std::uint64_t>(
      start, end - std::min<std::uint64_t>(end, kEndRecordSize + kMaximumComment));
  std::vector<std::uint8_t> window(static_cast<std::size_t>(end - windowStart));
  if (!file.readAt(windowStart, window.data(), window.size()))
    return fail("the payload cannot be read");
  std::size_t at = window.size() - kEndRecordSize + 1;
  std::uint16_t commentLength = 0;
  bool found = false;
  while (at-- > 0) {
    if (hasSignature(window, at, 5, 6) && readU16(window, at + 20, commentLength) &&
        at + kEndRecordSize + commentLength == window.size()) {
      found = true;
      break;
    }
  }
  if (!found) return 0;
  eocd_ = windowStart + at;
  std::uint16_t disk = 0;
  std::uint16_t directoryDisk = 0;
  std::uint16_t entries = 0;
  std::uint32_t directorySize = 0;
  std::uint32_t directoryOffset = 0;
  readU16(window, at + 4, disk);
  readU16(window, at + 6, directoryDisk);
  readU16(window, at + 10, entries);
  readU32(window, at + 12, directorySize);
  readU32(window, at + 16, directoryOffset);
  entries_ = entries;
  directorySize_ = directorySize;
  std::uint64_t offset = directoryOffset;
  std::uint64_t directoryEnd = eocd_;
  zip64Record_ = 0;

  std::uint8_t locator[kZip64LocatorSize];
  if (eocd_ >= start + kZip64LocatorSize &&
      file.readAt(eocd_ - kZip64LocatorSize, locator, sizeof locator) &&
      hasSignature(locator, 0, 6, 7)) {
    std::uint32_t recordDisk = 0;
    std::uint32_t disks = 0;
    readU32(locator, 4, recordDisk);
    readU32(locator, 16, disks);
    if (recordDisk != 0 || disks > 1) return fail("the ZIP archive spans several disks");
    if (eocd_ < start + kZip64LocatorSize + kZip64RecordSize)
      return fail("the ZIP64 end record is missing");
    std::uint8_t record[kZip64RecordSize];
    zip64Record_ = eocd_ - kZip64LocatorSize - kZip64RecordSize;
    if (!file.readAt(zip64Record_, record, sizeof record) || !hasSignature(record, 0, 6, 6) ||
        readU64(record, 4) != kZip64RecordSize - 12) {
      return fail("the ZIP64 end record is not where the archive's end says");
    }
    std::uint32_t zip64Disk = 0;
    std::uint32_t zip64DirectoryDisk = 0;
    readU32(record, 16, zip64Disk);
    readU32(record, 20, zip64DirectoryDisk);
    if (zip64Disk != 0 || zip64DirectoryDisk != 0)
      return fail("the ZIP archive spans several disks");
    entries_ = readU64(record, 32);
    directorySize_ = readU64(record, 40);
    offset = readU64(record, 48);
    directoryEnd = zip64Record_;
    if (directorySize_ + offset > directoryEnd ||
        readU64(locator, 8) != zip64Record_ - (directoryEnd - directorySize_ - offset)) {
      return fail("the ZIP64 records disagree about where the archive starts");
    }
  } else if (disk != 0 || directoryDisk != 0) {
    return fail("the ZIP archive spans several disks");
  } else if (entries == kEscape16 || directorySize == kEscape32 || directoryOffset == kEscape32) {
    return fail("the ZIP archive needs ZIP64 records it does not have");
  }
  if (directorySize_ > directoryEnd || offset > directoryEnd - directorySize_)
    return fail("the ZIP archive's offsets point past its end");
  base_ = directoryEnd - directorySize_ - offset;
  recordsStart_ = directoryEnd - directorySize_;
  recordsEnd_ = eocd_ + kEndRecordSize;
  if (recordsStart_ < start) return fail("the ZIP central directory lies before the payload");
  // Each entry takes at least a fixed header, so a count the directory cannot hold is damage.
  if (entries_ > directorySize_ / kCentralEntrySize)
    return fail("the ZIP central directory is damaged");

  std::vector<std::uint8_t> records(static_cast<std::size_t>(recordsEnd_ - recordsStart_));
  if (!file.readAt(recordsStart_, records.data(), records.size()))
    return fail("the payload cannot be read");
  std::uint64_t lowest = offset;
  if (!forEachEntry(records, [&](const std::uint8_t* field, int width) {
        std::span<const std::uint8_t> bytes(field, static_cast<std::size_t>(width));
        std::uint32_t narrow = 0;
        const std::uint64_t value =
            width == 8 ? readU64(bytes, 0) : (readU32(bytes, 0, narrow), narrow);
        lowest = std::min(lowest, value);
        return 1;
      })) {
    return -1;
  }
  firstReferenced_ = base_ + lowest;
  return 1;
}

int ZipDirectory::rebase(std::vector<std::uint8_t>& records, std::uint64_t shift) {
  reason_.clear();
  if (records.size() != recordsEnd_ - recordsStart_) return fail("the ZIP records changed"), 0;
  auto add = [&](std::uint8_t* field, int width) {
    std::span<const std::uint8_t> bytes(field, static_cast<std::size_t>(width));
    if (width == 8) {
      const std::uint64_t value = readU64(bytes, 0);
      if (value > std::numeric_limits<std::uint64_t>::max() - shift)
        return fail("a ZIP offset would overflow"), 0;
      putU64(field, value + shift);
      return 1;
    }
    std::uint32_t value = 0;
    readU32(bytes, 0, value);
    if (value + shift >= kEscape32) return fail("a ZIP offset would need ZIP64 records"), 0;
    putU32(field, static_cast<std::uint32_t>(value + shift));
    return 1;
  };
  if (!forEachEntry(records, add)) return 0;
  const std::size_t eocd = static_cast<std::size_t>(eocd_ - recordsStart_);
  std::uint32_t directoryOffset = 0;
  readU32(records, eocd + 16, directoryOffset);
  if (directoryOffset != kEscape32 && !add(&records[eocd + 16], 4)) return 0;
  if (zip64Record_ != 0) {
    const std::size_t record = static_cast<std::size_t>(zip64Record_ - recordsStart_);
    if (!add(&records[record + 48], 8)) return 0;
    if (!add(&records[eocd - kZip64LocatorSize + 8], 8)) return 0;
  }
  return 1;
}

int OverlayPayload::inspect(ImageFile& file, std::uint64_t start, std::uint64_t end) {
  kind_ = Kind::kNone;
  start_ = start;
  reason_.clear();
  if (end <= start) return 1;

  const std::uint64_t first = alignUp(start, NsisFirstHeader::kAlignment);
  const std::uint64_t searchEnd = std::min(end, start + kNsisSearchLength);
  if (first < searchEnd) {
    std::vector<std::uint8_t> head(static_cast<std::size_t>(searchEnd - first));
    if (!file.readAt(first, head.data(), head.size())) return fail("the payload cannot be read");
    for (std::size_t at = 0; at + NsisFirstHeader::kSize <= head.size();
         at += NsisFirstHeader::kAlignment) {
      if (!nsis_.read(std::span<const std::uint8_t>(head).subspan(at))) continue;
      kind_ = Kind::kNsis;
      nsisOffset_ = first + at;
      if (nsis_.lengthOfAllFollowingData > end - nsisOffset_ ||
          (nsis_.checksCrc() && nsis_.lengthOfAllFollowingData < NsisFirstHeader::kSize + 4)) {
        return fail("the NSIS installer's data is cut short");
      }
      return 1;
    }
  }

  const int zip = zip_.locate(file, start, end);
  if (zip < 0) return fail(zip_.reason().c_str());
  if (zip > 0) kind_ = Kind::kZip;
  return 1;
}

int OverlayPayload::zipRecordsAfterMove(ImageFile& file, std::uint64_t shift,
                                        std::vector<std::uint8_t>& records) {
  records.clear();
  // Offsets counted from a point inside the payload move with it.
  if (kind_ != Kind::kZip || shift == 0 || zip_.base() >= start_) return 1;
  if (zip_.firstReferenced() < start_) return fail("a ZIP entry lies before the payload");
  records.resize(static_cast<std::size_t>(zip_.recordsEnd() - zip_.recordsStart()));
  if (!file.readAt(zip_.recordsStart(), records.data(), records.size()))
    return fail("the payload cannot be read");
  if (!zip_.rebase(records, shift)) return fail(zip_.reason().c_str());
  return 1;
}

}  // namespace pe
