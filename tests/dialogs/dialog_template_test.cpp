// Help ids read from extended dialog templates, field by field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/DialogTemplate.h"

namespace lumora {
namespace {

class TemplateBytes {
 public:
  void Word(std::uint16_t w) {
    bytes.push_back(static_cast<std::uint8_t>(w));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  void Dword(std::uint32_t d) {
    Word(static_cast<std::uint16_t>(d));
    Word(static_cast<std::uint16_t>(d >> 16));
  }
  void Text(const std::string& s) {
    for (char c : s) Word(static_cast<std::uint16_t>(c));
    Word(0);
  }
  void Align() {
    while (bytes.size() % 4 != 0) bytes.push_back(0);
  }
  std::vector<std::uint8_t> bytes;
};

// A dialog with a font and three controls: an edit with help id 0x81300515,
// a label without one (by class ordinal), and a button with a custom class
// name, a title ordinal and extra bytes.
std::vector<std::uint8_t> SampleTemplate(std::uint16_t signature = 0xFFFF) {
  TemplateBytes t;
  t.Word(1);
  t.Word(signature);
  t.Dword(0);           // help id of the dialog
  t.Dword(0);           // extended style
  t.Dword(0x80C80040);  // WS_POPUP | WS_CAPTION | ... | DS_SETFONT
  t.Word(3);
  for (int i = 0; i < 4; ++i) t.Word(10);
  t.Word(0);            // no menu
  t.Word(0);            // the standard class
  t.Text("Caption");
  t.Word(8);            // point size, weight, italic and character set
  t.Word(400);
  t.Word(0);
  t.Text("MS Shell Dlg");
  const auto item = [&t](std::uint32_t help, std::uint32_t id, auto writeClass, auto writeTitle, std::uint16_t extra) {
    t.Align();
    t.Dword(help);
    t.Dword(0);
    t.Dword(0x50000000);
    for (int i = 0; i < 4; ++i) t.Word(5);
    t.Dword(id);
    writeClass();
    writeTitle();
    t.Word(extra);
    for (std::uint16_t i = 0; i < extra; ++i) t.bytes.push_back(0xAB);
  };
  item(0x81300515, 1301, [&t] { t.Word(0xFFFF); t.Word(0x81); }, [&t] { t.Text(""); }, 0);
  item(0, 0xFFFFFFFF, [&t] { t.Word(0xFFFF); t.Word(0x82); }, [&t] { t.Text("&Width:"); }, 0);
  item(0x81300001, 1, [&t] { t.Text("VR_CUSTOMCTL"); }, [&t] { t.Word(0xFFFF); t.Word(7); }, 3);
  return t.bytes;
}

TEST(DialogTemplate, ReadsTheControlsHelpIds) {
  const std::vector<std::uint8_t> bytes = SampleTemplate();
  const std::vector<TemplateHelpId> ids = ReadTemplateHelpIds(bytes.data(), bytes.size());
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[0].controlId, 1301u);
  EXPECT_EQ(ids[0].helpId, 0x81300515u);
  EXPECT_EQ(ids[1].controlId, 1u);
  EXPECT_EQ(ids[1].helpId, 0x81300001u);
}

TEST(DialogTemplate, PlainShortOrDamagedTemplatesGiveNothing) {
  const std::vector<std::uint8_t> plain = SampleTemplate(0);
  EXPECT_TRUE(ReadTemplateHelpIds(plain.data(), plain.size()).empty());
  const std::vector<std::uint8_t> bytes = SampleTemplate();
  for (std::size_t cut : {std::size_t{0}, std::size_t{3}, std::size_t{30}, bytes.size() - 1}) {
    EXPECT_TRUE(ReadTemplateHelpIds(bytes.data(), cut).empty()) << cut;
  }
}

}  // namespace
}  // namespace lumora
