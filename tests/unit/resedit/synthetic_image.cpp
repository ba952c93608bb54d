#include "synthetic_image.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>

#include "resedit/pe/byte_order.h"
#include "resedit/pe/pe_checksum.h"

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

pe::ResourceId named(const char* text) {
  std::u16string wide;
  for (const char* p = text; *p; ++p) wide.push_back(static_cast<char16_t>(*p));
  return pe::ResourceId::text(wide);
}

std::vector<pe::ResourceEntry>& languageEntries(pe::ResourceTree& tree, const pe::ResourceId& type,
                                                const pe::ResourceId& name) {
  pe::ResourceDirectory* level = &tree.root;
  for (const pe::ResourceId* id : {&type, &name}) {
    auto entry = std::find_if(level->entries.begin(), level->entries.end(),
                              [&](const pe::ResourceEntry& e) { return id->matches(e.id); });
    level = entry->directory.get();
  }
  return level->entries;
}

void addResource(pe::ResourceTree& tree, const pe::ResourceId& type, const pe::ResourceId& name,
                 std::uint16_t language, const std::string& data) {
  tree.put(type, name, language, bytesOf(data));
}

SyntheticImage SyntheticImage::usual() {
  SyntheticImage image;
  SyntheticSection text{".text", 0x60000020, std::vector<std::uint8_t>(0x300, 0xC3), false};
  SyntheticSection resources{".rsrc", 0x40000040, {}, true};
  SyntheticSection relocations{".reloc", 0x42000040, {}, false, true};
  image.sections = {text, resources, relocations};
  image.fixups = {{0x1010, 0x1000}, {0x1020, 0x1100}};
  return image;
}

std::vector<std::uint8_t> SyntheticImage::relocationTable() const {
  std::vector<std::uint8_t> table;
  std::vector<SyntheticFixup> sorted = fixups;
  std::sort(sorted.begin(), sorted.end(),
            [](const SyntheticFixup& a, const SyntheticFixup& b) { return a.site < b.site; });
  const std::uint16_t type = pe32Plus ? 10 : 3;
  for (std::size_t i = 0; i < sorted.size();) {
    std::uint32_t page = sorted[i].site & ~0xFFFu;
    std::size_t start = table.size();
    table.resize(start + 8, 0);
    pe::putU32(&table[start], page);
    for (; i < sorted.size() && (sorted[i].site & ~0xFFFu) == page; ++i) {
      std::uint16_t entry = static_cast<std::uint16_t>((type << 12) | (sorted[i].site & 0xFFF));
      table.push_back(static_cast<std::uint8_t>(entry));
      table.push_back(static_cast<std::uint8_t>(entry >> 8));
    }
    if ((table.size() - start) % 4 != 0) table.resize(table.size() + 2, 0);  // an absolute pad
    pe::putU32(&table[start + 4], static_cast<std::uint32_t>(table.size() - start));
  }
  return table;
}

std::vector<std::uint32_t> SyntheticImage::addresses() const {
  std::vector<std::uint32_t> result;
  std::uint32_t address = sectionAlignment;
  for (const SyntheticSection& section : sections) {
    result.push_back(address);
    std::uint64_t size = section.resources     ? tree.serializedSize()
                         : section.relocations ? relocationTable().size()
                                               : section.data.size();
    address +=
        static_cast<std::uint32_t>(pe::alignUp(std::max<std::uint64_t>(size, 1), sectionAlignment));
  }
  return result;
}

