// The part of the rewrite that keeps a self-extractor's payload valid: a ZIP archive's offsets
// follow a moved overlay as "zip -A" would set them, and an NSIS installer's CRC is computed again
// over the bytes it covers, which include the resource section.
#include <algorithm>
#include <cstring>

#include "resedit/pe/byte_order.h"
#include "resedit/pe/overlay_payload.h"
#include "resedit/pe/resource_rewriter.h"

namespace pe {

namespace {

constexpr std::size_t kCrcChunk = 1 << 20;

}  // namespace

int ResourceRewriter::readPlanned(std::uint64_t offset, std::uint8_t* out, std::size_t count,
                                  bool withPatches) {
  std::uint64_t position = 0;
  const std::uint64_t end = offset + count;
  for (const Segment& segment : segments_) {
    const std::uint64_t segmentEnd = position + segment.length;
    if (segmentEnd > offset && position < end) {
      const std::uint64_t from = std::max(offset, position);
      const std::uint64_t to = std::min(end, segmentEnd);
      std::uint8_t* target = out + (from - offset);
      const std::uint64_t inSegment = from - position;
      const auto length = static_cast<std::size_t>(to - from);
      if (segment.zeros) {
        std::memset(target, 0, length);
      } else if (!segment.literal.empty()) {
        std::memcpy(target, segment.literal.data() + inSegment, length);
      } else if (!source_.file().readAt(segment.sourceOffset + inSegment, target, length)) {
        return 0;
      }
    }
    position = segmentEnd;
  }
  if (end > position) return 0;
  if (withPatches) applyPatches(offset, out, count);
  return 1;
}

int ResourceRewriter::keepPayloadValid() {
  const PeLayout& layout = source_.layout();
  const std::uint64_t start = layout.endOfSectionData();
  const std::uint64_t end = copyEnd();
  if (start >= end) return 1;
  OverlayPayload payload;
  auto refuse = [&](const std::string& why) {
    reason_ = why;
    return 0;
  };
  const std::uint64_t shift = mapOffset(start) - start;
  // A payload that cannot be read is only a problem when it has to change.
  if (!payload.inspect(source_.file(), start, end))
    return shift == 0 ? 1 : refuse(payload.reason());

  if (payload.kind() == OverlayPayload::Kind::kZip && shift != 0) {
    std::vector<std::uint8_t> records;
    if (!payload.zipRecordsAfterMove(source_.file(), shift, records))
      return refuse(payload.reason());
    if (!records.empty())
      patches_.push_back(Patch{mapOffset(payload.zip().recordsStart()), std::move(records)});
  }

  if (!payload.nsisChecksCrc()) return 1;
  const std::uint64_t header = mapOffset(payload.nsisHeaderOffset());
  if (header % NsisFirstHeader::kAlignment != 0)
    return refuse("the NSIS installer's data would no longer start on a 512-byte boundary");
  // The checksum is written after everything else, so it must lie outside what the CRC covers.
  if (layout.checkSum != 0 && layout.checkSumOffset() + 4 > NsisFirstHeader::kCheckedFrom)
    return refuse("the NSIS installer's CRC would cover the header checksum");
  const std::uint64_t crcOffset = mapOffset(payload.nsisCrcOffset());
  std::vector<std::uint8_t> chunk(kCrcChunk);
  std::uint32_t crc = 0;
  for (std::uint64_t at = NsisFirstHeader::kCheckedFrom; at < crcOffset;) {
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kCrcChunk, crcOffset - at));
    if (!readPlanned(at, chunk.data(), count)) return refuse("the planned file cannot be read");
    // The installer takes the first block that looks like its header: none of the new bytes may.
    for (std::uint64_t block = alignUp(at, NsisFirstHeader::kAlignment);
         block < std::min(header, at + count); block += NsisFirstHeader::kAlignment) {
      NsisFirstHeader lookalike;
      const auto inChunk = static_cast<std::size_t>(block - at);
      if (inChunk + NsisFirstHeader::kSize <= count &&
          lookalike.read(
              std::span<const std::uint8_t>(chunk).subspan(inChunk, NsisFirstHeader::kSize)))
        return refuse("the new resources would hold what the NSIS installer takes for its data");
    }
    crc = crc32Update(crc, chunk.data(), count);
    at += count;
  }
  Patch stored{crcOffset, std::vector<std::uint8_t>(4)};
  putU32(stored.bytes.data(), crc);
  patches_.push_back(std::move(stored));
  return 1;
}

}  // namespace pe
