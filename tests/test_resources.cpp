// The committed icon and cursor files, read the way the resource compiler
// and the system read them: the directory, then each image's bitmap header,
// colour bitmap and mask.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Image {
  int width = 0, height = 0;
  int colourCount = 0;
  int field1 = 0, field2 = 0;  // planes and bit count; a cursor's hot spot
  int bitCount = 0;            // from the bitmap header
  const std::uint8_t* bits = nullptr;  // colour bitmap, bottom-up
  const std::uint8_t* mask = nullptr;  // AND mask, bottom-up

  static int Stride(int bitsPerRow) { return (bitsPerRow + 31) / 32 * 4; }

  // Rows are counted from the top, as the art is drawn.
  bool Transparent(int x, int y) const {
    const std::uint8_t* row = mask + (height - 1 - y) * Stride(width);
    return (row[x / 8] >> (7 - x % 8)) & 1;
  }
  unsigned Pixel(int x, int y) const {  // palette index or 0xAARRGGBB
    const std::uint8_t* row = bits + (height - 1 - y) * Stride(width * bitCount);
    switch (bitCount) {
      case 32: return row[x * 4] | row[x * 4 + 1] << 8 | row[x * 4 + 2] << 16 | unsigned(row[x * 4 + 3]) << 24;
      case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
      default: return (row[x / 8] >> (7 - x % 8)) & 1;
    }
  }
};

struct IconFile {
  std::vector<std::uint8_t> data;
  int type = 0;
  std::vector<Image> images;
};

unsigned Read16(const std::vector<std::uint8_t>& d, size_t at) { return d[at] | d[at + 1] << 8; }
unsigned Read32(const std::vector<std::uint8_t>& d, size_t at) { return Read16(d, at) | Read16(d, at + 2) << 16; }

// Reads the file and checks what every valid icon or cursor file must hold;
// failures are reported against the file's name.
void Load(const std::string& name, IconFile& file) {
  std::ifstream in(std::string(QUILLANOR_SOURCE_DIR) + "/app/res/" + name, std::ios::binary);
  ASSERT_TRUE(in) << name;
  file.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const auto& d = file.data;
  ASSERT_GE(d.size(), 6u) << name;
  EXPECT_EQ(0u, Read16(d, 0)) << name;
  file.type = Read16(d, 2);
  const unsigned count = Read16(d, 4);
  ASSERT_GE(d.size(), 6 + 16 * count) << name;
  size_t expectedOffset = 6 + 16 * count;  // images packed in directory order
  for (unsigned i = 0; i < count; ++i) {
    const size_t entry = 6 + 16 * i;
    Image image;
    image.width = d[entry] ? d[entry] : 256;
    image.height = d[entry + 1] ? d[entry + 1] : 256;
    image.colourCount = d[entry + 2];
    image.field1 = Read16(d, entry + 4);
    image.field2 = Read16(d, entry + 6);
    const size_t size = Read32(d, entry + 8), offset = Read32(d, entry + 12);
    ASSERT_EQ(expectedOffset, offset) << name << " image " << i;
    ASSERT_LE(offset + size, d.size()) << name << " image " << i;
    expectedOffset += size;

    ASSERT_GE(size, 40u);
    EXPECT_EQ(40u, Read32(d, offset)) << name << " image " << i;
    EXPECT_EQ(unsigned(image.width), Read32(d, offset + 4)) << name << " image " << i;
    EXPECT_EQ(unsigned(image.height * 2), Read32(d, offset + 8)) << name << " image " << i;
    EXPECT_EQ(1u, Read16(d, offset + 12)) << name << " image " << i;
    image.bitCount = Read16(d, offset + 14);
    EXPECT_EQ(0u, Read32(d, offset + 16)) << name << " image " << i << " is compressed";
    const size_t palette = image.bitCount <= 8 ? 4u << image.bitCount : 0;
    const size_t xorBytes = size_t(Image::Stride(image.width * image.bitCount)) * image.height;
    const size_t andBytes = size_t(Image::Stride(image.width)) * image.height;
    ASSERT_EQ(40 + palette + xorBytes + andBytes, size) << name << " image " << i;
    image.bits = d.data() + offset + 40 + palette;
    image.mask = image.bits + xorBytes;
    file.images.push_back(image);
  }
  EXPECT_EQ(d.size(), expectedOffset) << name << " has trailing bytes";
}

