// Toolbar state files from outside: layouts no bar can have are refused
// whole, and the state file and its image file are one update that a kill
// at any point leaves readable, old or new.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "framework/Archive.h"
#include "platform/file_replace.h"
#include "tests/support/unique_temp_folder.h"
#include "ui/ToolbarState.h"
#include "ui/ToolbarStateFiles.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes StateBytes(const ToolbarStateRecord& s) {
  fw::MemFile file;
  {
    fw::Archive ar(file, fw::Archive::store);
    WriteToolbarState(ar, s);
    ar.Close();
  }
  return Bytes(file.Data(), file.Data() + file.GetLength());
}

ToolbarStateRecord Bar(std::uint32_t stamp = 0) {
  ToolbarStateRecord s;
  s.caption = "Standard Bar";
  s.buttonWidth = 24, s.buttonHeight = 23, s.imageWidth = 17, s.imageHeight = 16;
  ToolbarButtonRecord open;
  open.command = 57601;
  s.buttons.push_back(open);
  ToolbarButtonRecord combo;
  combo.command = 700;
  combo.isControl = true;
  combo.control.tag = kTagCombo;
  combo.control.combo = {0x50200003, 0, 700, 80, 120, true, {"a", "bc"}, 1, 0, 90, 18};
  s.buttons.push_back(combo);
  s.stamp = stamp;
  return s;
}

