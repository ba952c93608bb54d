#include "resedit/pe/resource_tree.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "resedit/pe/byte_order.h"

namespace pe {

namespace {

constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;
constexpr std::uint32_t kNameFlag = 0x80000000;
constexpr std::uint32_t kDirectoryHeaderSize = 16;
constexpr std::uint32_t kEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;
constexpr int kLeafLevel = 2;

class TreeParser {
 public:
  explicit TreeParser(std::span<const std::uint8_t> region) : region_(region) {}

  int parseDirectory(std::uint32_t offset, int level, ResourceDirectory& directory) {
    if (!visited_.insert(offset).second) return 0;
    std::uint16_t namedCount = 0;
    std::uint16_t idCount = 0;
    if (!readU32(region_, offset, directory.characteristics) ||
        !readU32(region_, offset + 4, directory.timeDateStamp) ||
        !readU16(region_, offset + 8, directory.majorVersion) ||
        !readU16(region_, offset + 10, directory.minorVersion) ||
        !readU16(region_, offset + 12, namedCount) || !readU16(region_, offset + 14, idCount)) {
      return 0;
    }
    std::uint64_t count = static_cast<std::uint64_t>(namedCount) + idCount;
    std::uint64_t tableSize = kDirectoryHeaderSize + count * kEntrySize;
    if (offset + tableSize > region_.size()) return 0;
    // The tables of a sound tree never overlap, so together they fit in the region. Overlapping
    // ones could make a small region describe entries without bound.
    claimed_ += tableSize;
    if (claimed_ > region_.size()) return 0;
    directory.entries.reserve(static_cast<std::size_t>(count));
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t at = offset + kDirectoryHeaderSize + i * kEntrySize;
      std::uint32_t nameField = 0;
      std::uint32_t target = 0;
      readU32(region_, at, nameField);
      readU32(region_, at + 4, target);
      ResourceEntry entry;
      bool named = (nameField & kNameFlag) != 0;
      // The counts say which entries are named; a directory that disagrees with its entries cannot
      // be written back faithfully.
      if (named != (i < namedCount)) return 0;
      if (named) {
        if (!readName(nameField & ~kNameFlag, entry.id)) return 0;
      } else {
        if (nameField > 0xFFFF) return 0;
        entry.id = ResourceId::integer(static_cast<std::uint16_t>(nameField));
      }
      bool isDirectory = (target & kSubdirectoryFlag) != 0;
      if (isDirectory != (level < kLeafLevel)) return 0;
      if (isDirectory) {
        entry.directory = std::make_unique<ResourceDirectory>();
        if (!parseDirectory(target & ~kSubdirectoryFlag, level + 1, *entry.directory)) return 0;
      } else {
        entry.leaf = std::make_unique<ResourceLeaf>();
        if (!readDataEntry(target, *entry.leaf)) return 0;
      }
      directory.entries.push_back(std::move(entry));
    }
    return 1;
  }

 private:
  int readName(std::uint32_t offset, ResourceId& id) {
    std::uint16_t length = 0;
    if (!readU16(region_, offset, length)) return 0;
    if (static_cast<std::uint64_t>(offset) + 2 + 2ull * length > region_.size()) return 0;
    // Each entry takes its own copy of its name; a sound tree's names fit in the region beside
    // its tables, however many entries share one.
    claimed_ += 2 + 2ull * length;
    if (claimed_ > region_.size()) return 0;
    std::u16string name(length, u'\0');
    for (std::uint16_t k = 0; k < length; ++k) {
      std::uint16_t unit = 0;
      readU16(region_, offset + 2 + 2u * k, unit);
      name[k] = static_cast<char16_t>(unit);
    }
    id = ResourceId::text(std::move(name));
    return 1;
  }

  int readDataEntry(std::uint32_t offset, ResourceLeaf& leaf) {
    if (static_cast<std::uint64_t>(offset) + kDataEntrySize > region_.size()) return 0;
    readU32(region_, offset, leaf.dataRva);
    readU32(region_, offset + 4, leaf.size);
    readU32(region_, offset + 8, leaf.codePage);
    readU32(region_, offset + 12, leaf.reserved);
    return 1;
  }

