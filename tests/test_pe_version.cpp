#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/support/pe_version.h"
#include "version_blocks.h"

using namespace version_blocks;

namespace {

std::vector<BYTE> ReadFixture(const char* name) {
  std::ifstream in(FixtureDirectory() + "/" + name, std::ios::binary);
  return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A block as GetFileVersionInfoA hands it out.
std::vector<BYTE> Info(const std::vector<BYTE>& block) {
  std::vector<BYTE> info(pever::InfoSizeFor(pever::VersionBlockLength(block.data(), block.size())));
  EXPECT_TRUE(pever::CopyVersionInfo(block.data(), block.size(), static_cast<DWORD>(info.size()), info.data()));
  return info;
}

std::string Query(std::vector<BYTE>& info, const char* path) {
  void* value = nullptr;
  UINT length = 0;
  if (!pever::QueryVersionValue(info.data(), path, &value, &length)) return "<none>";
  EXPECT_GE(static_cast<BYTE*>(value), info.data());
  EXPECT_LT(static_cast<BYTE*>(value), info.data() + info.size());
  return static_cast<const char*>(value);
}

TEST(PeVersionTest, FindsTheResourceOfBothImageKinds) {
  for (const char* name : {"verfixture32.exe", "verfixture64.exe"}) {
    std::vector<BYTE> image = ReadFixture(name);
    ASSERT_FALSE(image.empty()) << name;
    size_t offset = 0, length = 0;
    ASSERT_TRUE(pever::FindVersionResource(image.data(), image.size(), &offset, &length)) << name;
    EXPECT_EQ(length, pever::VersionBlockLength(image.data() + offset, length));
    // Every shorter image is refused or still yields a resource inside it.
    for (size_t cut = 0; cut < image.size(); ++cut) {
      size_t o = 0, n = 0;
      if (pever::FindVersionResource(image.data(), cut, &o, &n)) {
        EXPECT_LE(o + n, cut);
      }
    }
  }
}

TEST(PeVersionTest, RefusesWhatIsNotAPeImage) {
  size_t offset = 0, length = 0;
  std::vector<BYTE> image = ReadFixture("verfixture32.exe");
  EXPECT_FALSE(pever::FindVersionResource(nullptr, 0, &offset, &length));
  std::vector<BYTE> mz(image.begin(), image.begin() + 0x40);
  EXPECT_FALSE(pever::FindVersionResource(mz.data(), mz.size(), &offset, &length));
  image[0x3C] = 0xF0;  // the PE header offset points past the end
  image[0x3F] = 0x7F;
  EXPECT_FALSE(pever::FindVersionResource(image.data(), image.size(), &offset, &length));
}

TEST(PeVersionTest, QueriesMatchKeysInAnyCaseAndConvertText) {
  std::vector<BYTE> block = Block("040904b0", {Text("FileVersion", "1.2"), Text("Note", "caf\xE9x")}, {0x04B00409});
  // A character outside the 8-bit range after the e-acute.
  size_t e = std::find(block.begin(), block.end(), 0xE9) - block.begin();
  block[e + 3] = 0x30;
  std::vector<BYTE> info = Info(block);
  EXPECT_EQ("1.2", Query(info, "\\StringFileInfo\\040904B0\\fileversion"));
  EXPECT_EQ("1.2", Query(info, "StringFileInfo\\\\040904b0\\FileVersion\\"));
  EXPECT_EQ("caf\xE9?", Query(info, "\\StringFileInfo\\040904b0\\Note"));
  EXPECT_EQ("<none>", Query(info, "\\StringFileInfo\\040904b0\\Missing"));
  EXPECT_EQ("<none>", Query(info, "\\StringFileInfo\\04090"));
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(pever::QueryVersionValue(info.data(), "\\", &value, &length));
  EXPECT_EQ(52u, length);
  ASSERT_TRUE(pever::QueryVersionValue(info.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(4u, length);
  EXPECT_EQ(0x09, *static_cast<BYTE*>(value));
}

TEST(PeVersionTest, DamagedBlocksAreRefusedOrCutAtTheirBounds) {
  std::vector<BYTE> block = Block("040904b0", {Text("A", "xyz")}, {});
  // The root claims more than the resource holds.
  std::vector<BYTE> longer = block;
  Put16(longer, 0, static_cast<unsigned>(block.size() + 4));
  EXPECT_EQ(0u, pever::VersionBlockLength(longer.data(), longer.size() - 4));
  // Too little room for the texts' copies.
  std::vector<BYTE> small(block.size() + 3);
  EXPECT_FALSE(pever::CopyVersionInfo(block.data(), block.size(), static_cast<DWORD>(small.size()), small.data()));

  // A text value longer than its node: cut at the node, and still ended.
  Node root;
  root.key = "R";
  Node text = Text("T", "abcd");
  text.value.resize(8);  // no NUL
  text.valueLength = 400;
  root.children = {text};
  std::vector<BYTE> info = Info(Build(root));
  EXPECT_EQ("abcd", Query(info, "\\T"));

  // A child of length 0 ends the walk instead of looping.
  Node zero;
  zero.key = "R";
  zero.children = {Text("Z", "")};
  std::vector<BYTE> z = Build(zero);
  Put16(z, 12, 0);
  std::vector<BYTE> zi(pever::InfoSizeFor(z.size()));
  ASSERT_TRUE(pever::CopyVersionInfo(z.data(), z.size(), static_cast<DWORD>(zi.size()), zi.data()));
  EXPECT_EQ("<none>", Query(zi, "\\Z"));
}

}  // namespace
