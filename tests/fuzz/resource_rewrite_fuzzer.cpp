// Resource updates on any file: either the file re-reads with the new data and every other
// resource and section as it was, or it is left byte for byte as it was. The input is the file;
// its last byte picks the update and the size of the new data.
#include <algorithm>
#include <tuple>

#include "base/path_name.h"
#include "base/shared_string.h"
#include "resedit/language_match.h"
#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_resource_file.h"
#include "resedit/resource_edit_set.h"
#include "resedit/resource_name.h"
#include "resedit/resource_updates.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

struct Leaf {
  std::u16string key;  // type, name and language as stored
  std::vector<std::uint8_t> data;
  std::uint32_t codePage;
  bool operator<(const Leaf& other) const {
    return std::tie(key, data, codePage) < std::tie(other.key, other.data, other.codePage);
  }
  bool operator==(const Leaf& other) const = default;
};

std::u16string keyPart(const pe::ResourceId& id) {
  if (id.named) return u"N" + id.name + u'\0';
  return {u'I', static_cast<char16_t>(id.id)};
}

std::u16string keyOf(const pe::ResourceId& type, const pe::ResourceId& name,
                     std::uint16_t language) {
  return keyPart(type) + keyPart(name) + static_cast<char16_t>(language);
}

// Every leaf in directory order; empty when the file is refused.
bool snapshot(const std::string& path, std::vector<Leaf>& leaves, pe::PeLayout& layout,
              bool& executable) {
  pe::PeResourceFile file;
  if (!file.open(path) || !file.loadAllLeaves()) return false;
  file.tree().forEachLeaf([&](const pe::ResourceId& type, const pe::ResourceId& name,
                              const pe::ResourceId& language, const pe::ResourceLeaf& leaf) {
    leaves.push_back({keyOf(type, name, language.id), leaf.data, leaf.codePage});
  });
  layout = file.layout();
  executable = file.isExecutableImage();
  return true;
}

pe::ResourceId idOf(const char* text) {
  pe::ResourceId id;
  resourceIdFromText(text, id);
  return id;
}

// The first leaf of (type, name) in directory order, as a lookup in any language finds it.
Leaf* firstLeaf(std::vector<Leaf>& leaves, const std::string& path, const pe::ResourceId& type,
                const pe::ResourceId& name) {
  pe::PeResourceFile file;
  if (!file.open(path)) return nullptr;
  const std::vector<std::uint16_t> languages = file.languages(type, name);
  if (languages.empty()) return nullptr;
  std::u16string found;
  file.tree().forEachLeaf([&](const pe::ResourceId& t, const pe::ResourceId& n,
                              const pe::ResourceId& l, const pe::ResourceLeaf&) {
    if (found.empty() && type.matches(t) && name.matches(n) && l.id == languages.front())
      found = keyOf(t, n, l.id);
  });
  auto leaf = std::find_if(leaves.begin(), leaves.end(),
                           [&](const Leaf& candidate) { return candidate.key == found; });
  return leaf == leaves.end() ? nullptr : &*leaf;
}

// The sixteen counted strings of a string block, read as the block reader reads them.
std::vector<std::u16string> blockStrings(const std::vector<std::uint8_t>& data) {
  std::vector<std::u16string> strings(16);
  std::size_t at = 0;
  for (auto& text : strings) {
    if (at + 2 > data.size()) break;
    const std::size_t count = data[at] | (data[at + 1] << 8);
    if (at + 2 + 2 * count > data.size()) break;
    for (std::size_t i = 0; i < count; ++i)
      text.push_back(static_cast<char16_t>(data[at + 2 + 2 * i] | (data[at + 3 + 2 * i] << 8)));
    at += 2 + 2 * count;
  }
  return strings;
}

int resourceSectionOf(const pe::PeLayout& layout) {
  const pe::DataDirectory resources = layout.directory(pe::kResourceDirectory);
  return resources.virtualAddress == 0 ? -1 : layout.sectionOfRva(resources.virtualAddress);
}