  std::span<const std::uint8_t> region_;
  std::set<std::uint32_t> visited_;
  std::uint64_t claimed_ = 0;
};

ResourceEntry* findEntry(ResourceDirectory& directory, const ResourceId& id) {
  for (ResourceEntry& entry : directory.entries) {
    if (id.matches(entry.id)) return &entry;
  }
  return nullptr;
}

const ResourceDirectory* findDirectory(const ResourceDirectory& root, const ResourceId& type,
                                       const ResourceId& name) {
  const ResourceDirectory* level = &root;
  for (const ResourceId* id : {&type, &name}) {
    ResourceEntry* entry = findEntry(const_cast<ResourceDirectory&>(*level), *id);
    if (entry == nullptr || !entry->directory) return nullptr;
    level = entry->directory.get();
  }
  return level;
}

ResourceEntry& insertSorted(ResourceDirectory& directory, ResourceEntry entry) {
  auto at = std::find_if(
      directory.entries.begin(), directory.entries.end(),
      [&](const ResourceEntry& existing) { return sortsBefore(entry.id, existing.id); });
  return *directory.entries.insert(at, std::move(entry));
}

ResourceDirectory& childDirectory(ResourceDirectory& parent, const ResourceId& id) {
  if (ResourceEntry* entry = findEntry(parent, id)) return *entry->directory;
  ResourceEntry entry;
  entry.id = id.named ? ResourceId::text(upperCaseName(id.name)) : id;
  entry.directory = std::make_unique<ResourceDirectory>();
  return *insertSorted(parent, std::move(entry)).directory;
}

// Offsets of every part of a serialised tree, computed in one walk so that sizing and writing
// agree.
struct TreeWriter {
  std::vector<std::uint8_t> out;
  std::uint32_t baseRva = 0;
  std::vector<const ResourceDirectory*> directories;
  std::vector<const ResourceLeaf*> leaves;
  std::vector<const ResourceId*> names;
  std::vector<std::uint32_t> directoryOffsets;
  std::uint32_t dataEntriesStart = 0;
  std::vector<std::uint32_t> nameOffsets;
  std::vector<std::uint32_t> dataOffsets;

  // Places every part and returns the serialised size.
  std::uint64_t measure(const ResourceDirectory& root) {
    // Breadth-first, as resource compilers lay directories out.
    directories.push_back(&root);
    for (std::size_t i = 0; i < directories.size(); ++i) {
      for (const ResourceEntry& entry : directories[i]->entries) {
        if (entry.directory) directories.push_back(entry.directory.get());
        if (entry.leaf) leaves.push_back(entry.leaf.get());
        if (entry.id.named) names.push_back(&entry.id);
      }
    }
    std::uint64_t offset = 0;
    for (const ResourceDirectory* directory : directories) {
      directoryOffsets.push_back(static_cast<std::uint32_t>(offset));
      offset += kDirectoryHeaderSize + kEntrySize * directory->entries.size();
    }
    dataEntriesStart = static_cast<std::uint32_t>(offset);
    offset += kDataEntrySize * leaves.size();
    for (const ResourceId* name : names) {
      nameOffsets.push_back(static_cast<std::uint32_t>(offset));
      offset += 2 + 2 * name->name.size();
    }
    for (const ResourceLeaf* leaf : leaves) {
      offset = alignUp(offset, 8);
      dataOffsets.push_back(static_cast<std::uint32_t>(offset));
      offset += leaf->length();
    }
    return alignUp(offset, 8);
  }

  // Writes the directory, and the leaves' data unless `withData` is false: then only the bytes
  // before the first leaf's data.
  void write(const ResourceDirectory& root, bool withData) {
    const auto needed = static_cast<std::size_t>(measure(root));
    out.assign(withData || dataOffsets.empty() ? needed : dataOffsets.front(), 0);

    std::size_t nextDirectory = 1;
    std::size_t nextLeaf = 0;
    std::size_t nextName = 0;
    for (std::size_t d = 0; d < directories.size(); ++d) {
      const ResourceDirectory& directory = *directories[d];
      std::uint8_t* header = &out[directoryOffsets[d]];
      std::uint16_t namedCount = static_cast<std::uint16_t>(
          std::count_if(directory.entries.begin(), directory.entries.end(),
                        [](const ResourceEntry& e) { return e.id.named; }));
      putU32(header, directory.characteristics);
      putU32(header + 4, directory.timeDateStamp);
      putU16(header + 8, directory.majorVersion);
      putU16(header + 10, directory.minorVersion);
      putU16(header + 12, namedCount);
      putU16(header + 14, static_cast<std::uint16_t>(directory.entries.size() - namedCount));
      std::uint8_t* entryBytes = header + kDirectoryHeaderSize;
      for (const ResourceEntry& entry : directory.entries) {
        if (entry.id.named) {
          std::uint32_t at = nameOffsets[nextName++];
          putU32(entryBytes, at | kNameFlag);
          putU16(&out[at], static_cast<std::uint16_t>(entry.id.name.size()));
          for (std::size_t k = 0; k < entry.id.name.size(); ++k) {
            putU16(&out[at + 2 + 2 * k], static_cast<std::uint16_t>(entry.id.name[k]));
          }
        } else {
          putU32(entryBytes, entry.id.id);
        }
        if (entry.directory) {
          putU32(entryBytes + 4, directoryOffsets[nextDirectory++] | kSubdirectoryFlag);
        } else {
          std::size_t leafIndex = nextLeaf++;
          std::uint32_t at =
              dataEntriesStart + static_cast<std::uint32_t>(kDataEntrySize * leafIndex);
          const ResourceLeaf& leaf = *entry.leaf;
          putU32(entryBytes + 4, at);
          putU32(&out[at], baseRva + dataOffsets[leafIndex]);
          putU32(&out[at + 4], leaf.length());
          putU32(&out[at + 8], leaf.codePage);
          putU32(&out[at + 12], leaf.reserved);
          if (withData && !leaf.data.empty())
            std::memcpy(&out[dataOffsets[leafIndex]], leaf.data.data(), leaf.data.size());
        }
        entryBytes += kEntrySize;
      }
    }
  }
};

}  // namespace

