#include "resedit/resource_updates.h"

#include "resedit/resource_edit_set.h"

int replaceResource(const PathName& file, const unsigned char* data, std::uint32_t size,
                    const SharedString& name, const SharedString& type, std::uint16_t language,
                    int discardChanges, int createIfMissing) {
  ResourceEditSet edits(file);
  return edits.replaceResource(data, size, name, type, language, createIfMissing) &&
         edits.commit(discardChanges);
}

int replaceStringTableEntry(const PathName& file, std::uint16_t id, const SharedString& text,
                            std::uint16_t language, int discardChanges, int createIfMissing) {
  ResourceEditSet edits(file);
  return edits.replaceStringTableEntry(id, text, language, createIfMissing) &&
         edits.commit(discardChanges);
}
