#include "app/gtk/resource_pixbuf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::uint32_t readLe32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t readLe16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void appendLe32(std::vector<unsigned char>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A bitmap resource compiled into a Windows module is a bare DIB; image readers want the
// 14-byte file header in front, whose pixel offset follows from the header and palette sizes.
void addBitmapFileHeader(std::vector<unsigned char>& bytes) {
  if (bytes.size() < 16 || (bytes[0] == 'B' && bytes[1] == 'M')) return;
  const std::uint32_t headerSize = readLe32(bytes, 0);
  if (headerSize < 12 || headerSize > bytes.size()) return;
  std::uint32_t paletteBytes = 0;
  if (headerSize >= 40) {
    const std::uint16_t bitCount = readLe16(bytes, 14);
    const std::uint32_t compression = readLe32(bytes, 16);
    std::uint32_t colours = readLe32(bytes, 32);
    if (colours == 0 && bitCount <= 8) colours = 1u << bitCount;
    paletteBytes = colours * 4;
    if (headerSize == 40 && (compression == 3 || compression == 6))
      paletteBytes += compression == 3 ? 12 : 16;
  } else {
    const std::uint16_t bitCount = readLe16(bytes, 10);
    if (bitCount <= 8) paletteBytes = (1u << bitCount) * 3;
  }
  std::vector<unsigned char> framed{'B', 'M'};
  appendLe32(framed, static_cast<std::uint32_t>(14 + bytes.size()));
  appendLe32(framed, 0);
  appendLe32(framed, 14 + headerSize + paletteBytes);
  framed.insert(framed.end(), bytes.begin(), bytes.end());
  bytes.swap(framed);
}

int loadNamed(ResourceSource& resources, const char* type, const char* name,
              std::vector<unsigned char>& bytes) {
  if (resources.loadResource(type, name, bytes)) return 1;
  const std::string withHash = std::string("#") + name;
  return resources.loadResource(type, withHash.c_str(), bytes);
}

}  // namespace

GdkPixbuf* loadResourcePixbuf(ResourceSource& resources, const char* type, const char* name) {
  std::vector<unsigned char> bytes;
  if (!loadNamed(resources, type, name, bytes) || bytes.empty()) return nullptr;
  addBitmapFileHeader(bytes);
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* pixbuf = nullptr;
  if (gdk_pixbuf_loader_write(loader, bytes.data(), bytes.size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
    if (pixbuf != nullptr) g_object_ref(pixbuf);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return pixbuf;
}
