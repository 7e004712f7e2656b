// A site host over plain fields: one image view (window 0x100), one document
// with a given number of layers, and a log of what was forwarded.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/Site.h"

namespace lumora::test {

class FakeSiteHost : public SiteHost {
 public:
  SiteWindow view = reinterpret_cast<SiteWindow>(0x100);
  int docObject = 0;
  SiteDoc doc = &docObject;
  int layers = 2;
  std::string settingsPath = "C:\\Prog\\LUMO40.INI";
  std::string title = "Lumora 4.0";
  int createBackup = 5;
  std::vector<std::string> log;
  std::map<std::string, std::string> profile;
  struct ErrorBox {
    std::string message, caption, detail;
    int icon;
  };
  std::vector<ErrorBox> errorBoxes;
  std::vector<std::pair<int, int>> progressSteps;
  bool cancelProgress = false;
  int progressBegins = 0, progressEnds = 0;

  void Log(const std::string& s) { log.push_back(s); }

  std::string AppTitle() override { return title; }
  void* InstanceHandle() override { return reinterpret_cast<void*>(0x400000); }
  SiteWindow MainWnd() override { return reinterpret_cast<SiteWindow>(0x10); }
  SiteWindow ActiveTopLevelWnd() override { return reinterpret_cast<SiteWindow>(0x20); }
  SiteWindow MDIClientWnd() override { return reinterpret_cast<SiteWindow>(0x30); }
  SiteWindow ActiveImageWnd() override { return view; }
  bool IsImageViewWnd(SiteWindow w) override { return w == view; }
  int CreateBackupSetting() override { return createBackup; }
  std::string SettingsPath() override { return settingsPath; }
  std::string LoadModuleString(void*, int id) override { return id == 7 ? "4711" : ""; }
  void WinHelpContext(SiteWindow owner, const std::string& file, int context) override {
    Log("help " + file + " " + std::to_string(context));
  }
  void MonitorGamma(int& r, int& g, int& b) override { r = 10, g = 11, b = 12; }
  void ResetTools(std::intptr_t v) override { Log("reset " + std::to_string(v)); }
  struct Sent {
    SiteWindow window;
    std::uint32_t message;
    std::uintptr_t wParam;
  };
  std::vector<Sent> sent;
  std::intptr_t SendToWindow(SiteWindow w, std::uint32_t m, std::uintptr_t wp, std::intptr_t) override {
    sent.push_back({w, m, wp});
    Log("send " + std::to_string(m));
    return 0;
  }

  int PromptAdd(int c, int p, int f) override { return 3; }
  void PromptSetText(int h, const char* t) override { Log("prompt " + std::to_string(h) + " " + t); }
  void PromptClearText(int, std::intptr_t) override {}
  void PromptRemove(int) override {}
  void PromptRestoreSaved() override {}

  SiteWindow CreateNewDocument(std::intptr_t, const char*, std::intptr_t, int, int) override { return view; }
  bool HasDrawContext(SiteWindow) override { return true; }
  void UpdateImageWndSize(SiteWindow, int fit) override { Log("size " + std::to_string(fit)); }
  void RefreshDrawContext(SiteWindow) override { Log("refresh dc"); }
  void RedrawImageWnd(SiteWindow) override { Log("redraw"); }
  void* DrawContext(SiteWindow) override { return this; }
  void* SelectionInfo(SiteWindow, std::intptr_t) override { return this; }
  Fragment* selection = nullptr;  // the document's, shared on request
  Fragment* GetSelection(SiteWindow) override { return selection != nullptr ? ShareFragment(selection) : nullptr; }
  void SetSelection(SiteWindow, Fragment*, bool undo) override { Log(undo ? "select undo" : "select"); }
  void FreeSelection(SiteWindow, bool undo) override { Log(undo ? "free undo" : "free"); }
  void NotifyViews(SiteWindow, int code) override { Log("notify " + std::to_string(code)); }
  void PostPaint(SiteWindow, std::intptr_t v) override { Log("paint " + std::to_string(v)); }
  SiteWindow FindNextImageWnd(Image*, SiteWindow, int) override { return nullptr; }
  int CopyActiveImage() override { return 120; }
  bool ActiveLayerSize(SiteWindow, SIZE& s) override {
    s = SIZE{640, 480};
    return layers > 0;
  }
  bool AlignSelectionToLayer() override { return false; }
  Fragment* CopyFragmentArea(SiteWindow, Fragment*) override { return nullptr; }
  void SnapRect(SiteWindow, RECT&, POINT& p) override { p.x += 1; }
  void SnapWindowRect(SiteWindow, RECT&, POINT& p) override { p.y += 1; }

