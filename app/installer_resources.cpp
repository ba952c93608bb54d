#include "app/installer_resources.h"

#include <string>

#include "base/shared_string.h"
#include "platform/file_io.h"
#include "resedit/language_match.h"

int replaceResourceFromFile(ResourceEditSet& edits, const char* name, const PathName& source) {
  std::string bytes;
  if (!platform::readWholeFile(source.text(), bytes)) return 0;
  return edits.replaceResource(reinterpret_cast<const unsigned char*>(bytes.data()),
                               static_cast<std::uint32_t>(bytes.size()), SharedString(name),
                               SharedString("BINARY"), AnyLanguage, 0);
}
