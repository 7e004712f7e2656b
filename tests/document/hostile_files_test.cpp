// Small hostile files whose headers declare images of 30000 x 30000
// opened as the program opens them, under a low memory cap. Each must be
// refused as damaged, with its name, without any allocation near what the
// header claims. Allocations are measured by the address sanitizer's
// allocation hooks (every block of the process, the codec libraries'
// included), so the test runs in the sanitizer build.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "document/DocumentFiles.h"
#include "engine/pixels/FileAdapters.h"
#include "engine/pixels/WAccess.h"
#include "hostapi/imgxfer.h"
#include "libs/imgxfer/ui.h"
#include "tests/document/null_host.h"
#include "tests/support/temp_workspace.h"

#if defined(__SANITIZE_ADDRESS__)
#define LUMORA_ALLOCATION_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMORA_ALLOCATION_HOOKS 1
#endif
#endif

#ifdef LUMORA_ALLOCATION_HOOKS
// The sanitizer runtime's allocation interface (GCC ships the runtime
// without its header).
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, std::size_t),
                                              void (*free_hook)(const volatile void*));
std::size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

namespace lumora {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The largest single block and the most bytes held at once (over what was
// held when the measurement began) while measuring is on.
struct AllocationMeter {
  std::atomic<bool> on{false};
  std::atomic<std::uint64_t> largest{0};
  std::atomic<std::int64_t> held{0};
  std::atomic<std::int64_t> peak{0};
};
AllocationMeter meter;

#ifdef LUMORA_ALLOCATION_HOOKS
void OnAllocate(const volatile void*, std::size_t size) {
  if (!meter.on.load(std::memory_order_relaxed)) return;
  std::uint64_t largest = meter.largest.load(std::memory_order_relaxed);
  while (size > largest && !meter.largest.compare_exchange_weak(largest, size)) {
  }
  const std::int64_t now = meter.held.fetch_add(static_cast<std::int64_t>(size)) + static_cast<std::int64_t>(size);
  std::int64_t peak = meter.peak.load(std::memory_order_relaxed);
  while (now > peak && !meter.peak.compare_exchange_weak(peak, now)) {
  }
}

void OnFree(const volatile void* block) {
  if (!meter.on.load(std::memory_order_relaxed) || block == nullptr) return;
  meter.held.fetch_sub(static_cast<std::int64_t>(__sanitizer_get_allocated_size(block)));
}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree) != 0;
#endif

void Put16(Bytes& b, unsigned v, bool big) {
  if (big) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
  } else {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  }
}
void Put32(Bytes& b, std::uint32_t v, bool big) {
  Put16(b, big ? v >> 16 : v & 0xFFFF, big);
  Put16(b, big ? v & 0xFFFF : v >> 16, big);
}

constexpr unsigned kSide = 30000;

// An uncompressed 32-bit TGA header and nothing after it: 18 bytes.
Bytes HostileTga() {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(b, kSide, false);
  Put16(b, kSide, false);
  b.push_back(32);
  b.push_back(8);
  return b;
}

void PutPngChunk(Bytes& b, const char* type, const Bytes& data) {
  Put32(b, static_cast<std::uint32_t>(data.size()), true);
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  b.insert(b.end(), body.begin(), body.end());
  Put32(b, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))), true);
}

// An interlaced RGBA PNG of 30000 x 30000 whose image data is a dozen
// bytes (69 bytes in all), or that has none.
Bytes HostilePng(bool withData) {
  Bytes b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  Bytes header;
  Put32(header, kSide, true);
  Put32(header, kSide, true);
  header.insert(header.end(), {8, 6, 0, 0, 1});
  PutPngChunk(b, "IHDR", header);
  if (withData) {
    const Bytes zeros(16, 0);
    Bytes packed(64);
    uLongf size = static_cast<uLongf>(packed.size());
    compress(packed.data(), &size, zeros.data(), static_cast<uLong>(zeros.size()));
    packed.resize(size);
    PutPngChunk(b, "IDAT", packed);
  }
  PutPngChunk(b, "IEND", {});
  return b;
}

// A little-endian TIFF of 30000 x 30000 RGB in separate planes,
// uncompressed, one strip a plane, whose byte counts claim 900000000 bytes
// each: 164 bytes, no pixel data.
Bytes HostileTiff() {
  Bytes b = {'I', 'I', 42, 0};
  Put32(b, 8, false);
  const std::uint32_t extra = 8 + 2 + 10 * 12 + 4;  // after the directory
  struct Entry {
    unsigned tag, type;
    std::uint32_t count, value;
  } entries[] = {{256, 4, 1, kSide},          {257, 4, 1, kSide},         {258, 3, 3, extra},
                 {259, 3, 1, 1},              {262, 3, 1, 2},             {273, 4, 3, extra + 6},
                 {277, 3, 1, 3},              {278, 4, 1, kSide},         {279, 4, 3, extra + 18},
                 {284, 3, 1, 2}};
  Put16(b, 10, false);
  for (const Entry& e : entries) {
    Put16(b, e.tag, false);
    Put16(b, e.type, false);
    Put32(b, e.count, false);
    if (e.type == 3 && e.count == 1) {
      Put16(b, e.value, false);
      Put16(b, 0, false);
    } else {
      Put32(b, e.value, false);
    }
  }
  Put32(b, 0, false);
  for (int i = 0; i < 3; ++i) Put16(b, 8, false);
  for (int i = 0; i < 3; ++i) Put32(b, 8, false);
  for (int i = 0; i < 3; ++i) Put32(b, 900000000u, false);
  return b;
}

