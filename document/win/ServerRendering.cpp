// Metafile picture, display bitmap and palette, selection block, origin
// marker, object descriptor and link source of a served image.
#include "document/win/ServerRendering.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "document/Clipboard.h"

namespace lumora {

HGLOBAL GlobalCopy(const void* bytes, std::size_t size, UINT flags) {
  HGLOBAL block = GlobalAlloc(flags, size);
  if (block == nullptr) return nullptr;
  void* p = GlobalLock(block);
  if (p == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(p, bytes, size);
  GlobalUnlock(block);
  return block;
}

HBITMAP DisplayBitmapOfDib(const BITMAPINFOHEADER* dib, HPALETTE* palette) {
  if (dib == nullptr || dib->biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  const auto* info = reinterpret_cast<const BITMAPINFO*>(dib);
  const std::uint32_t colours =
      dib->biBitCount <= 8 ? (dib->biClrUsed != 0 ? dib->biClrUsed : 1u << dib->biBitCount) : 0;
  const auto* bits = reinterpret_cast<const BYTE*>(dib) + dib->biSize + 4 * colours;
  const int height = std::abs(dib->biHeight);
  HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (screen == nullptr) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(screen, dib->biWidth, height);
  if (bitmap != nullptr &&
      SetDIBits(screen, bitmap, 0, static_cast<UINT>(height), bits, info, DIB_RGB_COLORS) == 0) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  if (bitmap != nullptr && palette != nullptr) {
    if (colours > 0) {
      std::vector<std::uint8_t> store(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * colours);
      auto* log = reinterpret_cast<LOGPALETTE*>(store.data());
      log->palVersion = 0x300;
      log->palNumEntries = static_cast<WORD>(colours);
      for (std::uint32_t i = 0; i < colours; ++i) {
        const RGBQUAD q = info->bmiColors[i];
        log->palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
      }
      *palette = CreatePalette(log);
    } else {
      *palette = CreateHalftonePalette(screen);
    }
  }
  DeleteDC(screen);
  return bitmap;
}

HGLOBAL MaskBlockOf(int width, int height, const Fragment* fragment) {
  const std::vector<std::uint8_t> block = WriteMaskBlock(width, height, fragment);
  if (block.empty()) return nullptr;
  return GlobalCopy(block.data(), block.size(), GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT);
}

HGLOBAL OriginMarkerBlock() { return GlobalCopy(kOriginMarker, sizeof kOriginMarker, GMEM_MOVEABLE | GMEM_DDESHARE); }

HGLOBAL MetafilePictureOfDib(const BITMAPINFOHEADER* dib, SIZEL himetric) {
  if (dib == nullptr || dib->biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
  const int width = dib->biWidth, height = std::abs(dib->biHeight);
  const int colours =
      dib->biBitCount <= 8 ? (dib->biClrUsed != 0 ? static_cast<int>(dib->biClrUsed) : 1 << dib->biBitCount) : 0;
  const auto* bits = reinterpret_cast<const BYTE*>(dib) + dib->biSize + colours * sizeof(RGBQUAD);
  // The picture in image pixels; the container scales it to the extent.
  HDC dc = CreateMetaFileW(nullptr);
  if (dc == nullptr) return nullptr;
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, width, height, nullptr);
  StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bits, reinterpret_cast<const BITMAPINFO*>(dib),
                DIB_RGB_COLORS, SRCCOPY);
  HMETAFILE metafile = CloseMetaFile(dc);
  if (metafile == nullptr) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, sizeof(METAFILEPICT));
  auto* picture = block != nullptr ? static_cast<METAFILEPICT*>(GlobalLock(block)) : nullptr;
  if (picture == nullptr) {
    if (block != nullptr) GlobalFree(block);
    DeleteMetaFile(metafile);
    return nullptr;
  }
  picture->mm = MM_ANISOTROPIC;
  picture->xExt = himetric.cx;
  picture->yExt = himetric.cy;
  picture->hMF = metafile;
  GlobalUnlock(block);
  return block;
}

HGLOBAL ObjectDescriptorBlock(const CLSID& clsid, SIZEL himetric, DWORD status, const std::wstring& typeName,
                              const std::wstring& source) {
  const std::size_t typeBytes = (typeName.size() + 1) * sizeof(wchar_t);
  const std::size_t sourceBytes = (source.size() + 1) * sizeof(wchar_t);
  const std::size_t size = sizeof(OBJECTDESCRIPTOR) + typeBytes + sourceBytes;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
  auto* d = block != nullptr ? static_cast<OBJECTDESCRIPTOR*>(GlobalLock(block)) : nullptr;
  if (d == nullptr) {
    if (block != nullptr) GlobalFree(block);
    return nullptr;
  }
  d->cbSize = static_cast<ULONG>(size);
  d->clsid = clsid;
  d->dwDrawAspect = DVASPECT_CONTENT;
  d->sizel = himetric;
  d->pointl = POINTL{0, 0};
  d->dwStatus = status;
  d->dwFullUserTypeName = sizeof(OBJECTDESCRIPTOR);
  d->dwSrcOfCopy = static_cast<DWORD>(sizeof(OBJECTDESCRIPTOR) + typeBytes);
  auto* bytes = reinterpret_cast<BYTE*>(d);
  std::memcpy(bytes + d->dwFullUserTypeName, typeName.c_str(), typeBytes);
  std::memcpy(bytes + d->dwSrcOfCopy, source.c_str(), sourceBytes);
  GlobalUnlock(block);
  return block;
}

IStream* LinkSourceStream(const std::wstring& path, const CLSID& clsid) {
  if (path.empty()) return nullptr;
  IMoniker* moniker = nullptr;
  if (FAILED(CreateFileMoniker(path.c_str(), &moniker))) return nullptr;
  IStream* stream = nullptr;
  HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  if (SUCCEEDED(hr)) hr = OleSaveToStream(moniker, stream);
  if (SUCCEEDED(hr)) hr = WriteClassStm(stream, clsid);
  moniker->Release();
  if (SUCCEEDED(hr)) {
    const LARGE_INTEGER start{};
    hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
  }
  if (FAILED(hr)) {
    if (stream != nullptr) stream->Release();
    return nullptr;
  }
  return stream;
}

}  // namespace lumora
