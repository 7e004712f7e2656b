// Writes first inputs for the fuzz targets of outside input, each made by
// the program's own writers (the clipboard's blocks, DIBs, toolbar pairs,
// macro files, workspaces, the thumbnail database, settings files ...):
//
//   fuzz_seeds FOLDER     writes FOLDER/<target>/<n>
//
// scripts/fuzz merges what the fuzzers keep of them into the corpora.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/HandOver.h"
#include "app/Workspace.h"
#include "document/Clipboard.h"
#include "files/ThumbnailDb.h"
#include "framework/CommandLine.h"
#include "files/TwainStrips.h"
#include "framework/Profile.h"
#include "lang/MacroText.h"
#include "engine/layered/RWLayers.h"
#include "engine/layers/Layer.h"
#include "engine/pixels/Dib.h"
#include "engine/pixels/WAccess.h"
#include "framework/Archive.h"
#include "hostapi/fragment.h"
#include "platform/stream_file.h"
#include "ui/ToolbarState.h"
#include "ui/ToolbarStateFiles.h"

namespace {

using namespace lumora;
using Bytes = std::vector<std::uint8_t>;

std::filesystem::path gFolder;
std::map<std::string, int> gCounts;

void Seed(const std::string& target, const Bytes& bytes) {
  const std::filesystem::path dir = gFolder / target;
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / std::to_string(++gCounts[target]), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (dir / std::to_string(gCounts[target])).c_str());
    std::exit(1);
  }
}

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_seeds: %s\n", what);
  std::exit(1);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

void PutU32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A test picture of the type: bands of values, a palette of colours.
WAPtr Picture(int type, int w, int h) {
  PALETTEENTRY palette[256];
  for (int i = 0; i < 256; ++i) {
    palette[i] = PALETTEENTRY{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
  }
  WAPtr image = WAPtr::Adopt(NewWAWithPalette(type, w, h, palette));
  Require(image.get() != nullptr, "no memory for a picture");
  for (int y = 0; y < h; ++y) {
    std::uint8_t* row = image->Row(y);
    for (int i = 0; i < image->GetBPLine(); ++i) row[i] = static_cast<std::uint8_t>(i * 37 + y * 11);
  }
  image->SetXRes(72);
  image->SetYRes(96);
  return image;
}

// ---- clipboard blocks

std::vector<Fragment*> Shapes() {
  std::vector<Fragment*> shapes;
  LURECT rect{3, 4, 17, 5};
  shapes.push_back(CreateRectFrg(&rect, 0));
  shapes.push_back(CreateRectFrg(&rect, 1));
  LURECT oval{10, 2, 30, 20};
  shapes.push_back(CreateEllipticFrg(&oval, 0));
  const POINT star[5] = {{20, 0}, {26, 30}, {0, 10}, {40, 10}, {14, 30}};
  shapes.push_back(CreatePolygonFrg(star, 5, kFrgFillWinding, 0));
  shapes.push_back(CreateLineFrg(2, 2, 50, 30, 5, kFrgLineSquare, 0));
  shapes.push_back(CreateEmptyFrg(0));
  Fragment* soft = CreateEllipticFrg(&oval, 0);
  SetSmoothEdge(soft, 40, kFrgSmoothInside, nullptr);
  shapes.push_back(soft);
  Fragment* complex = CreateComplexFrg(0, nullptr);
  AddToComplexFrg(complex, shapes[0], kFrgAdd);
  AddToComplexFrg(complex, shapes[2], kFrgIntersect);
  shapes.push_back(complex);
  WAPtr grey = Picture(kWAType8Grey, 9, 7);
  shapes.push_back(CreateMaskUsingWA(grey.get(), 5, 6));
  return shapes;
}

void ClipboardMaskSeeds() {
  for (Fragment* f : Shapes()) {
    Seed("clipboard_mask", WriteMaskBlock(64, 48, f));
    DeleteFragment(f);
  }
  Seed("clipboard_mask", WriteMaskBlock(30000, 1, nullptr));
}

void LayerReferenceSeeds() {
  // The target offers its own layer: its stream as written (even first
  // byte), and that stream left as it is (odd, nothing laid over it).
  WAPtr image = Picture(kWAType24, 5, 3);
  CLayerPtr layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 0, nullptr, 0));
  lumora::MemFile file(64);
  CRWLayers(&file).WriteLayerRef(layer.get());
  Bytes stream{0};
  stream.insert(stream.end(), file.Data(), file.Data() + file.GetLength());
  Seed("layer_reference", stream);
  Seed("layer_reference", Bytes{1});
  Seed("layer_reference", Bytes(25, 1));
}

// ---- DIBs

