// Workspace files: what the writer puts in the file, what the reader takes
// back (defaults, clamps, required keys, gaps), selection names and the
// save that never leaves a half-written workspace.
#include "app/Workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/support/unique_temp_folder.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = testing::MakeUniqueTempFolder("lumora-workspace-"); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(Path(name), std::ios::binary) << text; }
  std::string Read(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::unique_ptr<fw::Profile> Open(const std::string& path) { return std::make_unique<fw::IniFile>(path); }
  fs::path folder_;
};

VIEWINFO SampleView(bool active) {
  VIEWINFO v;
  v.activate = active;
  v.show = 3;
  v.minX = -1, v.minY = -2, v.maxX = 5, v.maxY = 6;
  v.left = 10, v.top = 20, v.right = 410, v.bottom = 320;
  v.scale = WorkspaceScaleOfZoom(0.5);
  v.scrollX = 7, v.scrollY = 9;
  v.rulers = true;
  v.rulerUnits = 1;
  v.grid = true;
  v.snapToGrid = false;
  v.guides = true;
  v.snapToGuides = false;
  return v;
}

TEST_F(WorkspaceTest, WrittenImagesAndToolsReadBackAsTheyWere) {
  WorkspaceContent content;
  content.tools = {{"median_filt", true, true, 30, 40}, {"vr_rsmooth", false, false, 0, 0}};
  WorkspaceImage image{"C:\\img\\one.psd", 2, "select3", 2, {SampleView(false), SampleView(true)}};
  image.views[0].show = 2;
  content.images = {image, WorkspaceImage{"C:\\img\\two.lud", 0, "", 1, {VIEWINFO{}}}};
  ASSERT_TRUE(SaveWorkspaceFile(Path("w.luw"), content, Open));
  const std::string text = Read("w.luw");
  EXPECT_NE(text.find("scale=200%"), std::string::npos) << "a 1:2 zoom is written as 200 per cent";
  EXPECT_NE(text.find("show=maximised"), std::string::npos);
  EXPECT_NE(text.find("ruler_unit=inch"), std::string::npos);
  EXPECT_NE(text.find("scroll_pos=7,9"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("w.luw.tmp")));

  fw::IniFile file(Path("w.luw"));
  EXPECT_EQ(ReadWorkspaceImagePaths(file), (std::vector<std::string>{"C:\\img\\one.psd", "C:\\img\\two.lud"}));
  const std::vector<WorkspaceTool> tools = ReadWorkspaceTools(file);
  ASSERT_EQ(tools.size(), 2u);
  EXPECT_EQ(tools[0].idName, "median_filt");
  EXPECT_TRUE(tools[0].minimized);
  EXPECT_TRUE(tools[0].hasPosition);
  EXPECT_EQ(tools[0].x, 30);
  EXPECT_FALSE(tools[1].minimized);
  EXPECT_FALSE(tools[1].hasPosition);

  WorkspaceImage back;
  ASSERT_TRUE(ReadWorkspaceImage(file, 1, &back));
  EXPECT_EQ(back.activeLayer, 2);
  EXPECT_EQ(back.selection, "select3");
  ASSERT_EQ(back.views.size(), 2u);
  const VIEWINFO& v = back.views[1];
  const VIEWINFO w = SampleView(true);
  EXPECT_EQ(back.views[0].show, 2);
  EXPECT_FALSE(back.views[0].activate);
  EXPECT_TRUE(v.activate);
  EXPECT_EQ(v.show, 3);
  EXPECT_EQ(std::make_tuple(v.minX, v.minY, v.maxX, v.maxY), std::make_tuple(w.minX, w.minY, w.maxX, w.maxY));
  EXPECT_EQ(std::make_tuple(v.left, v.top, v.right, v.bottom), std::make_tuple(w.left, w.top, w.right, w.bottom));
  EXPECT_EQ(v.scale, 200);
  EXPECT_EQ(std::make_tuple(v.scrollX, v.scrollY), std::make_tuple(7, 9));
  EXPECT_EQ(std::make_tuple(v.rulers, v.rulerUnits, v.grid, v.snapToGrid, v.guides, v.snapToGuides),
            std::make_tuple(true, 1, true, false, true, false));
  ASSERT_TRUE(ReadWorkspaceImage(file, 2, &back));
  EXPECT_TRUE(back.selection.empty());
}

