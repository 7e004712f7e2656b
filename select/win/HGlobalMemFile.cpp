// Global-memory allocation for the memory file: the block stays locked
// while the file uses it and keeps its handle for the clipboard.
#include "select/win/HGlobalMemFile.h"

HGlobalMemFile::HGlobalMemFile(UINT growBytes, UINT allocFlags)
    : lumora::MemFile(growBytes), allocFlags_(allocFlags) {}

HGlobalMemFile::~HGlobalMemFile() {
  // Here Free is still this class's: the base destructor would call its own.
  if (HasBuffer()) Close();
}

std::uint8_t* HGlobalMemFile::Alloc(std::size_t bytes) {
  HGLOBAL block = GlobalAlloc(allocFlags_, bytes);
  if (block == nullptr) return nullptr;
  block_ = block;
  return static_cast<std::uint8_t*>(GlobalLock(block));
}

std::uint8_t* HGlobalMemFile::Realloc(std::uint8_t*, std::size_t bytes) {
  if (block_ == nullptr) return nullptr;
  GlobalUnlock(block_);
  HGLOBAL block = GlobalReAlloc(block_, bytes, allocFlags_);
  if (block == nullptr) {
    GlobalLock(block_);  // the old block stays in use
    return nullptr;
  }
  block_ = block;
  return static_cast<std::uint8_t*>(GlobalLock(block));
}

void HGlobalMemFile::Free(std::uint8_t* data) {
  if (data != nullptr) GlobalUnlock(GlobalHandle(data));
  if (block_ != nullptr) GlobalFree(block_);
  block_ = nullptr;
}