  SiteDoc DocOfWnd(SiteWindow) override { return doc; }
  std::map<int, Image*> docImages;  // by kind, not owned
  Image* DocImage(SiteDoc, int kind) override {
    auto it = docImages.find(kind);
    return it != docImages.end() ? it->second : nullptr;
  }
  Image* StoredImagePair(SiteDoc, Image**) override { return nullptr; }
  int SetDocImage(SiteDoc, Image*, int kind) override {
    Log("set image " + std::to_string(kind));
    return 1;
  }
  int SetStoredImagePair(SiteDoc, Image*, Image*) override { return 1; }
  int BackupImageByName(SiteDoc, const char* name) override {
    Log(std::string("backup ") + name);
    return 1;
  }
  void UndoRedo(SiteDoc, int redo) override { Log(redo ? "redo" : "undo"); }
  int InvalidateImageRect(SiteDoc, const RECT*, std::intptr_t, std::intptr_t) override { return 1; }
  std::string DocPathName(SiteDoc) override { return "C:\\img\\a.png"; }
  std::intptr_t CopyHostDataBlock(SiteDoc) override { return 0; }
  void SetModifiedFlag(SiteDoc, int) override {}
  int IsFlat(SiteDoc) override { return layers == 1; }
  int ConvertToTrueColor(SiteDoc, std::intptr_t) override { return 1; }
  int ConvertToGray(SiteDoc, std::intptr_t) override { return 1; }
  int LayerCount(SiteDoc) override { return layers; }
  SIZE ImageSize(SiteDoc) override { return SIZE{640, 480}; }
  int SetImageSize(SiteDoc, int, int, int) override { return 1; }
  SiteWindow NewDocumentFromImage(Image*) override { return view; }
  int CloseDocument(SiteDoc) override { return 1; }
  int ActiveLayerIndex(SiteDoc) override { return layers - 1; }
  int CanPaintLayer(SiteDoc, int) override { return 1; }
  int ResizeLayer(SiteDoc, int, const RECT&) override { return 1; }
  RECT LayerRect(SiteDoc, int i) override { return RECT{i, 0, 100, 50}; }
  POINT LayerOrigin(SiteDoc, int) override { return POINT{-3, 7}; }
  Image* LayerImage(SiteDoc, int) override { return nullptr; }
  Image* LayerMask(SiteDoc, int) override { return nullptr; }
  void MoveLayer(SiteDoc, int i, int x, int y) override { Log("move " + std::to_string(i)); }
  bool SetLayerImage(SiteDoc, int, Image*) override { return true; }
  bool SetLayerMask(SiteDoc, int, Image*) override { return true; }
  void RefreshDocument(SiteDoc) override { Log("refresh doc"); }
  int InsertNewLayer(SiteDoc, const RECT&, int, int) override { return layers++; }
  std::uint32_t LayerFlags(SiteDoc, int i) override { return 0x400000u | static_cast<std::uint32_t>(i); }
  void* DocPatternDib(SiteDoc) override { return nullptr; }
  SiteWindow CropImage(SiteDoc, const RECT&) override { return view; }

  int ShowErrorDialog(const char* m, const char* c, const char* d, int icon) override {
    errorBoxes.push_back({m ? m : "", c ? c : "", d ? d : "", icon});
    return 1;
  }

  std::uint32_t AppValueA() override { return 0; }
  std::uint16_t AppValueB() override { return 0; }
  std::uint32_t AppValueC() override { return 0; }

  void ProgressBegin(const char* caption) override {
    ++progressBegins;
    Log(std::string("progress ") + caption);
  }
  bool ProgressCancelled(int position, int total) override {
    progressSteps.emplace_back(position, total);
    return cancelProgress;
  }
  void ProgressEnd() override { ++progressEnds; }
  int GetProfileInt(const char* s, const char* k, int def) override {
    auto it = profile.find(std::string(s) + "/" + k);
    return it == profile.end() ? def : std::stoi(it->second);
  }
  std::string GetProfileString(const char* s, const char* k, const char* def) override {
    auto it = profile.find(std::string(s) + "/" + k);
    return it == profile.end() ? def : it->second;
  }
  int WriteProfileInt(const char* s, const char* k, int v) override {
    profile[std::string(s) + "/" + k] = std::to_string(v);
    return 1;
  }
  int WriteProfileString(const char* s, const char* k, const char* t) override {
    profile[std::string(s) + "/" + k] = t;
    return 1;
  }
  int GetTabletPressure(int*, int*) override { return 0; }
  void FlushTabletQueue() override {}
  COLORREF BackColor() override { return 0xFFFFFF; }
  COLORREF ForeColor() override { return 0x000000; }
  void SetBackColor(COLORREF) override {}
  void SetForeColor(COLORREF) override {}
  void NotifyImageChanged() override { Log("image changed"); }
};

}  // namespace lumora::test
