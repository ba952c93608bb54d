#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "resedit/pe/resource_id.h"

// Resource updates of one file that land together: each is settled against the file as it is (the
// language it already has, the other strings of a string block), and commit writes them all in one
// rewrite, or none of them. The single updates of resource_updates.h are sets of one.
class ResourceEditSet {
 public:
  explicit ResourceEditSet(const PathName& file) : path_(file.text()), valid_(file.isValid()) {}

  // Settles a replacement of resource (type, name) with `size` bytes: 1 when it will be written,
  // 0 when there is nothing to replace (see replaceResource for the language rules).
  int replaceResource(const unsigned char* data, std::uint32_t size, const SharedString& name,
                      const SharedString& type, std::uint16_t language, int createIfMissing);

  // Settles string `id` := text, keeping every other byte of its block (including the strings an
  // earlier update of this set wrote). 1 when the file will hold the text; an empty text changes
  // nothing, and a block whose counts run past its end is not rewritten.
  int replaceStringTableEntry(std::uint16_t id, const SharedString& text, std::uint16_t language,
                              int createIfMissing);

  // Writes every settled update in one rewrite (nothing with discardChanges). 1 when the file now
  // holds them all; when any of them cannot be written, none is.
  int commit(int discardChanges);
  // Writes the file with every settled update to `target` in one rewrite, leaving the file itself
  // as it is; 1 when the target holds them all, 0 with the target as it was.
  int commitTo(const std::string& target);

  // Why the last commit failed or the last update could not be settled: a short text for the user.
  const std::string& reason() const { return reason_; }

 private:
  struct Update {
    pe::ResourceId type;
    pe::ResourceId name;
    std::uint16_t language;
    std::vector<std::uint8_t> data;
  };

  // The update this set already holds for (type, name, language), or null.
  Update* pendingUpdate(const pe::ResourceId& type, const pe::ResourceId& name,
                        std::uint16_t language);
  void settle(Update update);
  int write(int discardChanges, const std::string& target);

  std::string path_;
  bool valid_;
  std::vector<Update> updates_;
  std::string reason_;
};
