// The error box under real Win32: texts, the detail switch, the detail's
// colour, placement and owner, read from a timer while the box runs.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/ErrorBox.h"
#include "hostapi/toolhost.h"
#include "res/StringTable.h"
#include "res/toolhost_ids.h"

namespace lumora {
namespace {

struct Seen {
  bool found = false;
  std::string title, message, detail;
  RECT rect{};
  HWND owner = nullptr;
  COLORREF detailColour = 0;
  int darkRedPixels = 0;
  bool iconSet = false;
};
Seen gSeen;

int CountPixels(HWND window, COLORREF colour) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT r;
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  int count = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) count += GetPixel(dc, x, y) == colour ? 1 : 0;
  }
  ReleaseDC(window, dc);
  return count;
}

std::string ItemText(HWND box, int id) {
  char text[512] = {};
  GetDlgItemTextA(box, id, text, sizeof text);
  return text;
}

void CALLBACK ReadBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowA(kErrorBoxClass, nullptr);
  if (box == nullptr || !IsWindowVisible(box)) return;
  KillTimer(nullptr, timer);
  gSeen.found = true;
  char title[128] = {};
  GetWindowTextA(box, title, sizeof title);
  gSeen.title = title;
  gSeen.message = ItemText(box, IDC_ERRORDLG_MESSAGE);
  gSeen.detail = ItemText(box, IDC_ERRORDLG_DETAIL);
  GetWindowRect(box, &gSeen.rect);
  gSeen.owner = GetWindow(box, GW_OWNER);
  gSeen.iconSet = SendDlgItemMessageA(box, IDC_ERRORDLG_ICON, STM_GETICON, 0, 0) != 0;
  HWND detail = GetDlgItem(box, IDC_ERRORDLG_DETAIL);
  HDC dc = GetDC(box);
  SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(detail));
  gSeen.detailColour = GetTextColor(dc);
  ReleaseDC(box, dc);
  gSeen.darkRedPixels = CountPixels(detail, kErrorDetailColour);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

class ErrorBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "ErrorBoxTestOwner";
    RegisterClassA(&wc);
    gSeen = Seen{};
  }
  void TearDown() override {
    if (owner != nullptr) DestroyWindow(owner);
  }
  HWND MakeOwner(int x, int y) {
    owner = CreateWindowA("ErrorBoxTestOwner", "Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, 400, 300, nullptr,
                          nullptr, instance, nullptr);
    return owner;
  }
  void Run(const char* detail, bool showDetail) {
    SetTimer(nullptr, 0, 50, ReadBox);
    EXPECT_EQ(ShowErrorDialog(instance, owner, "The file cannot be read.", "Lumora 4.0 Error", detail, MB_ICONSTOP,
                              showDetail),
              1);
    ASSERT_TRUE(gSeen.found);
  }
  HINSTANCE instance = nullptr;
  HWND owner = nullptr;
};

TEST_F(ErrorBoxTest, ShowsTextsAndDarkRedDetailCentredOverItsOwner) {
  MakeOwner(100, 120);
  Run("Lumo40Doc, 2172", true);
  EXPECT_EQ(gSeen.title, "Lumora 4.0 Error");
  EXPECT_EQ(gSeen.message, "The file cannot be read.");
  EXPECT_EQ(gSeen.detail, "Lumo40Doc, 2172");
  EXPECT_EQ(gSeen.owner, owner);
  EXPECT_TRUE(gSeen.iconSet);
  EXPECT_EQ(gSeen.detailColour, RGB(127, 0, 0));
  EXPECT_GT(gSeen.darkRedPixels, 10) << "the detail is drawn in dark red";
  RECT o;
  GetWindowRect(owner, &o);
  EXPECT_NEAR((gSeen.rect.left + gSeen.rect.right) / 2, (o.left + o.right) / 2, 1);
  EXPECT_NEAR((gSeen.rect.top + gSeen.rect.bottom) / 2, (o.top + o.bottom) / 2, 1);
  EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";
}

TEST_F(ErrorBoxTest, DetailOnlyWithTheSwitch) {
  MakeOwner(100, 120);
  Run("Lumo40Doc, 2172", false);
  EXPECT_EQ(gSeen.message, "The file cannot be read.");
  EXPECT_EQ(gSeen.detail, "");
  EXPECT_EQ(gSeen.darkRedPixels, 0);
}

TEST_F(ErrorBoxTest, PulledInsideTheScreenNearItsRightEdge) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  MakeOwner(screenWidth - 120, 100);
  Run("", true);
  EXPECT_EQ(gSeen.rect.right, screenWidth);
  EXPECT_GE(gSeen.rect.left, 0);
}

TEST(ErrorBoxStrings, ResourceTextsMatchTheGeneratedTable) {
  char text[256];
  for (int id : {kTextErrorCaption, kTextErrorBase + 16, kTextErrorBase + 27, kTextErrorBase + 114,
                 kTextErrorBase + 256}) {
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text), 0) << id;
    EXPECT_EQ(std::string_view(text), res::String(static_cast<std::uint32_t>(id)));
  }
  // Every compiled-in tool has its prompt and tip (base + 3, + 4).
  for (int tool = LUGetRegToolItem(nullptr, 0); tool != 0; tool = LUGetRegToolItem(nullptr, tool)) {
    LU_REGTOOLINFO info{};
    ASSERT_TRUE(LUGetRegToolInfo(nullptr, tool, 1, &info));
    for (int offset : {3, 4}) {
      const int id = info.baseStringId + offset;
      ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text), 0) << tool;
      EXPECT_EQ(std::string_view(text), res::String(static_cast<std::uint32_t>(id))) << tool;
    }
  }
}

}  // namespace
}  // namespace lumora
