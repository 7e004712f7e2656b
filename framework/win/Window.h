// A Win32 window tied to its object. The tie is made in one place (the
// first message a window created or subclassed here receives) and undone
// on WM_NCDESTROY.
#pragma once

#include <memory>
#include <string>

#include "framework/CmdTarget.h"
#include "platform/win32types.h"
// After windows.h: the common controls and dialogs.
#include <commctrl.h>
#include <commdlg.h>

namespace fw {

class Window;

// Whether a window object is still there: a message loop nested under a
// caller (a message box, a dialog) may destroy, and delete, the window the
// caller holds.
class WindowWatch {
 public:
  WindowWatch() = default;
  // True while the object exists and still has its window.
  bool Alive() const;

 private:
  friend class Window;
  std::shared_ptr<Window*> target_;
};

class Window : public CmdTarget {
  FW_DECLARE_DYNAMIC(Window)

 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() override;

  HWND Handle() const { return hwnd_; }
  static Window* FromHandle(HWND hwnd);
  WindowWatch Watch();

  bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                int height, HWND parent, HMENU menuOrId, void* param = nullptr);
  // Ties an existing window (a control, a system class) to this object.
  bool Subclass(HWND hwnd);
  bool SubclassDlgItem(std::uint32_t id, Window& parent);
  HWND Detach();
  bool DestroyWindow();

  std::string GetText() const;
  void SetText(const std::string& text);
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
  HWND Item(std::uint32_t id) const { return GetDlgItem(hwnd_, static_cast<int>(id)); }
  std::uint32_t ControlId() const { return static_cast<std::uint32_t>(GetDlgCtrlID(hwnd_)); }

  // Last word on class, styles and place before the window is made; false
  // refuses the window.
  virtual bool PreCreateWindow(CREATESTRUCTA& cs) { return true; }
  // Every message of the window arrives here; the table comes first.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Messages of the window offered before translation (accelerators, dialog keys).
  virtual bool PreTranslateMessage(MSG* msg) { return false; }
  // After the last message: windows owned by their handle delete themselves here.
  virtual void PostNcDestroy() {}
  // Enabling pass for the window's own controls (bars, dialogs).
  virtual void OnUpdateCmdUI(CmdTarget& route, bool disableIfNoHandler) {}

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Called inside a catch block of a procedure the system calls: the message
  // fails (a WM_CREATE refuses the window, a WM_PAINT counts as painted) and
  // the application tells the user. Returns the message's result.
  static LRESULT FailMessageOnException(HWND hwnd, UINT message);
  // The window being created on this thread: it gets the first message.
  static void ExpectCreation(Window* window);

  // Help id of the window for F1 and context help (0: none).
  std::uint32_t helpId = 0;

 protected:
  // WM_COMMAND and WM_NOTIFY become routed commands; others go to the table.
  virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
  virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

  void Attach(HWND hwnd);
  void OnFinalMessage();
  static Window* TakeCreating();

  HWND hwnd_ = nullptr;
  WNDPROC superProc_ = nullptr;  // the class's procedure of a subclassed window

 private:
  std::shared_ptr<Window*> self_;  // what watches hold; emptied when the object goes
};

// Sends WM_COMMAND like a menu command.
void SendCommand(HWND window, std::uint32_t id);

}  // namespace fw
