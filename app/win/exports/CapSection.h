// CapSection, the one class the program exports (by ordinals 1 to 5 of
// Lumo40.exe) for modules that cooperate with it: it opens a named
// file-mapping object another process made and maps it for reading and
// writing; when it goes, it gives the hand-over handle back to the owner
// window (message 2026) or closes it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>

class CapSection {
 public:
  // The descriptor: 8 hexadecimal digits of the hand-over handle, 8 of the
  // owner window, then the section's name (at most 51 characters are
  // kept). A descriptor shorter than 16 characters opens nothing.
  explicit CapSection(char* descriptor);
  ~CapSection();
  // Other modules allocate the object with the program's allocator.
  static void* operator new(std::size_t size);
  static void operator delete(void* block);
  // A copy of its own: a mapping handle, view and wide name of its own; the
  // hand-over handle stays the original's to give back.
  CapSection& operator=(const CapSection& other);
  CapSection(const CapSection&) = delete;

  void* View() const { return view_; }
  const char* Name() const { return name_; }
  BSTR WideName() const { return wideName_; }
  std::uint32_t HandOver() const { return handOver_; }
  HANDLE Mapping() const { return mapping_; }
  HWND OwnerWindow() const { return owner_; }

  // The message the owner window gets with the hand-over handle in lParam.
  static constexpr UINT kSectionClosedMessage = WM_USER + 1002;

 private:
  void Release();
  void MapWhole(DWORD access);

  void* view_ = nullptr;
  char name_[52] = {};
  BSTR wideName_ = nullptr;
  std::uint32_t handOver_ = 0;
  // In the layout's padding after the 32-bit handle: bit 0 the handle is
  // this process's own (its owner window was ours), bit 1 this object gives
  // it back (copies do not).
  std::uint32_t handOverFlags_ = 0;
  HANDLE mapping_ = nullptr;
  HWND owner_ = nullptr;
};

// Other modules allocate it: its size is part of the exported interface.
static_assert(sizeof(CapSection) == 96, "CapSection's 64-bit layout is fixed");
