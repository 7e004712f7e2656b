// Selections through global memory blocks, as the clipboard carries them:
// two 16-bit image sizes, then the selection stream.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "select/storeSel.h"
#include "select/win/HGlobalMemFile.h"

namespace {

constexpr UINT kFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;

struct FragmentRelease {
  void operator()(Fragment* f) const { DeleteFragment(f); }
};
using FrgPtr = std::unique_ptr<Fragment, FragmentRelease>;

std::vector<std::uint8_t> StreamBytes(const Fragment* f) {
  lumora::MemFile file(512);
  CSelStream stream(&file);
  stream.Write(f);
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

// Writes the clipboard block and hands it over unlocked, as a renderer does.
HGLOBAL RenderBlock(const Fragment* f, std::uint16_t width, std::uint16_t height) {
  HGlobalMemFile file(512, kFlags);
  file.Write(&width, 2);
  file.Write(&height, 2);
  CSelStream stream(&file);
  stream.Write(f);
  std::uint8_t* data = file.Detach();
  HGLOBAL block = GlobalHandle(data);
  GlobalUnlock(block);
  return block;
}

TEST(SelectionClipboardBlock, RoundTripsThroughGlobalMemory) {
  const LURECT r{-20, 30, 300, 200};
  FrgPtr ellipse(CreateEllipticFrg(&r, 1));
  const LURECT mr{5, 6, 150, 120};  // a mask record of about 19 KB: the block grows many times
  FrgPtr mask(CreateEmptyMask(&mr));
  PutFragmentToMask(mask.get(), ellipse.get(), kFrgAdd);
  FrgPtr c(CreateComplexFrg(0, nullptr));
  AddToComplexFrg(c.get(), ellipse.get(), kFrgAdd);
  AddToComplexFrg(c.get(), mask.get(), kFrgSubtract);

  HGLOBAL block = RenderBlock(c.get(), 640, 480);
  ASSERT_NE(block, nullptr);
  const std::vector<std::uint8_t> expected = StreamBytes(c.get());
  ASSERT_GE(GlobalSize(block), expected.size() + 4);

  HGlobalMemFile reader(1024, kFlags);
  auto* data = static_cast<std::uint8_t*>(GlobalLock(block));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::memcmp(data + 4, expected.data(), expected.size()), 0);
  reader.Attach(data, static_cast<std::uint32_t>(GlobalSize(block)));
  std::uint16_t size[2] = {};
  ASSERT_EQ(reader.Read(size, 4), 4u);
  EXPECT_EQ(size[0], 640);
  EXPECT_EQ(size[1], 480);
  Fragment* back = nullptr;
  CSelStream stream(&reader);
  stream.Read(&back);
  FrgPtr owned(back);
  reader.Detach();
  GlobalUnlock(block);
  GlobalFree(block);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(StreamBytes(back), expected);
}

TEST(SelectionClipboardBlock, AnUnclaimedBlockIsFreedWithTheFile) {
  const LURECT r{0, 0, 4, 4};
  FrgPtr rect(CreateRectFrg(&r, 0));
  HGLOBAL block = nullptr;
  {
    HGlobalMemFile file(512, kFlags);
    CSelStream stream(&file);
    stream.Write(rect.get());
    block = GlobalHandle(const_cast<std::uint8_t*>(file.Data()));
    ASSERT_NE(block, nullptr);
    EXPECT_NE(GlobalFlags(block), GMEM_INVALID_HANDLE);
  }
  EXPECT_EQ(GlobalSize(block), 0u);  // freed: the handle no longer names a block
}

}  // namespace
