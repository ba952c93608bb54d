#include "workspace/embedded_resources.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(EmbeddedResourcesTest, FindsByTypeAndNameWithoutRegardToCase) {
  const unsigned char archive[] = {'P', 'K', 3, 4};
  const unsigned char picture[] = {'B', 'M'};
  const EmbeddedResource table[] = {
      {"BINARY", "ARCHIVE", archive, sizeof archive},
      {"Bitmap", "#135", picture, sizeof picture},
      {"Binary", "EMPTY", nullptr, 0},
  };
  EmbeddedResources resources(table);
  std::vector<unsigned char> bytes{9, 9, 9};
  ASSERT_EQ(resources.loadResource("Binary", "archive", bytes), 1);
  EXPECT_EQ(bytes, std::vector<unsigned char>(archive, archive + sizeof archive));
  ASSERT_EQ(resources.loadResource("bitmap", "#135", bytes), 1);
  EXPECT_EQ(bytes, std::vector<unsigned char>(picture, picture + sizeof picture));
  ASSERT_EQ(resources.loadResource("BINARY", "Empty", bytes), 1);
  EXPECT_TRUE(bytes.empty());

  bytes = {7};
  EXPECT_EQ(resources.loadResource("Binary", "ARCHIVES", bytes), 0);
  EXPECT_EQ(resources.loadResource("Bitmap", "ARCHIVE", bytes), 0);
  EXPECT_EQ(resources.loadResource("Binary", "ARCHIV", bytes), 0);
  EXPECT_EQ(bytes, std::vector<unsigned char>{7}) << "a failed lookup leaves the bytes alone";
}

}  // namespace
