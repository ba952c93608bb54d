#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "resedit/pe/resource_tree.h"

// PE images assembled in memory, so that the engine's cases run on every platform, Windows under
// wine included, without a toolchain.
struct SyntheticSection {
  std::string name;
  std::uint32_t characteristics = 0x40000040;
  std::vector<std::uint8_t> data;
  bool resources = false;
  // Holds the base relocation table built from the image's fixups instead of `data`.
  bool relocations = false;
  // The data directory that names this section's data, if any.
  int directory = -1;
};

// An address stored at `site` that the loader relocates; it holds the image base plus `target`.
struct SyntheticFixup {
  std::uint32_t site = 0;
  std::uint32_t target = 0;
};

struct SyntheticImage {
  bool pe32Plus = true;
  std::uint16_t characteristics = 0x0022;  // executable image, large-address aware
  std::uint32_t sizeOfHeaders = 0x400;
  std::uint32_t fileAlignment = 0x200;
  std::uint32_t sectionAlignment = 0x1000;
  bool checksum = true;
  std::vector<SyntheticSection> sections;
  std::vector<SyntheticFixup> fixups;
  pe::ResourceTree tree;
  std::vector<std::uint8_t> overlay;
  std::vector<std::uint8_t> certificate;

  // .text, .rsrc (with the tree) and .reloc (discardable) after it: the usual linker layout, with
  // two fixups in .text that point into .text.
  static SyntheticImage usual();
  std::vector<std::uint8_t> build() const;
  std::uint64_t imageBase() const { return pe32Plus ? 0x140000000ull : 0x400000ull; }
  // The address each section gets in build(): one after another, each on a section alignment.
  std::vector<std::uint32_t> addresses() const;
  // The base relocation table of the fixups, as build() writes it.
  std::vector<std::uint8_t> relocationTable() const;
};

std::vector<std::uint8_t> bytesOf(const std::string& text);
void addResource(pe::ResourceTree& tree, const pe::ResourceId& type, const pe::ResourceId& name,
                 std::uint16_t language, const std::string& data);
pe::ResourceId named(const char* text);
// The language entries of (type, name), which must exist, in directory order.
std::vector<pe::ResourceEntry>& languageEntries(pe::ResourceTree& tree, const pe::ResourceId& type,
                                                const pe::ResourceId& name);

// A fresh folder for one test, removed with everything in it when the test ends.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
