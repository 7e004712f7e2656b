// What the image tools' window tests share: the program started in the
// test's process with a folder of files ag-psd makes for the test
// (area_files.js) and ImageMagick on request, real mouse and key input, the
// error boxes read and closed, the selection and ag-psd's reading of a
// saved file.
#pragma once

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ErrorBox.h"
#include "app/win/Lumo40App.h"
#include "app/win/MainFrame.h"
#include "dialogs/win/TextDlg.h"
#include "document/win/Lumo40Doc.h"
#include "engine/layers/LayerMng.h"
#include "framework/win/DocView.h"
#include "hostapi/fragment.h"
#include "res/toolhost_ids.h"
#include "tests/app/program/win/program_rig.h"
#include "tests/support/unique_temp_folder.h"
#include "tests/support/win/host_command.h"
#include "view/win/Lumo40View.h"

namespace lumora::testing {

inline void Send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

inline INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

inline INPUT Mouse(DWORD flags, POINT screen = {0, 0}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  return in;
}

// What ag-psd reads of a file: the lines of its dump and each layer's
// RGBA pixels, rows from the top.
struct PsdRead {
  std::vector<std::string> lines;
  std::vector<std::string> layers;
};

class ImageToolsRig : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeUniqueTempFolder("lumora-areas-");
    ASSERT_EQ(RunHostShell(folder_.string(), "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AREA_FILES
                                                              "' '" + UnixPath(folder_.string()) + "'"),
              0);
    ini_ = SettingsFileOfThisProgram();
    DeleteFileA(ini_.c_str());
    ASSERT_TRUE(app_.InitInstance());
    frame_ = app_.MainFrame()->Handle();
    SetForegroundWindow(frame_);
    started_ = true;
    // Every error box is read and closed, so that a failure cannot hold the
    // test in its modal loop.
    Errors().clear();
    errorTimer_ = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
      HWND box = FindWindowA(kErrorBoxClass, nullptr);
      if (box == nullptr || !IsWindowVisible(box) || GetPropA(box, "seen") != nullptr) return;
      SetPropA(box, "seen", box);
      char text[512] = {};
      GetDlgItemTextA(box, IDC_ERRORDLG_MESSAGE, text, sizeof text);
      Errors().push_back(text);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
  }
  void TearDown() override {
    KillTimer(nullptr, errorTimer_);
    if (started_) {
      if (CTextDlg* dialog = OpenTextDialog()) SendMessageA(dialog->Handle(), WM_COMMAND, IDCANCEL, 0);
      for (fw::Document* d : app_.Docs().AllDocuments()) {
        d->SetModifiedFlag(false);
        if (auto* image = dynamic_cast<CLumo40Doc*>(d)) image->Image().SetModifiedFlag(false);
      }
      CloseProgram(app_);
    }
    DeleteFileA(ini_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // Opens a file of the test's folder in its own window.
  void Open(const std::string& name) {
    doc_ = dynamic_cast<CLumo40Doc*>(app_.OpenDocumentFile((folder_ / name).string()));
    ASSERT_NE(doc_, nullptr) << name;
    Settle(app_, doc_);
    view_ = ActiveImageView(app_);
    ASSERT_NE(view_, nullptr);
  }
  // Makes a 24-bit PNG with ImageMagick in the test's folder and opens it.
  void OpenMade(const std::string& name, const std::string& convertArguments) {
    ASSERT_EQ(RunHostShell(folder_.string(), "convert " + convertArguments + " 'PNG24:" +
                                                                  UnixPath((folder_ / name).string()) + "'"),
              0);
    Open(name);
  }

  void Command(UINT id) {
    SendMessageA(frame_, WM_COMMAND, id, 0);
    Settle(app_);
  }
  // The area tool of a name, chosen as the selection bar's button does.
  void ChooseTool(const char* name) {
    for (const RegisteredAreaTool& t : app_.areaTools.Tools()) {
      if (t.name == name) return Command(t.command);
    }
    FAIL() << name << " is not registered";
  }
  // The client point over image pixel (x, y), rows counted from the top.
  POINT At(int x, int fromTop) const {
    POINT p{x, doc_->Image().GetLayers()->GetHeight() - 1 - fromTop};
    view_->Mapping().RevXForm(&p, kXFPixels);
    return p;
  }
  void Click(POINT client) {
    POINT screen = client;
    ClientToScreen(view_->Handle(), &screen);
    Send({Mouse(MOUSEEVENTF_MOVE, screen)});
    Settle(app_);
    Send({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Settle(app_);
  }
  void Keys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD k : keys) inputs.push_back(Key(k, false));
    for (auto k = std::rbegin(keys); k != std::rend(keys); ++k) inputs.push_back(Key(*k, true));
    Send(inputs);
    Settle(app_);
  }
  void Type(const std::string& text) {
    for (char c : text) {
      const SHORT scan = VkKeyScanA(c);
      if ((scan & 0x100) != 0) {
        Keys({VK_SHIFT, static_cast<WORD>(scan & 0xFF)});
      } else {
        Keys({static_cast<WORD>(scan & 0xFF)});
      }
    }
  }

  // Whether each image pixel is selected, rows from the top.
  std::vector<bool> SelectedPixels() const {
    Fragment* selection = doc_->Image().GetSelection();
    const int w = doc_->Image().GetLayers()->GetWidth(), h = doc_->Image().GetLayers()->GetHeight();
    std::vector<bool> out(static_cast<std::size_t>(w) * h, false);
    if (selection == nullptr) return out;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const POINT p{x, h - 1 - y};
        out[static_cast<std::size_t>(y) * w + x] = (PointInFragment(selection, &p) & 1) != 0;
      }
    }
    return out;
  }
  int Steps() { return doc_->Image().History().UndoCount(); }

  // The messages of the error boxes shown so far.
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> errors;
    return errors;
  }

  PsdRead ReadWithAgPsd(const std::string& path) {
    PsdRead read;
    const std::string prefix = (folder_ / "dump").string();
    EXPECT_EQ(RunHostShell(folder_.string(), "NODE_PATH='" LUMORA_NODE_MODULES "' node '" LUMORA_AGPSD_TOOL
                                             "' dump '" + UnixPath(path) + "' '" + UnixPath(prefix) + "'"),
              0);
    std::ifstream text(prefix + ".txt");
    for (std::string line; std::getline(text, line);) {
      read.lines.push_back(line);
      if (line.rfind("layer ", 0) != 0) continue;
      std::ifstream pixels(prefix + "." + std::to_string(read.layers.size()) + ".rgba", std::ios::binary);
      read.layers.emplace_back(std::istreambuf_iterator<char>(pixels), std::istreambuf_iterator<char>());
    }
    return read;
  }

  std::filesystem::path folder_;
  std::string ini_;
  bool started_ = false;
  CLumo40App app_;
  CLumo40Doc* doc_ = nullptr;
  CLumo40View* view_ = nullptr;
  HWND frame_ = nullptr;
  UINT_PTR errorTimer_ = 0;
};

}  // namespace lumora::testing