void PasteDibSeeds() {
  const int types[] = {kWAType1Bit, kWAType4Bit, kWAType8Palette, kWAType8Grey, kWAType24};
  for (const int type : types) {
    WAPtr image = Picture(type, 13, 5);
    Seed("paste_dib", ImageToDIBBytes(image.get(), RECT{0, 0, 13, 5}));
  }
  // Another program's 32-bit DIB with a V5 header and alpha, a 16-bit one
  // with bit fields and run-length ones, as they put them on the clipboard.
  auto header = [](std::uint32_t size, std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t compression,
                   std::uint32_t colours) {
    Bytes out;
    PutU32(out, size);
    PutU32(out, static_cast<std::uint32_t>(w));
    PutU32(out, static_cast<std::uint32_t>(h));
    out.push_back(1), out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(bits)), out.push_back(0);
    PutU32(out, compression);
    for (int i = 0; i < 3; ++i) PutU32(out, 0);
    PutU32(out, colours);
    PutU32(out, 0);
    return out;
  };
  Bytes v5 = header(124, 3, -2, 32, 3, 0);
  for (const std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) PutU32(v5, mask);
  v5.resize(124, 0);
  for (int i = 0; i < 6; ++i) PutU32(v5, 0x80102030u + static_cast<std::uint32_t>(i) * 0x11000000u);
  Seed("paste_dib", v5);
  Bytes sixteen = header(40, 4, 2, 16, 3, 0);
  for (const std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) PutU32(sixteen, mask);
  for (int i = 0; i < 8; ++i) sixteen.push_back(static_cast<std::uint8_t>(i * 31)), sixteen.push_back(0x7B);
  Seed("paste_dib", sixteen);
  Bytes rle8 = header(40, 8, 3, 8, 1, 2);
  PutU32(rle8, 0x000000FF);
  PutU32(rle8, 0x00FF0000);
  for (const std::uint8_t b : {8, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 0, 4, 1, 0, 1}) rle8.push_back(b);
  Seed("paste_dib", rle8);
  Bytes rle4 = header(40, 6, 2, 4, 2, 2);
  PutU32(rle4, 0x00000000);
  PutU32(rle4, 0x00FFFFFF);
  for (const std::uint8_t b : {6, 0x10, 0, 0, 0, 4, 0x01, 0x10, 0, 0, 0, 1}) rle4.push_back(b);
  Seed("paste_dib", rle4);
}

// ---- toolbar state pairs

Bytes StateFile(const ToolbarStateRecord& state) {
  fw::MemFile memory;
  {
    fw::Archive ar(memory, fw::Archive::store);
    WriteToolbarState(ar, state);
    ar.Close();
  }
  return Bytes(memory.Data(), memory.Data() + memory.GetLength());
}

void ToolbarPair(const ToolbarStateRecord& state, const ImageStrip& strip, ToolbarLayoutPlan::Kind expected) {
  ToolbarStatePair pair;
  pair.stateFound = pair.imagesFound = true;
  pair.state = StateFile(state);
  pair.images = EncodeStripBitmap(strip, state.stamp);
  Require(PlanToolbarLayout(pair).kind == expected, "a toolbar pair does not read as it should");
  Bytes input{0};
  PutU32(input, static_cast<std::uint32_t>(pair.state.size()));
  input.insert(input.end(), pair.state.begin(), pair.state.end());
  input.insert(input.end(), pair.images.begin(), pair.images.end());
  Seed("toolbar_state", input);
}

ImageStrip Strip(int images, int w, int h) {
  ImageStrip strip;
  strip.width = images * w;
  strip.height = h;
  for (int i = 0; i < strip.width * h; ++i) strip.pixels.push_back(kStandardButtonColours[(i / 3) % 4]);
  return strip;
}

