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
    : stream_(stream), growBytes_(WholePages(growBytes)) {
  if (stream_ == nullptr) throw lumora::FileException(lumora::FileException::invalidFile);
  STATSTG stat = {};
  Check(stream_->Stat(&stat, STATFLAG_NONAME));
  length_ = reserved_ = stat.cbSize.QuadPart;
  const std::uint64_t initial = WholePages(initialSize);
  if (initial > reserved_) SetStreamSize(initial);
}

void CMyOleStreamFile::SetStreamSize(std::uint64_t bytes) {
  ULARGE_INTEGER size;
  size.QuadPart = bytes;
  Check(stream_->SetSize(size));
  reserved_ = bytes;
}

std::uint64_t CMyOleStreamFile::Seek(std::int64_t offset, DWORD origin) const {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  ULARGE_INTEGER position = {};
  Check(stream_->Seek(move, origin, &position));
  return position.QuadPart;
}

void CMyOleStreamFile::Reserve(std::uint64_t end) {
  if (end <= reserved_) return;
  const std::uint64_t steps = (end - reserved_ + growBytes_ - 1) / growBytes_;
  SetStreamSize(reserved_ + steps * growBytes_);
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
  const std::uint64_t end = GetPosition() + count;
  Reserve(end);
  ULONG written = 0;
  Check(stream_->Write(buffer, count, &written));
  if (written != count) ThrowStreamFault(STG_E_MEDIUMFULL);
  length_ = std::max(length_, end);
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