std::vector<std::uint8_t> SyntheticImage::build() const {
  using pe::alignUp;
  using pe::putU16;
  using pe::putU32;
  const std::uint32_t peOffset = 0x80;
  const std::uint32_t optionalSize = pe32Plus ? 240 : 224;
  std::vector<std::uint8_t> out(sizeOfHeaders, 0);
  out[0] = 'M';
  out[1] = 'Z';
  putU32(&out[60], peOffset);
  std::memcpy(&out[peOffset], "PE\0\0", 4);
  std::uint32_t coff = peOffset + 4;
  putU16(&out[coff], pe32Plus ? 0x8664 : 0x14c);
  putU16(&out[coff + 2], static_cast<std::uint16_t>(sections.size()));
  putU32(&out[coff + 4], 0x5F5E1000);
  putU16(&out[coff + 16], static_cast<std::uint16_t>(optionalSize));
  putU16(&out[coff + 18], characteristics);
  std::uint32_t optional = peOffset + 24;
  putU16(&out[optional], pe32Plus ? 0x20b : 0x10b);
  putU32(&out[optional + 16], 0x1000);  // entry point in .text
  if (pe32Plus) {
    putU32(&out[optional + 24], static_cast<std::uint32_t>(imageBase()));
    putU32(&out[optional + 28], static_cast<std::uint32_t>(imageBase() >> 32));
  } else {
    putU32(&out[optional + 28], static_cast<std::uint32_t>(imageBase()));
  }
  putU32(&out[optional + 32], sectionAlignment);
  putU32(&out[optional + 36], fileAlignment);
  putU16(&out[optional + 68], 2);  // Windows GUI
  putU32(&out[optional + 60], sizeOfHeaders);
  putU32(&out[optional + (pe32Plus ? 108 : 92)], 16);
  std::uint32_t directories = optional + (pe32Plus ? 112 : 96);
  std::uint32_t table = optional + optionalSize;

  std::vector<std::uint32_t> placed = addresses();
  std::uint32_t initialized = 0;
  std::uint32_t address = sectionAlignment;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const SyntheticSection& section = sections[i];
    address = placed[i];
    std::vector<std::uint8_t> data = section.resources     ? tree.serialize(address)
                                     : section.relocations ? relocationTable()
                                                           : section.data;
    for (const SyntheticFixup& fixup : fixups) {
      if (section.resources || fixup.site < address || fixup.site + 8 > address + data.size())
        continue;
      std::uint64_t value = imageBase() + fixup.target;
      pe::putU32(&data[fixup.site - address], static_cast<std::uint32_t>(value));
      if (pe32Plus)
        pe::putU32(&data[fixup.site - address + 4], static_cast<std::uint32_t>(value >> 32));
    }
    std::uint32_t raw = static_cast<std::uint32_t>(alignUp(data.size(), fileAlignment));
    std::uint32_t pointer = static_cast<std::uint32_t>(out.size());
    std::uint32_t at = table + 40 * static_cast<std::uint32_t>(i);
    std::memcpy(&out[at], section.name.data(), std::min<std::size_t>(8, section.name.size()));
    putU32(&out[at + 8], static_cast<std::uint32_t>(data.size()));
    putU32(&out[at + 12], address);
    putU32(&out[at + 16], raw);
    putU32(&out[at + 20], raw ? pointer : 0);
    putU32(&out[at + 36], section.characteristics);
    if (section.resources) {
      putU32(&out[directories + 16], address);
      putU32(&out[directories + 20], static_cast<std::uint32_t>(data.size()));
    }
    if (section.directory >= 0) {
      putU32(&out[directories + 8 * section.directory], address);
      putU32(&out[directories + 8 * section.directory + 4],
             static_cast<std::uint32_t>(data.size()));
    }
    if (section.relocations) {
      putU32(&out[directories + 40], address);
      putU32(&out[directories + 44], static_cast<std::uint32_t>(data.size()));
    }
    if (section.characteristics & 0x40) initialized += raw;
    data.resize(raw, 0);
    out.insert(out.end(), data.begin(), data.end());
    address += static_cast<std::uint32_t>(
        alignUp(std::max<std::size_t>(data.size(), 1), sectionAlignment));
  }
  putU32(&out[optional + 8], initialized);
  putU32(&out[optional + 56], address);
  out.insert(out.end(), overlay.begin(), overlay.end());
  if (!certificate.empty()) {
    out.resize(alignUp(out.size(), 8), 0);
    putU32(&out[directories + 32], static_cast<std::uint32_t>(out.size()));
    putU32(&out[directories + 36], static_cast<std::uint32_t>(certificate.size()));
    out.insert(out.end(), certificate.begin(), certificate.end());
  }
  if (checksum) {
    pe::PeChecksum sum;
    sum.add(out.data(), out.size());
    putU32(&out[optional + 64], sum.finish(out.size()));
  }
  return out;
}

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  path_ =
      std::filesystem::temp_directory_path() /
      ("kx_resedit_" +
       std::to_string(std::hash<std::string>{}(std::filesystem::current_path().string()) % 100000) +
       "_" + std::to_string(counter++) + "_" +
       std::to_string(reinterpret_cast<std::uintptr_t>(this) % 100000));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}