// A baseline JPEG of 16 x 16 written by the library, its frame header then
// made to say 30000 x 30000: its data covers one block row of sixteen.
Bytes HostileJpeg(const std::string& scratch, bool progressive) {
  WAPtr image = WAPtr::Adopt(NewWA(kWAType24, 16, 16, nullptr));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 48; ++x) image->Row(y)[x] = static_cast<std::uint8_t>(x * 5 + y * 11);
  ImExpSaveOptions options{};
  options.version = kImExpSaveOptionsVersion;
  options.size = sizeof options;
  options.jpegProgressive = progressive ? 1 : kImExpOff;
  CWriteFileWA adapter(image.get());
  if (ImExp_WriteFile(&adapter, nullptr, scratch.c_str(), nullptr, nullptr, &options, 0) == 0) return {};
  std::ifstream in(scratch, std::ios::binary);
  Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (std::size_t i = 0; i + 9 < b.size(); ++i) {
    if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
      b[i + 5] = b[i + 7] = kSide >> 8;
      b[i + 6] = b[i + 8] = kSide & 0xFF;
      return b;
    }
  }
  return {};
}

// An RLE8 bitmap of 30000 x 30000 whose data is the end of the bitmap at
// once: 1080 bytes.
Bytes HostileBmp() {
  Bytes b = {'B', 'M'};
  const std::uint32_t offset = 14 + 40 + 1024;
  Put32(b, offset + 2, false);
  Put32(b, 0, false);
  Put32(b, offset, false);
  Put32(b, 40, false);
  Put32(b, kSide, false);
  Put32(b, kSide, false);
  Put16(b, 1, false);
  Put16(b, 8, false);
  Put32(b, 1, false);  // BI_RLE8
  Put32(b, 2, false);
  for (int i = 0; i < 4; ++i) Put32(b, 0, false);
  for (int i = 0; i < 256; ++i) Put32(b, static_cast<std::uint32_t>(i * 0x010101), false);
  b.insert(b.end(), {0, 1});
  return b;
}

// A GIF of 30000 x 30000 with two bytes of image data.
Bytes HostileGif() {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  Put16(b, kSide, false);
  Put16(b, kSide, false);
  b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0});
  Put16(b, kSide, false);
  Put16(b, kSide, false);
  b.insert(b.end(), {0, 2, 2, 0x44, 0x01, 0, 0x3B});
  return b;
}

TEST(HostileFiles, RefusedAsDamagedWithoutAllocatingWhatTheHeaderClaims) {
#ifndef LUMORA_ALLOCATION_HOOKS
  GTEST_SKIP() << "allocations are measured in the address-sanitizer build";
#else
  ASSERT_TRUE(hooksInstalled);
  testing::Workspace ws("lumora-hostile-");
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {{"header.tga", HostileTga()},
               {"interlaced.png", HostilePng(true)},
               {"no-data.png", HostilePng(false)},
               {"planar.tif", HostileTiff()},
               {"baseline.jpg", HostileJpeg(ws("made.jpg"), false)},
               {"progressive.jpg", HostileJpeg(ws("made2.jpg"), true)},
               {"early-end.bmp", HostileBmp()},
               {"short.gif", HostileGif()}};
  constexpr std::int64_t kMegabyte = 1 << 20;
  for (Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.bytes.size()) + " bytes");
    ASSERT_FALSE(c.bytes.empty());
    ASSERT_LT(c.bytes.size(), 1500u);
    const std::string path = ws(c.name);
    {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<std::streamsize>(c.bytes.size()));
    }
    testing::NullDocumentHost host;
    ImageDocument doc(&host);
    imgxfer::ClearLastShownMessage();
    // A low cap: what the program holds now and 32 MB more.
    VrWA2000::ReadWA::MM_SetMemoryLimits(VrWA2000::ReadWA::MM_BytesInUse() + 32 * kMegabyte);
    meter.largest = 0;
    meter.held = 0;
    meter.peak = 0;
    meter.on = true;
    const int opened = OpenFlatDocument(doc, path);
    meter.on = false;
    VrWA2000::ReadWA::MM_SetMemoryLimits(0);
    EXPECT_EQ(opened, 0);
    const std::string& message = imgxfer::LastShownMessage();
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("damaged"), std::string::npos) << message;
    EXPECT_LT(meter.largest.load(), static_cast<std::uint64_t>(64 * kMegabyte)) << "largest block";
    EXPECT_LT(meter.peak.load(), 64 * kMegabyte) << "most held at once";
  }
#endif
}

}  // namespace
}  // namespace lumora
#endif  // _WIN32
