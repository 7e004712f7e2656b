// The exported shared-memory section class.
#include "app/win/exports/CapSection.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CapDescriptor.h"
#include "platform/win/window_text.h"

namespace {

constexpr std::uint32_t kOwnsHandOver = 1, kGivesBack = 2;
constexpr DWORD kAccess = FILE_MAP_READ | FILE_MAP_WRITE;

BSTR WideOf(const char* text) { return SysAllocString(lumora::WidePath(text).c_str()); }

}  // namespace

CapSection::CapSection(char* descriptor) {
  const lumora::CapDescriptor d = lumora::ParseCapDescriptor(descriptor);
  if (!d.valid) return;
  handOver_ = d.handOver;
  owner_ = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(d.ownerWindow));
  std::memcpy(name_, d.name.c_str(), d.name.size() + 1);
  wideName_ = WideOf(name_);
  DWORD ownerProcess = 0;
  if (owner_ != nullptr) GetWindowThreadProcessId(owner_, &ownerProcess);
  handOverFlags_ = kGivesBack | (ownerProcess == GetCurrentProcessId() ? kOwnsHandOver : 0);
  mapping_ = OpenFileMappingA(kAccess, FALSE, name_);
  MapWhole(kAccess);
}

void CapSection::MapWhole(DWORD access) {
  if (mapping_ != nullptr) view_ = MapViewOfFile(mapping_, access, 0, 0, 0);
}

void CapSection::Release() {
  if (wideName_ != nullptr) SysFreeString(wideName_);
  wideName_ = nullptr;
  if (view_ != nullptr) UnmapViewOfFile(view_);
  view_ = nullptr;
  if (mapping_ != nullptr) CloseHandle(mapping_);
  mapping_ = nullptr;
}

CapSection::~CapSection() {
  Release();
  if ((handOverFlags_ & kGivesBack) == 0) return;
  const HANDLE handOver = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(handOver_));
  if (owner_ != nullptr && GetWindowThreadProcessId(owner_, nullptr) != 0) {
    SendMessageA(owner_, kSectionClosedMessage, 0, static_cast<LPARAM>(handOver_));
  } else if ((handOverFlags_ & kOwnsHandOver) != 0 && handOver != nullptr) {
    // Another process's handle number means nothing here: only our own is
    // closed.
    CloseHandle(handOver);
  }
}

void* CapSection::operator new(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void CapSection::operator delete(void* block) {
  if (block != nullptr) std::free(block);
}

CapSection& CapSection::operator=(const CapSection& other) {
  if (this == &other) return *this;
  Release();
  std::memcpy(name_, other.name_, sizeof name_);
  wideName_ = other.wideName_ != nullptr ? SysAllocString(other.wideName_) : nullptr;
  handOver_ = other.handOver_;
  handOverFlags_ = 0;  // the original gives it back
  owner_ = other.owner_;
  if (other.mapping_ != nullptr &&
      !DuplicateHandle(GetCurrentProcess(), other.mapping_, GetCurrentProcess(), &mapping_, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    mapping_ = nullptr;
  }
  if (other.view_ != nullptr) MapWhole(kAccess);
  return *this;
}
