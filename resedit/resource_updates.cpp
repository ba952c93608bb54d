#include "resedit/resource_updates.h"

#include <string>
#include <vector>

#include "platform/ansi_text.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/pe/resource_update_batch.h"
#include "resedit/resource_name.h"
#include "resedit/string_table_block.h"

namespace {

constexpr std::uint16_t kStringTableType = 6;  // RT_STRING

// Runs the language enumeration of (type, name) with matchLanguage and confirms the language it
// settled on, as the lookup phase of both updates does.
void settleLanguage(const pe::PeResourceFile& file, const pe::ResourceId& type,
                    const pe::ResourceId& name, LanguageMatch& match) {
  for (std::uint16_t offered : file.languages(type, name)) {
    if (matchLanguage(offered, match) == 0) break;
  }
  if (match.found) match.found = file.exists(type, name, match.language);
}

int writeInBatch(const std::string& path, const pe::ResourceId& type, const pe::ResourceId& name,
                 std::uint16_t language, const std::vector<std::uint8_t>* data,
                 int discardChanges) {
  pe::ResourceUpdateBatch batch;
  if (!batch.begin(path)) return 0;
  int updated = data != nullptr && batch.update(type, name, language, *data);
  // Only a batch that took the data and was committed leaves the file holding it.
  int ended = batch.end(discardChanges != 0);
  return ended && updated && !discardChanges;
}

}  // namespace

int replaceResource(const PathName& file, const unsigned char* data, std::uint32_t size,
                    const SharedString& name, const SharedString& type, std::uint16_t language,
                    int discardChanges, int createIfMissing) {
  LanguageMatch match;
  match.language = language;
  pe::ResourceId typeId;
  pe::ResourceId nameId;
  if (!file.isValid() || !resourceIdFromText(type.text(), typeId) ||
      !resourceIdFromText(name.text(), nameId))
    return 0;
  if (data == nullptr && size != 0) return 0;
  if (!createIfMissing) {
    pe::PeResourceFile lookup;
    if (lookup.open(file.text())) settleLanguage(lookup, typeId, nameId, match);
    if (!match.found) return 0;
  } else if (language == AnyLanguage) {
    // The wildcard names no language to create the resource in.
    return 0;
  }
  std::vector<std::uint8_t> bytes(data, data + size);
  return writeInBatch(file.text(), typeId, nameId, match.language, &bytes, discardChanges);
}

int replaceStringTableEntry(const PathName& file, std::uint16_t id, const SharedString& text,
                            std::uint16_t language, int discardChanges, int createIfMissing) {
  StringTableBlock block;
  LanguageMatch match;
  match.language = language;
  if (!file.isValid()) return 0;
  pe::ResourceId type = pe::ResourceId::integer(kStringTableType);
  pe::ResourceId blockName = pe::ResourceId::integer(stringBlockNumber(id));
  {
    pe::PeResourceFile lookup;
    if (lookup.open(file.text())) {
      settleLanguage(lookup, type, blockName, match);
      std::vector<std::uint8_t> data;
      if (match.found && lookup.readData(type, blockName, match.language, data)) {
        block.loadFromResource(data.data(), data.size());
      } else {
        // A block whose data has no bytes in the file cannot be kept; writing it would lose
        // strings.
        match.found = 0;
      }
    }
  }
  if (!match.found && !(createIfMissing && match.language != AnyLanguage)) return 0;
  if (text.length() == 0)
    return writeInBatch(file.text(), type, blockName, match.language, nullptr, discardChanges);

  std::u16string wide;
  if (!platform::ansiToUtf16(text.text(), wide) || wide.size() > StringTableBlock::kMaximumLength)
    return 0;
  block.setEntry(id, wide);
  std::vector<std::uint16_t> units(block.encode(nullptr));
  block.encode(units.data());
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (std::uint16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return writeInBatch(file.text(), type, blockName, match.language, &bytes, discardChanges);
}
