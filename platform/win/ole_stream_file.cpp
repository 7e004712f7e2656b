// Byte files over OLE streams.
#include "platform/win/ole_stream_file.h"

#include <algorithm>

namespace {

std::uint64_t WholePages(std::uint64_t bytes) {
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  const std::uint64_t page = info.dwPageSize != 0 ? info.dwPageSize : 4096;
  return std::max<std::uint64_t>(1, (bytes + page - 1) / page) * page;
}

[[noreturn]] void ThrowStreamFault(HRESULT result) {
  using lumora::FileException;
  FileException::Cause cause = FileException::genericException;
  if (result == STG_E_MEDIUMFULL || result == E_OUTOFMEMORY) cause = FileException::diskFull;
  if (result == STG_E_ACCESSDENIED || result == STG_E_WRITEFAULT) cause = FileException::accessDenied;
  throw FileException(cause, static_cast<long>(result), {}, "the stream refused the operation");
}

void Check(HRESULT result) {
  if (FAILED(result)) ThrowStreamFault(result);
}

}  // namespace

CMyOleStreamFile::CMyOleStreamFile(IStream* stream, std::uint32_t initialSize, std::uint32_t growBytes)
    : stream_(stream), initialBytes_(WholePages(initialSize)), growBytes_(WholePages(growBytes)) {
  if (stream_ == nullptr) throw lumora::FileException(lumora::FileException::invalidFile);
  STATSTG stat = {};
  Check(stream_->Stat(&stat, STATFLAG_NONAME));
  length_ = reserved_ = stat.cbSize.QuadPart;
}

CMyOleStreamFile::~CMyOleStreamFile() {
  try {
    Close();
  } catch (const lumora::FileException&) {
    // A destructor has no one to tell; the stream stays as the fault left it.
  }
}

IStream* CMyOleStreamFile::Attached() const {
  if (stream_ == nullptr) throw lumora::FileException(lumora::FileException::invalidFile);
  return stream_;
}

void CMyOleStreamFile::SetStreamSize(std::uint64_t bytes) {
  ULARGE_INTEGER size;
  size.QuadPart = bytes;
  Check(Attached()->SetSize(size));
  reserved_ = bytes;
}

std::uint64_t CMyOleStreamFile::Seek(std::int64_t offset, DWORD origin) const {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  ULARGE_INTEGER position = {};
  Check(Attached()->Seek(move, origin, &position));
  return position.QuadPart;
}

// Room for `count` bytes at `position`: the initial size while the stream
// is empty or the write ends within it, else the initial size and as many
// whole steps as reach the write's end.
void CMyOleStreamFile::Reserve(std::uint64_t position, std::uint64_t count) {
  const std::uint64_t end = position + count;
  std::uint64_t wanted = initialBytes_;
  if (reserved_ != 0 && end > initialBytes_) {
    wanted += (end - initialBytes_ + growBytes_ - 1) / growBytes_ * growBytes_;
  }
  if (wanted <= reserved_) return;
  SetStreamSize(wanted);
  Seek(static_cast<std::int64_t>(position), STREAM_SEEK_SET);
}

std::uint32_t CMyOleStreamFile::Read(void* buffer, std::uint32_t count) {
  // Reserved room past the written bytes is not part of the file.
  const std::uint64_t position = GetPosition();
  const auto available = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, length_ - std::min(length_, position)));
  ULONG read = 0;
  if (available > 0) Check(stream_->Read(buffer, available, &read));
  return read;
}

void CMyOleStreamFile::Write(const void* buffer, std::uint32_t count) {
  const std::uint64_t position = GetPosition();
  Reserve(position, count);
  ULONG written = 0;
  Check(stream_->Write(buffer, count, &written));
  if (written != count) ThrowStreamFault(STG_E_MEDIUMFULL);
  const std::uint64_t end = position + count;
  length_ = std::max(length_, end);
  reserved_ = std::max(reserved_, end);
}

std::uint64_t CMyOleStreamFile::SeekFromCurrent(std::int64_t offset) { return Seek(offset, STREAM_SEEK_CUR); }

std::uint64_t CMyOleStreamFile::GetPosition() const { return Seek(0, STREAM_SEEK_CUR); }

void CMyOleStreamFile::Flush() {
  const std::uint64_t position = GetPosition();
  if (position < reserved_) {
    SetStreamSize(position);
    length_ = position;
    Seek(0, STREAM_SEEK_END);
  }
  Check(stream_->Commit(STGC_DEFAULT));
}

void CMyOleStreamFile::Close() {
  if (stream_ == nullptr) return;
  // The stream is let go even when the cut fails.
  struct Detach {
    IStream*& stream;
    ~Detach() { stream = nullptr; }
  } detach{stream_};
  Flush();
}
