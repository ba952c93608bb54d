// The table compiled into builds without a resource section must offer what the Windows program
// carries in its own: the two pictures at their pixel sizes, the icon, and the editor archive,
// under the names the front ends ask for.
#include "res/program_resource_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> lookUp(const char* type, const char* name) {
  EmbeddedResources resources(programResourceTable());
  std::vector<unsigned char> bytes;
  if (!resources.loadResource(type, name, bytes)) bytes.clear();
  return bytes;
}

std::uint32_t little32(const std::vector<unsigned char>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::uint32_t big32(const std::vector<unsigned char>& b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

}  // namespace

TEST(ProgramResourceTable, BitmapsAreClassicBmpsOfTheirSizes) {
  struct Picture {
    const char* name;
    std::uint32_t width, height;
  };
  for (const Picture& picture : {Picture{"#104", 136, 317}, Picture{"#135", 320, 240}}) {
    SCOPED_TRACE(picture.name);
    // Callers spell the type as they like; Windows matches it without regard to case.
    const auto bytes = lookUp("BITMAP", picture.name);
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(little32(bytes, 2), bytes.size());
    EXPECT_EQ(little32(bytes, 14), 40u);  // BITMAPINFOHEADER, the layout Windows resources use
    EXPECT_EQ(little32(bytes, 18), picture.width);
    EXPECT_EQ(little32(bytes, 22), picture.height);
  }
}

TEST(ProgramResourceTable, IconIsA48PixelPng) {
  const auto bytes = lookUp("Icon", "#101");
  ASSERT_GE(bytes.size(), 24u);
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  EXPECT_EQ(big32(bytes, 16), 48u);
  EXPECT_EQ(big32(bytes, 20), 48u);
}

TEST(ProgramResourceTable, UnknownNamesAreNotFound) {
  EXPECT_TRUE(lookUp("Bitmap", "#101").empty());
  EXPECT_TRUE(lookUp("Icon", "#104").empty());
}

#ifdef KX_EXPECT_SITE_ARCHIVE
TEST(ProgramResourceTable, ArchiveIsAZip) {
  const auto bytes = lookUp("Binary", "ARCHIVE");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), std::string("PK\x03\x04", 4));
}
#endif
