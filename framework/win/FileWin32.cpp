// Global-memory files: the memory file's allocation hooks on a movable
// block that stays locked while the file uses it.
#include "framework/win/FileWin32.h"

namespace fw {

GlobalMemFile::~GlobalMemFile() { Release(); }

void GlobalMemFile::Release() {
  if (HasBuffer()) Close();  // frees a block of our own through Free
  if (handle_ != nullptr) {  // an attached block: only our lock goes
    GlobalUnlock(handle_);
    handle_ = nullptr;
  }
}

void GlobalMemFile::AttachGlobal(HGLOBAL block) {
  Release();
  auto* data = static_cast<std::uint8_t*>(GlobalLock(block));
  if (data == nullptr) throw FileException(FileException::genericException, -1, {}, "the memory block is not usable");
  handle_ = block;
  Attach(data, static_cast<std::uint32_t>(GlobalSize(block)));
}

HGLOBAL GlobalMemFile::DetachGlobal() {
  Detach();
  HGLOBAL block = handle_;
  handle_ = nullptr;
  if (block != nullptr) GlobalUnlock(block);
  return block;
}

std::uint8_t* GlobalMemFile::Alloc(std::size_t bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (block == nullptr) return nullptr;
  handle_ = block;
  return static_cast<std::uint8_t*>(GlobalLock(block));
}

std::uint8_t* GlobalMemFile::Realloc(std::uint8_t*, std::size_t bytes) {
  GlobalUnlock(handle_);
  HGLOBAL grown = GlobalReAlloc(handle_, bytes, GMEM_MOVEABLE);
  if (grown == nullptr) {
    GlobalLock(handle_);  // the old block stays as it was
    return nullptr;
  }
  handle_ = grown;
  return static_cast<std::uint8_t*>(GlobalLock(grown));
}

void GlobalMemFile::Free(std::uint8_t*) {
  GlobalUnlock(handle_);
  GlobalFree(handle_);
  handle_ = nullptr;
}

}  // namespace fw
