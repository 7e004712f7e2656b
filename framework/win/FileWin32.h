// A memory file on a movable global memory block, the form in which the
// clipboard, drag and drop and OLE hand data over.
#pragma once

#include "framework/File.h"
#include "platform/win32types.h"

namespace fw {

class GlobalMemFile : public MemFile {
 public:
  explicit GlobalMemFile(std::uint32_t growBytes = 1024) : MemFile(growBytes) {}
  ~GlobalMemFile() override;

  // Reads (and may overwrite, but not grow) the block; the caller keeps it.
  void AttachGlobal(HGLOBAL block);
  // The block holding the file's bytes (possibly larger than the file),
  // unlocked; the caller owns it. The file is empty afterwards.
  HGLOBAL DetachGlobal();

 protected:
  std::uint8_t* Alloc(std::size_t bytes) override;
  std::uint8_t* Realloc(std::uint8_t* block, std::size_t bytes) override;
  void Free(std::uint8_t* block) override;

 private:
  void Release();

  HGLOBAL handle_ = nullptr;
};

}  // namespace fw
