// DIBs across the real clipboard: ours put as CF_DIB and read back, and the
// bitmap the system synthesises from it read through GDI.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "engine/pixels/Dib.h"
#include "engine/pixels/ImagePlacement.h"
#include "engine/pixels/win/DibGlobal.h"
#include "support/random_buffers.h"

namespace {

bool SameRows(const VrWA2000::WA& a, const VrWA2000::WA& b) {
  if (a.GetW() != b.GetW() || a.GetH() != b.GetH() || a.GetType() != b.GetType()) return false;
  // The pixels' bits only: row filler is not part of the picture.
  const int bits = a.GetBPP() * a.GetW();
  const int whole = bits / 8;
  const int mask = 0xFF00 >> (bits % 8) & 0xFF;
  for (int y = 0; y < a.GetH(); ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), whole) != 0) return false;
    if (mask != 0 && ((a.Row(y)[whole] ^ b.Row(y)[whole]) & mask) != 0) return false;
  }
  return true;
}

// Puts the image on the clipboard as CF_DIB; the clipboard owns the block.
void PutOnClipboard(const VrWA2000::WA& image) {
  BITMAPINFOHEADER* dib = ImageToDIB(&image, RECT{0, 0, image.GetW(), image.GetH()});
  ASSERT_NE(dib, nullptr);
  HGLOBAL block = GlobalHandle(dib);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(CF_DIB, block), nullptr);
  CloseClipboard();
}


TEST(DibClipboard, ImagesOfEveryTypeComeBackAsTheyWent) {
  std::mt19937 rng(11);
  for (int type : {kWAType24, kWAType8Grey, kWAType8Palette, kWAType4Bit, kWAType1Bit}) {
    WAPtr image = lumora::testing::RandomBuffer(type, 37, 21, rng);
    PutOnClipboard(*image);
    ASSERT_TRUE(OpenClipboard(nullptr));
    WAPtr back = WAPtr::Adopt(GlobalDIBToImage(GetClipboardData(CF_DIB), 0));
    CloseClipboard();
    ASSERT_TRUE(back) << type;
    EXPECT_TRUE(SameRows(*image, *back)) << type;
    if (type != kWAType24 && type != kWAType8Grey) {
      EXPECT_EQ(std::memcmp(image->Palette(), back->Palette(), sizeof(PALETTEENTRY) << image->GetBPP()), 0);
    }
  }
}

TEST(DibClipboard, SynthesisedBitmapReadsAsTheSamePicture) {
  std::mt19937 rng(12);
  WAPtr image = lumora::testing::RandomBuffer(kWAType24, 29, 17, rng);
  PutOnClipboard(*image);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_NE(bitmap, nullptr);
  WAPtr fromBitmap = WAPtr::Adopt(BitmapToImage(bitmap, nullptr));
  BITMAPINFOHEADER* dib24 = BitmapToDIB24(bitmap);
  BITMAPINFOHEADER* dibLike = BitmapToDIB(image.get(), bitmap);
  CloseClipboard();
  ASSERT_TRUE(fromBitmap);
  EXPECT_TRUE(SameRows(*image, *fromBitmap));
  for (BITMAPINFOHEADER* dib : {dib24, dibLike}) {
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->biSizeImage, static_cast<DWORD>(image->GetBPLine() * image->GetH()));
    EXPECT_EQ(dib->biClrUsed, 0u);
    WAPtr again = WAPtr::Adopt(DIBToImage(reinterpret_cast<const std::uint8_t*>(dib),
                                          GlobalSize(GlobalHandle(dib)), 0));
    ASSERT_TRUE(again);
    EXPECT_TRUE(SameRows(*image, *again));
    FreeGlobalDIB(dib);
  }
}

TEST(DibClipboard, GreyBitmapToDibKeepsTheGreys) {
  // A grey picture drawn into a bitmap converts back onto the grey ramp.
  WAPtr grey = WAPtr::Adopt(NewWA(kWAType8Grey, 16, 4, nullptr));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 16; ++x) grey->Row(y)[x] = static_cast<std::uint8_t>(x * 17);
  }
  BITMAPINFOHEADER* dib = ImageToDIB(grey.get(), RECT{0, 0, 16, 4});
  ASSERT_NE(dib, nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, dib, CBM_INIT, reinterpret_cast<std::uint8_t*>(dib) + 40 + 1024,
                                  reinterpret_cast<BITMAPINFO*>(dib), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  FreeGlobalDIB(dib);
  ASSERT_NE(bitmap, nullptr);
  BITMAPINFOHEADER* back = BitmapToDIB(grey.get(), bitmap);
  DeleteObject(bitmap);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->biClrUsed, 256u);
  WAPtr image = WAPtr::Adopt(DIBToImage(reinterpret_cast<const std::uint8_t*>(back), GlobalSize(GlobalHandle(back)), 0));
  FreeGlobalDIB(back);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->GetType(), kWAType8Grey);
  EXPECT_TRUE(SameRows(*grey, *image));
}

class KeepPlacement : public lumora::ImagePlacement {
 public:
  int PlaceNewImage(VrWA2000::WA* image) override {
    placed = WAPtr::Share(image);
    return 1;
  }
  WAPtr placed;
};

TEST(DibGlobal, OpenImageAsDocumentConvertsTheBlockAndFreesIt) {
  KeepPlacement placement;
  lumora::SetImagePlacement(&placement);
  std::mt19937 rng(13);
  WAPtr image = lumora::testing::RandomBuffer(kWAType8Palette, 9, 5, rng);
  BITMAPINFOHEADER* dib = ImageToDIB(image.get(), RECT{0, 0, 9, 5});
  ASSERT_NE(dib, nullptr);
  HGLOBAL block = GlobalHandle(dib);
  GlobalUnlock(block);
  EXPECT_EQ(OpenImageAsDocument(nullptr, block, 1, 1), 0);
  lumora::SetImagePlacement(nullptr);
  ASSERT_TRUE(placement.placed);
  EXPECT_EQ(placement.placed->GetType(), kWAType24);
  const PALETTEENTRY& e = image->Palette()[image->Row(2)[4]];
  const std::uint8_t* p = placement.placed->Row(2) + 12;
  EXPECT_EQ(p[0], e.peBlue);
  EXPECT_EQ(p[2], e.peRed);
  EXPECT_NE(OpenImageAsDocument(nullptr, nullptr, 1, 0), 0);  // no DIB: nothing to place
}

}  // namespace
