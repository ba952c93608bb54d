#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "resedit/pe/image_file.h"

namespace pe {

struct SectionHeader {
  char name[8] = {};
  std::uint32_t virtualSize = 0;
  std::uint32_t virtualAddress = 0;
  std::uint32_t sizeOfRawData = 0;
  std::uint32_t pointerToRawData = 0;
  std::uint32_t pointerToRelocations = 0;
  std::uint32_t pointerToLinenumbers = 0;
  std::uint16_t numberOfRelocations = 0;
  std::uint16_t numberOfLinenumbers = 0;
  std::uint32_t characteristics = 0;

  // The extent the loader maps: VirtualSize, or the raw size for linkers that leave it zero.
  std::uint32_t mappedSize() const { return virtualSize != 0 ? virtualSize : sizeOfRawData; }
};

struct DataDirectory {
  std::uint32_t virtualAddress = 0;
  std::uint32_t size = 0;
};

enum DataDirectoryIndex : unsigned {
  kExportDirectory = 0,
  kImportDirectory = 1,
  kResourceDirectory = 2,
  kExceptionDirectory = 3,
  kSecurityDirectory = 4,
  kBaseRelocationDirectory = 5,
  kDebugDirectory = 6,
};

// Where each field the engine reads or writes lies: COFF fields from the COFF header, optional
// header fields from the optional header (PE32+ positions where they differ), section fields from
// the section header, debug fields from a debug directory entry. The reader and the writer both use
// this one table.
namespace field {
constexpr std::uint32_t kMachine = 0;
constexpr std::uint32_t kNumberOfSections = 2;
constexpr std::uint32_t kPointerToSymbolTable = 8;
constexpr std::uint32_t kSizeOfOptionalHeader = 16;
constexpr std::uint32_t kCharacteristics = 18;

constexpr std::uint32_t kMagic = 0;
constexpr std::uint32_t kSizeOfInitializedData = 8;
constexpr std::uint32_t kAddressOfEntryPoint = 16;
constexpr std::uint32_t kImageBase32 = 28;
constexpr std::uint32_t kImageBase64 = 24;
constexpr std::uint32_t kSectionAlignment = 32;
constexpr std::uint32_t kFileAlignment = 36;
constexpr std::uint32_t kSizeOfImage = 56;
constexpr std::uint32_t kSizeOfHeaders = 60;
constexpr std::uint32_t kCheckSum = 64;
constexpr std::uint32_t kNumberOfRvaAndSizes32 = 92;
constexpr std::uint32_t kNumberOfRvaAndSizes64 = 108;
constexpr std::uint32_t kDataDirectories32 = 96;
constexpr std::uint32_t kDataDirectories64 = 112;

constexpr std::uint32_t kSectionName = 0;
constexpr std::uint32_t kVirtualSize = 8;
constexpr std::uint32_t kVirtualAddress = 12;
constexpr std::uint32_t kSizeOfRawData = 16;
constexpr std::uint32_t kPointerToRawData = 20;
constexpr std::uint32_t kPointerToRelocations = 24;
constexpr std::uint32_t kPointerToLinenumbers = 28;
constexpr std::uint32_t kNumberOfRelocations = 32;
constexpr std::uint32_t kNumberOfLinenumbers = 34;
constexpr std::uint32_t kSectionCharacteristics = 36;

constexpr std::uint32_t kDebugAddressOfRawData = 20;
constexpr std::uint32_t kDebugPointerToRawData = 24;
}  // namespace field

constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kSectionCode = 0x00000020;
constexpr std::uint32_t kSectionInitializedData = 0x00000040;
constexpr std::uint32_t kSectionDiscardable = 0x02000000;
constexpr std::uint32_t kSectionExecutable = 0x20000000;
constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

// The headers of a PE32 or PE32+ file: what the resource engine reads and what it must rewrite.
// Parsing reads only the headers and the section table, never the whole file.
class PeLayout {
 public:
  int parse(ImageFile& file);

  std::uint64_t fileSize = 0;
  std::uint32_t peOffset = 0;
  std::uint16_t machine = 0;
  std::uint16_t numberOfSections = 0;
  std::uint16_t sizeOfOptionalHeader = 0;
  std::uint16_t characteristics = 0;
  std::uint32_t pointerToSymbolTable = 0;
  bool pe32Plus = false;
  std::uint32_t sizeOfInitializedData = 0;
  std::uint32_t addressOfEntryPoint = 0;
  std::uint64_t imageBase = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t checkSum = 0;
  std::uint32_t numberOfRvaAndSizes = 0;
  std::vector<DataDirectory> directories;  // min(NumberOfRvaAndSizes, 16) entries
  std::vector<SectionHeader> sections;
  // The file's bytes from offset 0 up to the end of the section table.
  std::vector<std::uint8_t> headerBytes;

  std::uint32_t coffHeaderOffset() const { return peOffset + 4; }
  std::uint32_t optionalHeaderOffset() const { return peOffset + 24; }
  std::uint32_t optionalFieldOffset(std::uint32_t field) const {
    return optionalHeaderOffset() + field;
  }
  std::uint32_t checkSumOffset() const { return optionalFieldOffset(field::kCheckSum); }
  std::uint32_t sizeOfImageOffset() const { return optionalFieldOffset(field::kSizeOfImage); }
  std::uint32_t dataDirectoryOffset(unsigned index) const {
    return optionalFieldOffset(pe32Plus ? field::kDataDirectories64 : field::kDataDirectories32) +
           8u * index;
  }
  std::uint32_t sectionTableOffset() const { return optionalHeaderOffset() + sizeOfOptionalHeader; }
  std::uint32_t sectionHeaderOffset(unsigned index) const {
    return sectionTableOffset() + kSectionHeaderSize * index;
  }

  DataDirectory directory(unsigned index) const {
    return index < directories.size() ? directories[index] : DataDirectory{};
  }
  // Index of the section whose mapped extent holds `rva`, or -1.
  int sectionOfRva(std::uint32_t rva) const;
  // File offset of [rva, rva + size) when all of it has bytes in the file; 0 otherwise.
  int rvaToFileOffset(std::uint32_t rva, std::uint32_t size, std::uint64_t& offset) const;
  // 1 when every section's raw data lies within the file after the section table.
  int sectionsAreComplete() const;
  // End of the last section's raw data: where the overlay (an installer's payload) begins.
  std::uint64_t endOfSectionData() const;
  // The address range a section takes once mapped, rounded up to the section alignment.
  std::uint64_t mappedEnd(const SectionHeader& section) const;
};

std::string sectionName(const SectionHeader& section);
// Writes `section` into the section table held in `header` at `at`, field for field as parse reads.
void putSectionHeader(std::vector<std::uint8_t>& header, std::uint32_t at,
                      const SectionHeader& section);

}  // namespace pe