// Every section but the resource sections keeps its name, flags and bytes; only debug entries,
// whose file offsets may move, can differ.
void checkSectionsKept(const std::vector<std::uint8_t>& before, const pe::PeLayout& oldLayout,
                       const std::vector<std::uint8_t>& after, const pe::PeLayout& newLayout) {
  FUZZ_CHECK(newLayout.sections.size() == oldLayout.sections.size() ||
             newLayout.sections.size() == oldLayout.sections.size() + 1);
  FUZZ_CHECK(newLayout.addressOfEntryPoint == oldLayout.addressOfEntryPoint);
  const int oldResources = resourceSectionOf(oldLayout);
  const int newResources = resourceSectionOf(newLayout);
  const pe::DataDirectory debug = oldLayout.directory(pe::kDebugDirectory);
  for (std::size_t i = 0; i < oldLayout.sections.size(); ++i) {
    if (static_cast<int>(i) == oldResources || static_cast<int>(i) == newResources) continue;
    const pe::SectionHeader& was = oldLayout.sections[i];
    const pe::SectionHeader& is = newLayout.sections[i];
    FUZZ_CHECK(std::equal(was.name, was.name + 8, is.name));
    FUZZ_CHECK(was.characteristics == is.characteristics);
    FUZZ_CHECK(was.sizeOfRawData == is.sizeOfRawData);
    FUZZ_CHECK(was.virtualSize == is.virtualSize);
    // Raw data the old file did not hold cannot be compared; what it held must still be there.
    const std::uint64_t held =
        was.pointerToRawData >= before.size()
            ? 0
            : std::min<std::uint64_t>(was.sizeOfRawData, before.size() - was.pointerToRawData);
    FUZZ_CHECK(held == 0 || is.pointerToRawData + held <= after.size());
    for (std::uint64_t at = 0; at < held; ++at) {
      const std::uint64_t rva = was.virtualAddress + at;
      if (debug.virtualAddress != 0 && rva >= debug.virtualAddress &&
          rva < static_cast<std::uint64_t>(debug.virtualAddress) + debug.size)
        continue;
      FUZZ_CHECK(before[was.pointerToRawData + at] == after[is.pointerToRawData + at]);
    }
  }
}

