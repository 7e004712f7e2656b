// A byte file over an OLE stream, as a drag's data is rendered into. The
// first write reserves the initial size, later ones grow the stream in
// whole steps ahead of them; Flush, Close and the destructor cut it back
// to the position. Faults of the stream throw lumora::FileException.
#pragma once

#include <objidl.h>

#include "platform/stream_file.h"

class CMyOleStreamFile : public lumora::StreamFile {
 public:
  // Both sizes are raised to whole system pages, at least one. The stream
  // stays its owner's: the file neither adds nor releases a reference.
  CMyOleStreamFile(IStream* stream, std::uint32_t initialSize, std::uint32_t growBytes);
  CMyOleStreamFile(const CMyOleStreamFile&) = delete;
  CMyOleStreamFile& operator=(const CMyOleStreamFile&) = delete;
  // Cuts as Close does; a fault is swallowed here (Close reports it).
  ~CMyOleStreamFile() override;

  std::uint32_t Read(void* buffer, std::uint32_t count) override;
  void Write(const void* buffer, std::uint32_t count) override;
  std::uint64_t SeekFromCurrent(std::int64_t offset) override;
  std::uint64_t GetPosition() const override;
  // The bytes the stream held before plus those written, without the room
  // reserved ahead.
  std::uint64_t GetLength() const override { return length_; }
  // Cuts the stream to the position when it reaches beyond, leaves the
  // position at the end and commits.
  void Flush() override;
  // Flush, then lets the stream go: every later call throws. Closing a
  // closed file does nothing.
  void Close();

 private:
  IStream* Attached() const;
  std::uint64_t Seek(std::int64_t offset, DWORD origin) const;
  void Reserve(std::uint64_t position, std::uint64_t count);
  void SetStreamSize(std::uint64_t bytes);

  IStream* stream_;
  std::uint64_t initialBytes_;
  std::uint64_t growBytes_;
  std::uint64_t reserved_ = 0;  // the stream's size
  std::uint64_t length_ = 0;
};