void ToolbarStateSeeds() {
  ToolbarStateRecord standard;
  standard.caption = "Standard Bar";
  standard.buttonWidth = 23, standard.buttonHeight = 22, standard.imageWidth = 16, standard.imageHeight = 15;
  standard.stamp = 0x5EED0001;
  for (std::uint16_t i = 0; i < 6; ++i) {
    ToolbarButtonRecord b;
    b.command = 57600u + i;
    b.image = i;
    standard.buttons.push_back(b);
    if (i == 2) {
      ToolbarButtonRecord separator;
      separator.style = kButtonStyleSeparator;
      standard.buttons.push_back(separator);
    }
  }
  ToolbarPair(standard, Strip(6, 16, 15), ToolbarLayoutPlan::kApply);

  ToolbarStateRecord controls = standard;
  controls.caption = "Layers Bar";
  controls.stamp = 0x5EED0002;
  ToolbarButtonRecord mode;
  mode.command = 33100;
  mode.isControl = true;
  mode.control.tag = kTagModeCombo;
  mode.control.width = 120, mode.control.height = 200, mode.control.id = 33100;
  controls.buttons.push_back(mode);
  ToolbarButtonRecord colour = mode;
  colour.command = 33101;
  colour.control.tag = kTagColour;
  colour.control.width = 40, colour.control.height = 22;
  controls.buttons.push_back(colour);
  ToolbarButtonRecord combo;
  combo.command = 33102;
  combo.isControl = true;
  combo.control.tag = kTagCombo;
  combo.control.combo = ComboRecord{0x50210203u, 0, 33102, 80, 160, true, {"100%", "50%", "25%"}, 1, 0, 90, 18};
  controls.buttons.push_back(combo);
  ToolbarButtonRecord noImage;
  noImage.command = 33103;
  noImage.image = 65535;
  noImage.text = "Zoom";
  controls.buttons.push_back(noImage);
  ToolbarPair(controls, Strip(6, 16, 15), ToolbarLayoutPlan::kApply);

  // A bar of controls and buttons without images saves a strip of none.
  ToolbarStateRecord imageless = controls;
  imageless.stamp = 0x5EED0004;
  imageless.buttons.erase(imageless.buttons.begin(), imageless.buttons.begin() + 7);
  ToolbarPair(imageless, Strip(0, 16, 15), ToolbarLayoutPlan::kApply);

  ToolbarStateRecord empty;
  empty.caption = "Tools";
  empty.buttonWidth = 24, empty.buttonHeight = 22, empty.imageWidth = 16, empty.imageHeight = 16;
  empty.stamp = 0x5EED0003;
  ToolbarPair(empty, Strip(0, 16, 16), ToolbarLayoutPlan::kDefault);
}

// ---- macro files and the macro window's state

void MacroFileSeeds() {
  const std::string texts[] = {"", "SelectAll();", "Fill(1, 2, 3);\r\nInvert();\r\n", "\tA(\"x\");\n\nB();"};
  for (const std::string& text : texts) {
    Bytes file{0};
    const std::string bytes = lang::ScriptFileBytes(text);
    file.insert(file.end(), bytes.begin(), bytes.end());
    Seed("macro_file", file);
    lang::MacroWindowState state{text, 1, 0, static_cast<std::int32_t>(text.size()), "C:\\Macroses\\a.cmd", 0};
    fw::MemFile memory;
    {
      fw::Archive ar(memory, fw::Archive::store);
      lang::SerializeMacroWindowState(ar, state);
      ar.Close();
    }
    Bytes archived{1};
    archived.insert(archived.end(), memory.Data(), memory.Data() + memory.GetLength());
    Seed("macro_file", archived);
  }
}

// ---- settings files and workspaces, written by the settings writer

Bytes FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void IniSeeds() {
  const std::filesystem::path path = gFolder / "seed.ini";
  std::filesystem::remove(path);
  fw::IniFile file(path.string());
  Require(file.WriteInt("LoadOptions", "AnimationSpeed", 3) && file.WriteString("Files", "Last", "\"C:\\a b\\c.lud\"") &&
              file.WriteString("Files", "Folder", "C:\\Images") && file.WriteInt("PinState", "DrawingPinPressed", 1) &&
              file.WriteString("Colours", "Custom", "0x00FF8040"),
          "cannot write a settings file");
  Seed("ini", FileBytes(path));
  Seed("ini", Text("; settings\r\n[A]\r\nx = 0b101\r\n  Y='quoted'\r\n[a]\r\nx=2\r\n[B\r\nz\r\n=v\r\n"));
  std::filesystem::remove(path);
}

void WorkspaceSeeds() {
  WorkspaceContent content;
  content.tools.push_back(WorkspaceTool{"Layers", false, true, 900, 40});
  content.tools.push_back(WorkspaceTool{"Navigator", true, false, 0, 0});
  WorkspaceImage one;
  one.path = "C:\\Images\\one.lud";
  one.activeLayer = 2;
  one.selection = "select";
  VIEWINFO view;
  view.activate = true;
  view.minX = view.minY = view.maxX = view.maxY = -1;
  view.left = 10, view.top = 20, view.right = 650, view.bottom = 500;
  view.scale = 200;
  view.scrollX = 30, view.scrollY = 4;
  one.views.push_back(view);
  view.activate = false;
  view.show = 3;
  view.left = -3000, view.right = 90000;
  one.views.push_back(view);
  one.viewCount = 2;
  WorkspaceImage two = one;
  two.path = "C:\\Images\\two.png";
  two.selection.clear();
  two.views.resize(1);
  two.viewCount = 1;
  content.images = {one, two};
  const std::filesystem::path path = gFolder / "seed.luw";
  std::filesystem::remove(path);
  fw::IniFile file(path.string());
  Require(WriteWorkspaceContent(file, content) == 2, "cannot write a workspace");
  Seed("workspace", FileBytes(path));
  std::filesystem::remove(path);
}

