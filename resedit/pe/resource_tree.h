#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "resedit/pe/resource_id.h"

namespace pe {

struct ResourceLeaf {
  std::uint32_t dataRva = 0;
  std::uint32_t size = 0;
  std::uint32_t codePage = 0;
  std::uint32_t reserved = 0;
  // The leaf's bytes once loaded (or replaced); until then `size` bytes at `dataRva` of the file.
  std::vector<std::uint8_t> data;
  bool loaded = false;
  std::uint32_t length() const { return loaded ? static_cast<std::uint32_t>(data.size()) : size; }
};

struct ResourceDirectory;

struct ResourceEntry {
  ResourceId id;
  std::unique_ptr<ResourceDirectory> directory;
  std::unique_ptr<ResourceLeaf> leaf;
};

struct ResourceDirectory {
  std::uint32_t characteristics = 0;
  std::uint32_t timeDateStamp = 0;
  std::uint16_t majorVersion = 0;
  std::uint16_t minorVersion = 0;
  std::vector<ResourceEntry> entries;
};

// The three-level resource directory (type, name, language) of a PE file, kept in the order and
// with the header fields it was read with, so that writing it back changes only what was edited.
class ResourceTree {
 public:
  // Parses a directory whose first byte is at `region[0]`; offsets inside the directory are
  // relative to it. Refuses loops, shared subdirectories, entries outside the region and any shape
  // other than type / name / language.
  int parse(std::span<const std::uint8_t> region);

  // Language ids of (type, name) in directory order; empty when (type, name) does not exist.
  std::vector<std::uint16_t> languages(const ResourceId& type, const ResourceId& name) const;
  const ResourceLeaf* find(const ResourceId& type, const ResourceId& name,
                           std::uint16_t language) const;
  ResourceLeaf* find(const ResourceId& type, const ResourceId& name, std::uint16_t language) {
    return const_cast<ResourceLeaf*>(std::as_const(*this).find(type, name, language));
  }
  // Replaces the leaf's data, or adds (type, name, language) at its sorted place in each directory.
  // 0 when the leaf already held exactly these bytes, so nothing changed.
  int put(const ResourceId& type, const ResourceId& name, std::uint16_t language,
          std::vector<std::uint8_t> data);

  void forEachLeaf(const std::function<void(ResourceLeaf&)>& visit);
  void forEachLeaf(const std::function<void(const ResourceId&, const ResourceId&, const ResourceId&,
                                            const ResourceLeaf&)>& visit) const;

  // The directory as it is laid out in a resource section at `baseRva`: directories, data entries,
  // names, then each leaf's data on an 8-byte boundary. Every leaf must be loaded. The result is
  // `size` bytes long, zeros after the directory, or cut short when the directory needs more.
  std::vector<std::uint8_t> serialize(std::uint32_t baseRva) const;
  // The same layout without the leaves' data, which need not be loaded: the bytes before the first
  // leaf's data (all of them when there is none), and where each leaf's data goes, in order.
  struct LeafPlace {
    std::uint32_t offset;
    const ResourceLeaf* leaf;
  };
  std::vector<std::uint8_t> serializeDirectory(std::uint32_t baseRva,
                                               std::vector<LeafPlace>& leaves) const;
  // The size serialize would return, without building it.
  std::uint64_t serializedSize() const;

  ResourceDirectory root;
};

}  // namespace pe
