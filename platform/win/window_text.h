// Texts on their way between the program and the system, which holds them
// in UTF-16: windows, message boxes, menus, tool tips and OLE. The
// program's own texts (the string table, file and document names, scripts)
// are 8-bit in the system's code page; layer names, and texts that carry
// one, are UTF-8 (platform/text.h). Every such text crosses here, both
// ways, so a window shows and gives back every character it had.
#pragma once

#include <windows.h>

#include <string>

namespace lumora {

// A text of the program's code page (a file's name, a container's) as
// UTF-16 and back; empty when it cannot be converted.
std::wstring WidePath(const std::string& text);
std::string NarrowPath(const std::wstring& text);

// A layer's name, or a text that carries one (UTF-8), as UTF-16 and back.
std::wstring WideName(const std::string& name);
std::string NameFromWide(const std::wstring& text);

// A window's text as such a name: set and read in UTF-16, so that an edit
// or static control of an 8-bit dialog keeps every character.
void SetWindowName(HWND window, const std::string& name);
std::string WindowName(HWND window);
void SetDlgItemName(HWND dialog, int id, const std::string& name);
std::string DlgItemName(HWND dialog, int id);

// A message box whose text may carry names (UTF-8) under a caption of the
// program's own texts.
int NameMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type);

}  // namespace lumora
