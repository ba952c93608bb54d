#include "resedit/resource_edit_set.h"

#include <string>
#include <vector>

#include "platform/ansi_text.h"
#include "resedit/language_match.h"
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

}  // namespace

int ResourceEditSet::replaceResource(const unsigned char* data, std::uint32_t size,
                                     const SharedString& name, const SharedString& type,
                                     std::uint16_t language, int createIfMissing) {
  reason_.clear();
  LanguageMatch match;
  match.language = language;
  pe::ResourceId typeId;
  pe::ResourceId nameId;
  if (!valid_) return reason_ = "the path is not valid", 0;
  if (!resourceIdFromText(type.text(), typeId) || !resourceIdFromText(name.text(), nameId))
    return reason_ = "the resource's type or name is not valid", 0;
  if (data == nullptr && size != 0) return reason_ = "there is no data to write", 0;
  if (!createIfMissing) {
    pe::PeResourceFile lookup;
    if (!lookup.open(path_)) return reason_ = lookup.reason(), 0;
    settleLanguage(lookup, typeId, nameId, match);
    if (!match.found) return reason_ = "the file has no such resource", 0;
  } else if (language == AnyLanguage) {
    // The wildcard names no language to create the resource in.
    return reason_ = "a new resource needs a language", 0;
  }
  settle(Update{typeId, nameId, match.language, std::vector<std::uint8_t>(data, data + size)});
  return 1;
}

int ResourceEditSet::replaceStringTableEntry(std::uint16_t id, const SharedString& text,
                                             std::uint16_t language, int createIfMissing) {
  reason_.clear();
  // The block's bytes as the file (or an earlier update of this set) holds them; empty for a new
  // block.
  std::vector<std::uint8_t> bytes;
  LanguageMatch match;
  match.language = language;
  if (!valid_) return reason_ = "the path is not valid", 0;
  pe::ResourceId type = pe::ResourceId::integer(kStringTableType);
  pe::ResourceId blockName = pe::ResourceId::integer(stringBlockNumber(id));
  {
    pe::PeResourceFile lookup;
    if (!lookup.open(path_)) {
      reason_ = lookup.reason();
    } else {
      settleLanguage(lookup, type, blockName, match);
      if (!match.found) {
        // Nothing to load: a new block starts empty.
      } else if (const Update* pending = pendingUpdate(type, blockName, match.language)) {
        bytes = pending->data;
      } else if (!lookup.readData(type, blockName, match.language, bytes)) {
        // A block whose data has no bytes in the file cannot be kept; writing it would lose
        // strings.
        match.found = 0;
        bytes.clear();
        reason_ = "the string block has no bytes in the file";
      }
    }
  }
  if (!match.found && !(createIfMissing && match.language != AnyLanguage)) {
    if (reason_.empty()) reason_ = "the file has no such string block";
    return 0;
  }
  if (text.length() == 0) return reason_ = "an empty text changes nothing", 0;

  std::u16string wide;
  if (!platform::ansiToUtf16(text.text(), wide) || wide.size() > StringTableBlock::kMaximumLength)
    return reason_ = "the text cannot be stored in a string table", 0;
  // Only the entry's own bytes change: a block that already holds the text is handed back as it
  // is, which the rewrite recognises as no change at all.
  if (!setBlockEntry(bytes, id, wide))
    return reason_ = "the string block's counts run past its end", 0;
  settle(Update{type, blockName, match.language, std::move(bytes)});
  return 1;
}

ResourceEditSet::Update* ResourceEditSet::pendingUpdate(const pe::ResourceId& type,
                                                        const pe::ResourceId& name,
                                                        std::uint16_t language) {
  for (Update& update : updates_) {
    if (update.type == type && update.name == name && update.language == language) return &update;
  }
  return nullptr;
}

void ResourceEditSet::settle(Update update) {
  if (Update* earlier = pendingUpdate(update.type, update.name, update.language)) {
    earlier->data = std::move(update.data);
  } else {
    updates_.push_back(std::move(update));
  }
}

int ResourceEditSet::commit(int discardChanges) { return write(discardChanges, std::string()); }

int ResourceEditSet::commitTo(const std::string& target) {
  if (target.empty()) return reason_ = "no file to write was given", 0;
  return write(0, target);
}

int ResourceEditSet::write(int discardChanges, const std::string& target) {
  reason_.clear();
  if (updates_.empty()) return reason_ = "there is nothing to write", 0;
  pe::ResourceUpdateBatch batch;
  if (!batch.begin(path_, target)) return reason_ = batch.reason(), 0;
  int updated = 1;
  for (const Update& update : updates_) {
    updated = updated && batch.update(update.type, update.name, update.language, update.data);
  }
  // A set lands whole or not at all.
  const int ended = batch.end(discardChanges != 0 || !updated);
  if (!updated) reason_ = batch.reason();
  if (!ended) reason_ = batch.reason();
  return ended && updated && !discardChanges;
}