struct IconCase {
  const char* file;
  int bitCount;
  std::vector<int> sizes;
};

TEST(ResourceFilesTest, IconsHoldTheListedImagesAndDepths) {
  const IconCase cases[] = {
      {"main.ico", 32, {48, 32, 24, 16}},
      {"computer.ico", 4, {32, 16}},
      {"drive.ico", 4, {32, 16}},
  };
  for (const IconCase& c : cases) {
    IconFile file;
    Load(c.file, file);
    if (HasFatalFailure()) return;
    EXPECT_EQ(1, file.type) << c.file;
    ASSERT_EQ(c.sizes.size(), file.images.size()) << c.file;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      const Image& image = file.images[i];
      EXPECT_EQ(c.sizes[i], image.width) << c.file;
      EXPECT_EQ(c.sizes[i], image.height) << c.file;
      EXPECT_EQ(c.bitCount, image.bitCount) << c.file;
      // The directory must agree with the bitmap, or the loader may pick the wrong image.
      EXPECT_EQ(1, image.field1) << c.file;
      EXPECT_EQ(c.bitCount, image.field2) << c.file;
      EXPECT_EQ(c.bitCount == 4 ? 16 : 0, image.colourCount) << c.file;
    }
  }
}

TEST(ResourceFilesTest, EveryIconImageHasATransparentOutlineAndMatchingMask) {
  for (const char* name : {"main.ico", "computer.ico", "drive.ico"}) {
    IconFile file;
    Load(name, file);
    if (HasFatalFailure()) return;
    for (const Image& image : file.images) {
      int clear = 0, solid = 0, mismatched = 0;
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          const unsigned pixel = image.Pixel(x, y);
          const bool transparent = image.Transparent(x, y);
          (transparent ? clear : solid)++;
          if (image.bitCount == 32) {
            // Without alpha blending only the mask counts: it must clear exactly the invisible pixels.
            if (transparent != (pixel >> 24 == 0)) ++mismatched;
          } else if (transparent && pixel != 0) {
            ++mismatched;  // a coloured pixel under the mask would tint the background
          }
        }
      }
      EXPECT_GT(clear, 0) << name << " " << image.width;
      EXPECT_GT(solid, image.width * image.height / 4) << name << " " << image.width;
      EXPECT_EQ(0, mismatched) << name << " " << image.width;
    }
  }
}

TEST(ResourceFilesTest, LinkCursorIsAMonochromeHandWithTheTipAtTheHotSpot) {
  IconFile file;
  Load("hand.cur", file);
  if (HasFatalFailure()) return;
  EXPECT_EQ(2, file.type);
  ASSERT_EQ(1u, file.images.size());
  const Image& image = file.images[0];
  EXPECT_EQ(32, image.width);
  EXPECT_EQ(32, image.height);
  EXPECT_EQ(1, image.bitCount);
  EXPECT_EQ(2, image.colourCount);
  EXPECT_EQ(6, image.field1);
  EXPECT_EQ(1, image.field2);
  // Black and white, in that order.
  const std::uint8_t* palette = image.bits - 8;
  EXPECT_EQ(0u, unsigned(palette[0] | palette[1] | palette[2]));
  EXPECT_EQ(0xFFu, unsigned(palette[4] & palette[5] & palette[6]));
  // The hot spot is the finger's topmost drawn pixel: nothing above it.
  EXPECT_FALSE(image.Transparent(6, 1));
  EXPECT_TRUE(image.Transparent(6, 0));
}

}  // namespace