TEST(ToolbarStateHostile, LayoutsNoBarCanHaveAreRefusedWhole) {
  const std::string sizes = "gives a button or image size no bar can have";
  struct Case {
    const char* what;
    std::function<void(ToolbarStateRecord&)> change;
    const char* fault;  // null: read
  } cases[] = {
      {"as saved", [](ToolbarStateRecord&) {}, nullptr},
      {"65535 x 65535 buttons", [](ToolbarStateRecord& s) { s.buttonWidth = s.buttonHeight = 65535; }, sizes.c_str()},
      {"129-pixel images", [](ToolbarStateRecord& s) { s.imageWidth = 129; }, sizes.c_str()},
      {"buttons of no height", [](ToolbarStateRecord& s) { s.buttonHeight = 0; }, sizes.c_str()},
      {"images larger than buttons", [](ToolbarStateRecord& s) { s.imageHeight = 30; },
       "gives images larger than their buttons"},
      {"a control 65535 wide", [](ToolbarStateRecord& s) { s.buttons[1].control.combo.width = 65535; },
       "gives a control a size no bar can have"},
      {"a control 4 wide", [](ToolbarStateRecord& s) { s.buttons[1].control.combo.width = 4; },
       "gives a control a size no bar can have"},
      {"a list 60000 high", [](ToolbarStateRecord& s) { s.buttons[1].control.combo.height = 60000; },
       "gives a control a size no bar can have"},
      {"a selection past the list", [](ToolbarStateRecord& s) { s.buttons[1].control.combo.selection = 2; },
       "selects an item its list does not hold"},
      {"a mode combo 65535 wide",
       [](ToolbarStateRecord& s) {
         s.buttons[1].control = ControlRecord{kTagModeCombo, {}, 65535, 23, 40030};
       },
       "gives a control a size no bar can have"},
      {"257 buttons", [](ToolbarStateRecord& s) { s.buttons.resize(257, s.buttons[0]); }, "more buttons than a bar can have"},
      {"no buttons, no sizes", [](ToolbarStateRecord& s) { s = ToolbarStateRecord{}; }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ToolbarStateRecord s = Bar();
    c.change(s);
    const Bytes bytes = StateBytes(s);
    ToolbarStateRecord read;
    EXPECT_EQ(ParseToolbarState(bytes.data(), bytes.size(), read), c.fault == nullptr);
    if (c.fault == nullptr) continue;
    try {
      fw::MemFile memory;
      memory.Attach(const_cast<std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
      fw::Archive ar(memory, fw::Archive::load);
      ReadToolbarState(ar);
      ADD_FAILURE() << "read";
    } catch (const FileException& e) {
      EXPECT_NE(std::string(e.what()).find(c.fault), std::string::npos) << e.what();
    }
  }
  // A list longer than a bar's, and bytes after the records.
  ToolbarStateRecord many = Bar();
  many.buttons[1].control.combo.items.assign(4097, "x");
  many.buttons[1].control.combo.selection = 65535;
  const Bytes longList = StateBytes(many);
  ToolbarStateRecord read;
  EXPECT_FALSE(ParseToolbarState(longList.data(), longList.size(), read));
  Bytes trailing = StateBytes(Bar());
  trailing.push_back(0);
  EXPECT_FALSE(ParseToolbarState(trailing.data(), trailing.size(), read));
}

TEST(ToolbarStateHostile, TheStampFollowsTheRecordsAndTheStripsFileHeader) {
  const Bytes stamped = StateBytes(Bar(0xA1B2C3D4));
  const Bytes plain = StateBytes(Bar());
  ASSERT_EQ(stamped.size(), plain.size() + 8);
  EXPECT_EQ(std::string(stamped.end() - 8, stamped.end()), std::string("STMP\xD4\xC3\xB2\xA1", 8));
  std::uint32_t stamp = 0;
  ASSERT_TRUE(ToolbarStateStamp(stamped, &stamp));
  EXPECT_EQ(stamp, 0xA1B2C3D4u);
  ASSERT_TRUE(ToolbarStateStamp(plain, &stamp));
  EXPECT_EQ(stamp, 0u);
  const ImageStrip strip{17, 16, std::vector<std::uint32_t>(17 * 16, 0xC0C0C0)};
  const Bytes file = EncodeStripBitmap(strip, 0xA1B2C3D4);
  EXPECT_EQ(StripBitmapStamp(file.data(), file.size()), 0xA1B2C3D4u);
  ImageStrip back;
  ASSERT_TRUE(DecodeStripBitmap(file.data(), file.size(), back));
  EXPECT_EQ(back.pixels, strip.pixels);
  // A strip larger than a bar's whole set of images is not decoded.
  Bytes huge = EncodeStripBitmap(ImageStrip{1, 1, {0}});
  const std::uint32_t side = 6000;
  for (int i = 0; i < 4; ++i) huge[18 + i] = huge[22 + i] = static_cast<std::uint8_t>(side >> (8 * i));
  huge[28] = 1;  // one bit a pixel: 6000 x 6000 in 4.5 MB
  huge.resize(14 + 40 + 8 + (side / 32 + 1) * 4 * side);
  EXPECT_FALSE(DecodeStripBitmap(huge.data(), huge.size(), back));
}

class ToolbarPair : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = testing::MakeUniqueTempFolder("lumora-tbs-"); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  Bytes Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_)) names.insert(e.path().filename().string());
    return names;
  }
  // One update's files: the state and a strip, stamped alike.
  static std::pair<Bytes, Bytes> Update(std::uint32_t stamp, std::uint32_t colour) {
    return {StateBytes(Bar(stamp)), EncodeStripBitmap(ImageStrip{17, 16, std::vector<std::uint32_t>(272, colour)}, stamp)};
  }
  fs::path folder_;
};

TEST_F(ToolbarPair, APairWrittenReadsBackAndLeavesNothingBeside) {
  const auto [state, images] = Update(7, 0x808080);
  std::string error;
  ASSERT_TRUE(WriteToolbarStatePair(Path("Lumo401.tbs"), state, images, &error)) << error;
  EXPECT_EQ(Names(), (std::set<std::string>{"Lumo401.tbs", "Lumo401.tbi"}));
  const ToolbarStatePair pair = ReadToolbarStatePair(Path("Lumo401.tbs"));
  EXPECT_TRUE(pair.stateFound && pair.imagesFound);
  EXPECT_EQ(pair.state, state);
  EXPECT_EQ(pair.images, images);
  EXPECT_FALSE(ReadToolbarStatePair(Path("Lumo402.tbs")).stateFound);
}