// ---- the thumbnail database

void ThumbnailDbSeeds() {
  ThumbnailDb db;
  ThumbnailItem wide = MakeThumbnail(*Picture(kWAType24, 240, 60));
  wide.timeLow = 0x12345678, wide.timeHigh = 0x01D2;
  db.items["C:\\Images\\wide.png"] = wide;
  ThumbnailItem tall = MakeThumbnail(*Picture(kWAType8Palette, 9, 70));
  db.items["C:\\Images\\tall.lud"] = tall;
  db.items["C:\\Images\\broken.tif"] = ThumbnailItem{};
  Seed("thumbnail_db", db.Serialize());
  db.items.erase("C:\\Images\\tall.lud");
  Seed("thumbnail_db", db.Serialize());
}

// ---- the command line and a second start's hand-over

void CommandLineSeeds() {
  const std::string lines[] = {"\"C:\\Program Files\\Lumo40\\Lumo40.exe\" \"C:\\My Images\\a b.lud\"",
                               "Lumo40.exe /Embedding", "Lumo40.exe -automation /dde", "Lumo40.exe",
                               "Lumo40.exe \"C:\\x\\\\\" \"q\"\"uote\" c.png"};
  for (const std::string& line : lines) {
    Bytes input{0};
    input.insert(input.end(), line.begin(), line.end());
    Seed("command_line", input);
    const fw::CommandLineInfo info = fw::ParseCommandLine(fw::SplitCommandLine(line, true));
    if (info.fileName.empty()) continue;
    const Bytes block = MakeDropFilesBlock(info.fileName);
    Bytes handed{1};
    handed.insert(handed.end(), block.begin(), block.end());
    Seed("command_line", handed);
  }
}

// ---- TWAIN memory strips, as a source fills them

void TwainSeeds() {
  struct Kind {
    std::int16_t pixelType, samples, bits, bitsPerPixel;
    bool palette;
  } kinds[] = {{twain::TWPT_RGB, 3, 8, 24, false}, {twain::TWPT_GRAY, 1, 8, 8, false},
               {twain::TWPT_BW, 1, 1, 1, false},   {twain::TWPT_PALETTE, 1, 8, 8, true},
               {twain::TWPT_RGB, 3, 16, 48, false}};
  for (const Kind& k : kinds) {
    twain::TW_IMAGEINFO info{};
    info.XResolution = info.YResolution = twain::TW_FIX32{300, 0};
    info.ImageWidth = 7;
    info.ImageLength = 4;
    info.SamplesPerPixel = k.samples;
    for (int i = 0; i < k.samples; ++i) info.BitsPerSample[i] = k.bits;
    info.BitsPerPixel = k.bitsPerPixel;
    info.PixelType = k.pixelType;
    Bytes input{static_cast<std::uint8_t>(k.palette ? 2 : 0)};
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&info);
    input.insert(input.end(), raw, raw + sizeof info);
    if (k.palette) {
      twain::TW_PALETTE8 palette{};
      palette.NumColors = 20;
      palette.PaletteType = twain::TWPA_RGB;
      for (int i = 0; i < 20; ++i) palette.Colors[i] = twain::TW_ELEMENT8{static_cast<std::uint8_t>(i), 
          static_cast<std::uint8_t>(i * 9), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 3)};
      const auto* p = reinterpret_cast<const std::uint8_t*>(&palette);
      input.insert(input.end(), p, p + sizeof palette);
    }
    // Two strips of two rows each, rows padded to 4 bytes.
    const std::uint32_t bytesPerRow = (7u * static_cast<std::uint32_t>(k.bitsPerPixel) + 31) / 32 * 4;
    for (std::uint32_t y = 0; y < 4; y += 2) {
      input.push_back(0), input.push_back(0);
      for (const std::uint32_t v : {bytesPerRow, 7u, 2u, 0u, y, 2 * bytesPerRow, 2 * bytesPerRow}) PutU32(input, v);
      for (std::uint32_t i = 0; i < 2 * bytesPerRow; ++i) input.push_back(static_cast<std::uint8_t>(i * 29 + y));
    }
    Seed("twain_strips", input);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  gFolder = argv[1];
  ClipboardMaskSeeds();
  LayerReferenceSeeds();
  PasteDibSeeds();
  ToolbarStateSeeds();
  MacroFileSeeds();
  IniSeeds();
  WorkspaceSeeds();
  ThumbnailDbSeeds();
  CommandLineSeeds();
  TwainSeeds();
  for (const auto& [target, count] : gCounts) std::printf("%s: %d seeds\n", target.c_str(), count);
  return 0;
}