int ResourceTree::parse(std::span<const std::uint8_t> region) {
  root = ResourceDirectory{};
  TreeParser parser(region);
  if (!parser.parseDirectory(0, 0, root)) {
    root = ResourceDirectory{};
    return 0;
  }
  return 1;
}

std::vector<std::uint16_t> ResourceTree::languages(const ResourceId& type,
                                                   const ResourceId& name) const {
  std::vector<std::uint16_t> found;
  if (const ResourceDirectory* directory = findDirectory(root, type, name)) {
    for (const ResourceEntry& entry : directory->entries) {
      if (!entry.id.named) found.push_back(entry.id.id);
    }
  }
  return found;
}

const ResourceLeaf* ResourceTree::find(const ResourceId& type, const ResourceId& name,
                                       std::uint16_t language) const {
  const ResourceDirectory* directory = findDirectory(root, type, name);
  if (directory == nullptr) return nullptr;
  ResourceEntry* entry =
      findEntry(const_cast<ResourceDirectory&>(*directory), ResourceId::integer(language));
  return entry != nullptr ? entry->leaf.get() : nullptr;
}

int ResourceTree::put(const ResourceId& type, const ResourceId& name, std::uint16_t language,
                      std::vector<std::uint8_t> data) {
  ResourceDirectory& names = childDirectory(root, type);
  ResourceDirectory& languages = childDirectory(names, name);
  ResourceEntry* entry = findEntry(languages, ResourceId::integer(language));
  if (entry == nullptr) {
    ResourceEntry added;
    added.id = ResourceId::integer(language);
    added.leaf = std::make_unique<ResourceLeaf>();
    entry = &insertSorted(languages, std::move(added));
  } else if (entry->leaf->loaded && entry->leaf->data == data) {
    return 0;
  }
  entry->leaf->data = std::move(data);
  entry->leaf->size = static_cast<std::uint32_t>(entry->leaf->data.size());
  entry->leaf->loaded = true;
  return 1;
}

namespace {

void visitLeaves(ResourceDirectory& directory, const std::function<void(ResourceLeaf&)>& visit) {
  for (ResourceEntry& entry : directory.entries) {
    if (entry.directory) visitLeaves(*entry.directory, visit);
    if (entry.leaf) visit(*entry.leaf);
  }
}

}  // namespace

void ResourceTree::forEachLeaf(const std::function<void(ResourceLeaf&)>& visit) {
  visitLeaves(root, visit);
}

void ResourceTree::forEachLeaf(
    const std::function<void(const ResourceId&, const ResourceId&, const ResourceId&,
                             const ResourceLeaf&)>& visit) const {
  for (const ResourceEntry& type : root.entries) {
    for (const ResourceEntry& name : type.directory->entries) {
      for (const ResourceEntry& language : name.directory->entries) {
        visit(type.id, name.id, language.id, *language.leaf);
      }
    }
  }
}

std::uint64_t ResourceTree::serializedSize() const {
  TreeWriter writer;
  return writer.measure(root);
}

std::vector<std::uint8_t> ResourceTree::serialize(std::uint32_t baseRva) const {
  TreeWriter writer;
  writer.baseRva = baseRva;
  writer.write(root, true);
  return std::move(writer.out);
}

std::vector<std::uint8_t> ResourceTree::serializeDirectory(std::uint32_t baseRva,
                                                           std::vector<LeafPlace>& leaves) const {
  TreeWriter writer;
  writer.baseRva = baseRva;
  writer.write(root, false);
  leaves.clear();
  leaves.reserve(writer.leaves.size());
  for (std::size_t i = 0; i < writer.leaves.size(); ++i)
    leaves.push_back(LeafPlace{writer.dataOffsets[i], writer.leaves[i]});
  return std::move(writer.out);
}

}  // namespace pe