// What the rewrite does not rewrite must keep its addresses: every data directory but those of the
// resources, the certificates, the base relocations and the debug entries keeps its value (when it
// points into a section), and no section that one of those directories, a base relocation block or
// the entry point refers into may move.
void checkReferencesKept(const std::vector<std::uint8_t>& before, const pe::PeLayout& oldLayout,
                         const pe::PeLayout& newLayout) {
  const int oldResources = resourceSectionOf(oldLayout);
  auto mustStay = [&](std::uint32_t rva) {
    const int index = oldLayout.sectionOfRva(rva);
    if (index < 0 || index == oldResources) return;
    const std::size_t i = static_cast<std::size_t>(index);
    FUZZ_CHECK(i < newLayout.sections.size() &&
               newLayout.sections[i].virtualAddress == oldLayout.sections[i].virtualAddress);
  };
  for (unsigned i = 0; i < oldLayout.directories.size(); ++i) {
    if (i == pe::kResourceDirectory || i == pe::kSecurityDirectory ||
        i == pe::kBaseRelocationDirectory || i == pe::kDebugDirectory)
      continue;
    // An empty directory, or one outside every section, refers to nothing the loader maps.
    const pe::DataDirectory was = oldLayout.directory(i);
    if (was.virtualAddress == 0 || was.size == 0 || oldLayout.sectionOfRva(was.virtualAddress) < 0)
      continue;
    const pe::DataDirectory is = newLayout.directory(i);
    FUZZ_CHECK(was.virtualAddress == is.virtualAddress && was.size == is.size);
    mustStay(was.virtualAddress);
  }
  mustStay(oldLayout.addressOfEntryPoint);
  const pe::DataDirectory relocations = oldLayout.directory(pe::kBaseRelocationDirectory);
  std::uint64_t offset = 0;
  if (relocations.virtualAddress == 0 ||
      !oldLayout.rvaToFileOffset(relocations.virtualAddress, relocations.size, offset))
    return;
  const std::span<const std::uint8_t> table(before.data() + offset, relocations.size);
  for (std::size_t at = 0; at + 8 <= table.size();) {
    std::uint32_t page = 0;
    std::uint32_t blockSize = 0;
    pe::readU32(table, at, page);
    pe::readU32(table, at + 4, blockSize);
    if (blockSize < 8) break;
    mustStay(page);
    at += blockSize;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string target = fuzzPath("installer.exe");
  static const pe::ResourceId binary = idOf("BINARY");
  static const pe::ResourceId configuration = idOf("KXECONFIG");
  static const pe::ResourceId rcdata = idOf("#10");
  static const pe::ResourceId created = idOf("#77");
  static const pe::ResourceId strings = idOf("#6");
  static const pe::ResourceId block19 = idOf("#19");
  if (size == 0) return 0;
  const std::uint8_t choice = data[size - 1];
  const int operation = choice & 3;
  std::vector<std::uint8_t> newData(static_cast<std::size_t>(choice >> 2) * 97);
  for (std::size_t i = 0; i < newData.size(); ++i)
    newData[i] = static_cast<std::uint8_t>(i * 31 + 7);
  const std::string text = " /p" + std::string(choice >> 2, 'x');

  writeBytes(target, data, size);
  const std::vector<std::uint8_t> before(data, data + size);
  std::vector<Leaf> expected;
  pe::PeLayout oldLayout;
  bool wasExecutable = false;
  const bool readable = snapshot(target, expected, oldLayout, wasExecutable);
  std::vector<std::uint8_t> oldBlock;

  // The expected resources after the update, from the file as it is.
  bool possible = readable;
  if (readable && (operation == 0 || operation == 3)) {
    Leaf* leaf = firstLeaf(expected, target, binary, configuration);
    if (leaf != nullptr) {
      leaf->data = newData;
    } else if (operation == 0) {
      possible = false;
    }
  }
  if (readable && (operation == 1 || operation == 3)) {
    const std::u16string key = keyOf(rcdata, created, 1033);
    auto leaf = std::find_if(expected.begin(), expected.end(),
                             [&](const Leaf& candidate) { return candidate.key == key; });
    if (leaf != expected.end()) {
      leaf->data = newData;
    } else {
      expected.push_back({key, newData, 0});
    }
  }
  std::u16string blockKey;
  if (readable && operation == 2) {
    Leaf* leaf = firstLeaf(expected, target, strings, block19);
    if (leaf != nullptr) {
      oldBlock = leaf->data;
      blockKey = leaf->key;
    } else {
      possible = false;
    }
  }

  const PathName path(target.c_str());
  int result = 0;
  switch (operation) {
    case 0:
      result =
          replaceResource(path, newData.data(), static_cast<std::uint32_t>(newData.size()),
                          SharedString("KXECONFIG"), SharedString("Binary"), AnyLanguage, 0, 0);
      break;
    case 1:
      result = replaceResource(path, newData.data(), static_cast<std::uint32_t>(newData.size()),
                               SharedString("#77"), SharedString("#10"), 1033, 0, 1);
      break;
    case 2:
      result = replaceStringTableEntry(path, 300, SharedString(text.c_str()), AnyLanguage, 0, 0);
      break;
    default: {
      ResourceEditSet edits(path);
      edits.replaceResource(newData.data(), static_cast<std::uint32_t>(newData.size()),
                            SharedString("KXECONFIG"), SharedString("Binary"), AnyLanguage, 0);
      edits.replaceResource(newData.data(), static_cast<std::uint32_t>(newData.size()),
                            SharedString("#77"), SharedString("#10"), 1033, 1);
      result = edits.commit(0);
      break;
    }
  }

  const std::vector<std::uint8_t> after = readBytes(target);
  if (!result) {
    FUZZ_CHECK(after == before);
    return 0;
  }
  FUZZ_CHECK(possible);
  std::vector<Leaf> leaves;
  pe::PeLayout newLayout;
  bool isExecutable = false;
  FUZZ_CHECK(snapshot(target, leaves, newLayout, isExecutable));
  FUZZ_CHECK(isExecutable == wasExecutable);
  if (operation == 2) {
    // The block keeps its fifteen other strings exactly and holds the new one.
    auto leaf = std::find_if(leaves.begin(), leaves.end(),
                             [&](const Leaf& candidate) { return candidate.key == blockKey; });
    FUZZ_CHECK(leaf != leaves.end());
    std::vector<std::u16string> was = blockStrings(oldBlock);
    const std::vector<std::u16string> is = blockStrings(leaf->data);
    was[300 % 16] = std::u16string(text.begin(), text.end());
    FUZZ_CHECK(was == is);
    std::find_if(expected.begin(), expected.end(), [&](const Leaf& candidate) {
      return candidate.key == blockKey;
    })->data = leaf->data;
  }
  std::sort(expected.begin(), expected.end());
  std::sort(leaves.begin(), leaves.end());
  FUZZ_CHECK(leaves == expected);
  checkSectionsKept(before, oldLayout, after, newLayout);
  checkReferencesKept(before, oldLayout, newLayout);
  return 0;
}