// A view section as the writer makes it, with a line replaced or dropped.
std::string ViewLines(const std::string& replaced = {}, const std::string& with = {}) {
  std::string lines =
      "activate=yes\r\nmin_x=0\r\nmin_y=0\r\nmax_x=0\r\nmax_y=0\r\nx=1\r\ny=2\r\ncx=300\r\ncy=200\r\nshow=normal\r\n"
      "scale=100%\r\nscroll_pos=0,0\r\n";
  if (!replaced.empty()) {
    const std::size_t at = lines.find(replaced + "=");
    const std::size_t end = lines.find("\r\n", at);
    lines.replace(at, end + 2 - at, with.empty() ? std::string() : with + "\r\n");
  }
  return lines;
}

TEST_F(WorkspaceTest, ReaderDefaultsClampsAndRequiredKeys) {
  struct Case {
    const char* what;
    std::string view;
    std::string image;  // extra lines of [image1]
    bool ok;
    std::function<void(const WorkspaceImage&)> check;
  } cases[] = {
      {"scale 0 reads as 1", ViewLines("scale", "scale=0%"), "", true,
       [](const WorkspaceImage& i) { EXPECT_EQ(i.views[0].scale, 1); }},
      {"scale 5000 reads as 3200", ViewLines("scale", "scale=5000%"), "", true,
       [](const WorkspaceImage& i) { EXPECT_EQ(i.views[0].scale, 3200); }},
      {"Inch with a capital reads as pixels", ViewLines() + "ruler_unit=Inch\r\n", "", true,
       [](const WorkspaceImage& i) { EXPECT_EQ(i.views[0].rulerUnits, 2); }},
      {"missing optional keys take their defaults", ViewLines(), "", true,
       [](const WorkspaceImage& i) {
         const VIEWINFO& v = i.views[0];
         EXPECT_TRUE(v.rulers);
         EXPECT_FALSE(v.grid);
         EXPECT_TRUE(v.snapToGrid);
         EXPECT_FALSE(v.guides);
         EXPECT_TRUE(v.snapToGuides);
         EXPECT_EQ(v.show, 1);
       }},
      {"any other show text is normal", ViewLines("show", "show=Maximised"), "", true,
       [](const WorkspaceImage& i) { EXPECT_EQ(i.views[0].show, 1); }},
      {"a missing required key drops the image", ViewLines("cy"), "", false, nullptr},
      {"a missing scroll position drops the image", ViewLines("scroll_pos"), "", false, nullptr},
      {"a selection outside our names is ignored", ViewLines(), "selection=..\\..\\Windows\\x\r\n", true,
       [](const WorkspaceImage& i) { EXPECT_TRUE(i.selection.empty()); }},
      {"a negative active layer reads as 0", ViewLines(), "", true,
       [](const WorkspaceImage& i) { EXPECT_EQ(i.activeLayer, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string layer = std::string(c.what).find("negative") != std::string::npos ? "-4" : "1";
    Write("r.luw", "[images]\r\nimage1=C:\\a.psd\r\n[image1]\r\nactive_layer=" + layer + "\r\nviews=1\r\n" + c.image +
                       "[image1_view1]\r\n" + c.view);
    fw::IniFile file(Path("r.luw"));
    WorkspaceImage image;
    ASSERT_EQ(ReadWorkspaceImage(file, 1, &image), c.ok);
    if (c.check) c.check(image);
  }
}

TEST_F(WorkspaceTest, AGapEndsTheImageListAndViewsAreClamped) {
  Write("g.luw",
        "[images]\r\nimage1=C:\\a.psd\r\nimage3=C:\\c.psd\r\n[image1]\r\nactive_layer=0\r\nviews=99\r\n");
  fw::IniFile file(Path("g.luw"));
  EXPECT_EQ(ReadWorkspaceImagePaths(file), (std::vector<std::string>{"C:\\a.psd"}));
  WorkspaceImage image;
  // 99 is taken as 50, and the 50 view sections are missing.
  EXPECT_FALSE(ReadWorkspaceImage(file, 1, &image));
  EXPECT_EQ(image.viewCount, 50);
  int value = 7;
  EXPECT_FALSE(ReadProfileIntKey(file, "image1", "missing", &value));
  EXPECT_EQ(value, 7) << "left alone";
}

TEST_F(WorkspaceTest, SelectionNamesAreOursAndTakenInOrder) {
  for (const char* good : {"select", "select1", "select511"}) EXPECT_TRUE(IsWorkspaceSelectionName(good)) << good;
  for (const char* bad : {"", "Select", "select-1", "select1a", "sel", "select\\..\\x", "select12345"}) {
    EXPECT_FALSE(IsWorkspaceSelectionName(bad)) << bad;
  }
  std::set<std::string> taken;
  auto exists = [&](const std::string& name) { return taken.count(name) != 0; };
  EXPECT_EQ(FreeSelectionName(exists), "select");
  taken.insert("select");
  EXPECT_EQ(FreeSelectionName(exists), "select1");
  taken.insert("select1");
  EXPECT_EQ(FreeSelectionName(exists), "select2");
  for (int i = 1; i <= 511; ++i) taken.insert("select" + std::to_string(i));
  EXPECT_EQ(FreeSelectionName(exists), "");
}

TEST_F(WorkspaceTest, ResavingFindsTheImagesOwnSelectionNames) {
  Write("old.luw",
        "[images]\r\nimage1=C:\\a.psd\r\nimage2=C:\\b.psd\r\n[image1]\r\nselection=select7\r\n[image2]\r\n"
        "selection=..\\evil\r\n");
  fw::IniFile old(Path("old.luw"));
  EXPECT_EQ(ReusableSelectionName(old, "C:\\a.psd"), "select7");
  EXPECT_EQ(ReusableSelectionName(old, "C:\\b.psd"), "");
  EXPECT_EQ(ReusableSelectionName(old, "C:\\c.psd"), "");
}

// A profile whose writes fail after some of them, as a full disk does.
class FailingProfile : public fw::IniFile {
 public:
  FailingProfile(std::string path, int writes) : fw::IniFile(std::move(path)), left_(writes) {}
  bool WriteString(std::string_view s, std::string_view k, std::string_view v) override {
    return left_-- > 0 && fw::IniFile::WriteString(s, k, v);
  }

 private:
  int left_;
};

TEST_F(WorkspaceTest, AFailedSaveLeavesTheOldWorkspaceAsItWas) {
  const std::string old = "[images]\r\nimage1=C:\\old.psd\r\n";
  Write("keep.luw", old);
  WorkspaceContent content;
  content.images = {WorkspaceImage{"C:\\new.psd", 0, "", 1, {VIEWINFO{}}}};
  int written = -1;
  EXPECT_FALSE(SaveWorkspaceFile(
      Path("keep.luw"), content,
      [](const std::string& p) { return std::unique_ptr<fw::Profile>(new FailingProfile(p, 6)); }, &written));
  EXPECT_EQ(written, 0);
  EXPECT_EQ(Read("keep.luw"), old);
  EXPECT_FALSE(fs::exists(Path("keep.luw.tmp")));
  ASSERT_TRUE(SaveWorkspaceFile(Path("keep.luw"), content, Open, &written));
  EXPECT_EQ(written, 1);
  fw::IniFile file(Path("keep.luw"));
  EXPECT_EQ(ReadWorkspaceImagePaths(file), (std::vector<std::string>{"C:\\new.psd"}));
}

// Saves killed half-way left their temporary files beside the workspace:
// the next save of it takes them away, whichever naming they carry.
TEST_F(WorkspaceTest, ASaveRemovesTheTemporaryFilesKilledSavesLeftBesideIt) {
  Write("k.luw", "[images]\r\nimage1=C:\\old.psd\r\n");
  Write("k.luw.tmp", "[images]\r\nimage1=C:\\half");
  Write("k.luw.lumora-tmp-a1b2c3", "");
  Write("other.luw.lumora-tmp-a1b2c3", "");
  WorkspaceContent content;
  content.images = {WorkspaceImage{"C:\\new.psd", 0, "", 1, {VIEWINFO{}}}};
  ASSERT_TRUE(SaveWorkspaceFile(Path("k.luw"), content, Open));
  std::set<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(folder_)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"k.luw", "other.luw.lumora-tmp-a1b2c3"}));
  fw::IniFile file(Path("k.luw"));
  EXPECT_EQ(ReadWorkspaceImagePaths(file), (std::vector<std::string>{"C:\\new.psd"}));
}

