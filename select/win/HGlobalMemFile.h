// A memory file backed by a movable global memory block, so that a written
// selection can be handed to the clipboard and a clipboard block read.
#pragma once

#include <windows.h>

#include "platform/stream_file.h"

class HGlobalMemFile : public lumora::MemFile {
 public:
  // Writers pass a grow step of 512 and GMEM_MOVEABLE | GMEM_ZEROINIT |
  // GMEM_DDESHARE; readers 1024 and the same flags.
  HGlobalMemFile(UINT growBytes, UINT allocFlags);
  ~HGlobalMemFile() override;

 protected:
  std::uint8_t* Alloc(std::size_t bytes) override;
  std::uint8_t* Realloc(std::uint8_t* data, std::size_t bytes) override;
  void Free(std::uint8_t* data) override;

 private:
  HGLOBAL block_ = nullptr;
  UINT allocFlags_;
};
