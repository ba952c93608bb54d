// Writes the fuzz targets' seed corpora into the folder given: small installers assembled like the
// engine tests' images, and small archives shaped like the preference editor archive.
#include <zip.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "tests/unit/resedit/synthetic_image.h"

namespace fs = std::filesystem;

namespace {

const pe::ResourceId kBinary = named("BINARY");

// Block 19 holds string 300; its other strings include one with a NUL unit, which must survive.
std::string stringBlock() {
  std::string block;
  for (int i = 0; i < 16; ++i) {
    const std::u16string text = i == 12 ? u"" : i == 3 ? std::u16string(u"a\0b", 3) : u"Kestrix";
    block += static_cast<char>(text.size());
    block += '\0';
    for (char16_t unit : text) {
      block += static_cast<char>(unit & 0xFF);
      block += static_cast<char>(unit >> 8);
    }
  }
  return block;
}

// Code after the resources that a base relocation block names, as start-up code of some linkers
// is laid out: a larger tree must not move it.
void addRelocatedCode(SyntheticImage& image) {
  SyntheticSection code{".init", 0x62000020, std::vector<std::uint8_t>(0x40, 0xC3), false};
  image.sections.insert(image.sections.begin() + 2, code);
  std::vector<std::uint8_t>& relocations = image.sections.back().data;
  relocations = {0x00, 0x30, 0x00, 0x00, 12, 0, 0, 0, 0x10, 0xA0, 0, 0};
}

SyntheticImage installer(bool pe32Plus, bool overlay) {
  SyntheticImage image = SyntheticImage::usual();
  image.pe32Plus = pe32Plus;
  image.characteristics = pe32Plus ? 0x0022 : 0x0102;
  addResource(image.tree, kBinary, named("KXECONFIG"), 1033,
              "[kx_preferences]\r\nPrefsCount=1\r\nKey1=a.b\r\nValue1=1\r\n");
  addResource(image.tree, kBinary, named("QTPREF"), 1033, "qt");
  addResource(image.tree, pe::ResourceId::integer(6), pe::ResourceId::integer(19), 1033,
              stringBlock());
  if (overlay) {
    image.overlay = bytesOf("payload");
    image.certificate = std::vector<std::uint8_t>(16, 0x30);
  }
  return image;
}

void write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  writeBytes(path.string(), bytes.data(), bytes.size());
}

bool writeZip(const fs::path& path, bool nested) {
  struct Entry {
    const char* name;
    std::string content;
    bool deflate;
  };
  std::vector<Entry> entries = {{"cfadmin/", "", false},
                                {"cfadmin/index.html", "<html>var serverData=[];</html>", true},
                                {"cfadmin/main.css", "body{}", false},
                                {"cfadmin/empty.js", "", true}};
  if (nested) {
    entries.push_back({"cfadmin/images/", "", false});
    entries.push_back({"cfadmin/images/lock.gif", std::string(300, 'g'), true});
  }
  zipFile zip = zipOpen(path.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const Entry& entry : entries) {
    zip_fileinfo info{};
    ok = ok && zipOpenNewFileInZip(zip, entry.name, &info, nullptr, 0, nullptr, 0, nullptr,
                                   entry.deflate ? Z_DEFLATED : 0,
                                   entry.deflate ? Z_BEST_COMPRESSION : 0) == ZIP_OK;
    if (ok && !entry.content.empty()) {
      ok = zipWriteInFileInZip(zip, entry.content.data(),
                               static_cast<unsigned>(entry.content.size())) == ZIP_OK;
    }
    ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path out = argv[1];
  for (const char* corpus : {"pe", "rewrite", "zip"}) fs::create_directories(out / corpus);

  for (const bool pe32Plus : {false, true}) {
    for (const int shape : {0, 1, 2}) {
      const bool overlay = shape == 1;
      SyntheticImage image = installer(pe32Plus, overlay);
      if (shape == 2) addRelocatedCode(image);
      const std::vector<std::uint8_t> bytes = image.build();
      const std::string name =
          std::string(pe32Plus ? "pe32plus" : "pe32") + (shape == 1   ? "_overlay"
                                                         : shape == 2 ? "_relocated"
                                                                      : "");
      write(out / "pe" / name, bytes);
      // The rewrite target reads its update from the last byte: every update, small and large.
      for (const int update : {0, 1, 2, 3}) {
        for (const int scale : {1, 60}) {
          std::vector<std::uint8_t> seed = bytes;
          seed.push_back(static_cast<std::uint8_t>(scale << 2 | update));
          write(
              out / "rewrite" / (name + "_" + std::to_string(update) + "_" + std::to_string(scale)),
              seed);
        }
      }
    }
  }
  return writeZip(out / "zip" / "site", false) && writeZip(out / "zip" / "nested", true) ? 0 : 1;
}
