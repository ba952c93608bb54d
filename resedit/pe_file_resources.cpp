#include "resedit/pe_file_resources.h"

#include "resedit/resource_name.h"

int PeFileResources::ensureOpen() {
  if (state_ < 0) state_ = file_.open(path_);
  return state_;
}

int PeFileResources::isExecutableImage() { return ensureOpen() && file_.isExecutableImage(); }

int PeFileResources::loadResource(const char* type, const char* name,
                                  std::vector<unsigned char>& bytes) {
  pe::ResourceId typeId;
  pe::ResourceId nameId;
  if (!ensureOpen() || !resourceIdFromText(type, typeId) || !resourceIdFromText(name, nameId))
    return 0;
  std::vector<std::uint16_t> languages = file_.languages(typeId, nameId);
  if (languages.empty()) return 0;
  std::vector<std::uint8_t> data;
  if (!file_.readData(typeId, nameId, languages.front(), data)) return 0;
  bytes.assign(data.begin(), data.end());
  return 1;
}