// Positions and sizes at the limits of 32 bits: the edges are summed
// without overflow and each view lands wholly on a 1024 x 768 screen.
TEST_F(WorkspaceTest, ViewRectanglesAtTheIntegerLimitsLandOnTheScreen) {
  struct Case {
    const char* what;
    std::string x, y, cx, cy, minX, maxY;
    std::tuple<int, int, int, int> placed;  // left, top, right, bottom
    int placedMinX, placedMaxY;
  } cases[] = {
      {"all at the top", "2147483647", "2147483647", "2147483647", "2147483647", "2147483647", "2147483647",
       {0, 0, 1024, 768}, 1024, 768},
      {"all at the bottom", "-2147483648", "-2147483648", "-2147483648", "-2147483648", "-2147483648", "-2147483648",
       {0, 0, 1, 1}, -1024, -768},
      {"off to the right", "5000", "100", "300", "200", "-1", "-1", {724, 100, 1024, 300}, -1, -1},
      {"as saved", "10", "20", "400", "300", "-1", "5", {10, 20, 410, 320}, -1, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write("v.luw", "[images]\r\nimage1=C:\\a.psd\r\n[image1]\r\nactive_layer=0\r\nviews=1\r\n"
                   "[image1_view1]\r\nmin_x=" + c.minX + "\r\nmin_y=0\r\nmax_x=0\r\nmax_y=" + c.maxY +
                       "\r\nx=" + c.x + "\r\ny=" + c.y + "\r\ncx=" + c.cx + "\r\ncy=" + c.cy +
                       "\r\nshow=normal\r\nscale=100%\r\nscroll_pos=0,0\r\n");
    fw::IniFile file(Path("v.luw"));
    WorkspaceImage image;
    ASSERT_TRUE(ReadWorkspaceImage(file, 1, &image));
    VIEWINFO& v = image.views[0];
    FitViewToScreen(v, 1024, 768);
    EXPECT_EQ(std::make_tuple(v.left, v.top, v.right, v.bottom), c.placed);
    EXPECT_EQ(v.minX, c.placedMinX);
    EXPECT_EQ(v.maxY, c.placedMaxY);
  }
}

TEST_F(WorkspaceTest, ScaleOfZoom) {
  EXPECT_EQ(WorkspaceScaleOfZoom(1.0), 100);
  EXPECT_EQ(WorkspaceScaleOfZoom(0.5), 200);
  EXPECT_EQ(WorkspaceScaleOfZoom(3.0), 33);
  EXPECT_EQ(WorkspaceScaleOfZoom(1000.0), 1);
  EXPECT_EQ(WorkspaceScaleOfZoom(1.0 / 64), 3200);
  EXPECT_EQ(WorkspaceFolderOf("C:\\ws\\one.luw"), "C:\\ws\\");
}

}  // namespace
}  // namespace lumora