// A layout saved again unchanged keeps its files and their stamp; a
// changed one is a new update with a new stamp.
TEST_F(ToolbarPair, ALayoutSavedUnchangedWritesNothing) {
  const ImageStrip strip{17, 16, std::vector<std::uint32_t>(272, 0x808080)};
  std::string error;
  ASSERT_TRUE(SaveToolbarStatePair(Path("Lumo401.tbs"), Bar(), strip, &error)) << error;
  const Bytes state = Read("Lumo401.tbs"), images = Read("Lumo401.tbi");
  std::uint32_t stamp = 0;
  ASSERT_TRUE(ToolbarStateStamp(state, &stamp));
  EXPECT_NE(stamp, 0u);
  EXPECT_EQ(StripBitmapStamp(images.data(), images.size()), stamp);
  ASSERT_TRUE(SaveToolbarStatePair(Path("Lumo401.tbs"), Bar(), strip, &error)) << error;
  EXPECT_EQ(Read("Lumo401.tbs"), state);
  EXPECT_EQ(Read("Lumo401.tbi"), images);
  ToolbarStateRecord changed = Bar();
  changed.caption = "Main Bar";
  ASSERT_TRUE(SaveToolbarStatePair(Path("Lumo401.tbs"), changed, strip, &error)) << error;
  std::uint32_t again = 0;
  const Bytes newState = Read("Lumo401.tbs"), newImages = Read("Lumo401.tbi");
  ASSERT_TRUE(ToolbarStateStamp(newState, &again));
  EXPECT_NE(again, stamp);
  EXPECT_EQ(StripBitmapStamp(newImages.data(), newImages.size()), again);
}

// Every point at which a kill can stop an update, made by hand: the old
// pair whole before the image file moves, the new pair whole after it.
TEST_F(ToolbarPair, AnUpdateKilledAnywhereReadsAsTheOldPairOrTheNew) {
  const auto [oldState, oldImages] = Update(1, 0x808080);
  const auto [newState, newImages] = Update(2, 0xFFFFFF);
  std::string error;
  struct Stop {
    const char* what;
    bool stateTempWritten, imageTempWritten, imagesMoved;
    bool readsNew;
  } stops[] = {
      {"while the temporary files are written", true, false, false, false},
      {"before the image file moves", true, true, false, false},
      {"between the two moves", true, false, true, true},
  };
  for (const Stop& stop : stops) {
    SCOPED_TRACE(stop.what);
    ASSERT_TRUE(WriteToolbarStatePair(Path("Lumo401.tbs"), oldState, oldImages, &error)) << error;
    if (stop.stateTempWritten) Write("Lumo401.tbs.lumora-tmp-abc123", newState);
    if (stop.imageTempWritten) Write("Lumo401.tbi.lumora-tmp-def456", newImages);
    if (stop.imagesMoved) Write("Lumo401.tbi", newImages);
    const ToolbarStatePair pair = ReadToolbarStatePair(Path("Lumo401.tbs"));
    EXPECT_EQ(pair.state, stop.readsNew ? newState : oldState);
    EXPECT_EQ(pair.images, stop.readsNew ? newImages : oldImages);
    EXPECT_EQ(Read("Lumo401.tbs"), pair.state) << "the update is finished on the disk too";
    // The next write takes every leftover away.
    ASSERT_TRUE(WriteToolbarStatePair(Path("Lumo401.tbs"), oldState, oldImages, &error)) << error;
    EXPECT_EQ(Names(), (std::set<std::string>{"Lumo401.tbs", "Lumo401.tbi"}));
  }
  // Files of the naming older versions used go as well.
  Write("Lumo401.tbs.new", newState);
  Write("Lumo401.tbi.new", Bytes{});
  ASSERT_TRUE(WriteToolbarStatePair(Path("Lumo401.tbs"), newState, newImages, &error)) << error;
  EXPECT_EQ(Names(), (std::set<std::string>{"Lumo401.tbs", "Lumo401.tbi"}));
}

}  // namespace
}  // namespace lumora
