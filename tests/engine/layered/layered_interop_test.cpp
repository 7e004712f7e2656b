// Photoshop files made by other programs (ImageMagick, the ag-psd package)
// read here, and files written here read by them: layers, attributes,
// pixels and the merged image must agree. Native only: the tools run on
// the build machine (scripts/setup installs them).
#ifndef _WIN32
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <unistd.h>

#include "engine/layered/BigEndian.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/LayerRecord.h"
#include "engine/layered/LayeredIO.h"
#include "engine/pixels/ImageLimits.h"
#include "layered_support.h"
#include "platform/text.h"
#include "psd_support.h"
#include "tests/support/temp_workspace.h"

namespace lumora::testing {
namespace {

namespace fs = std::filesystem;

// Files of each test in a folder of its own.
class Workspace : public lumora::testing::Workspace {
 public:
  Workspace() : lumora::testing::Workspace("lumora-interop-") {}
};

std::string Magick() { return fs::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert"; }
std::string Identify() { return fs::exists("/usr/bin/identify") ? "/usr/bin/identify" : "identify"; }

std::string NodeTool() {
  const char* prefix = std::getenv("LUMORA_NODE_PREFIX");
  const fs::path tool = fs::path(LUMORA_TEST_DATA).parent_path() / "engine" / "layered" / "interop" / "agpsd_tool.js";
  return "NODE_PATH='" + std::string(prefix != nullptr ? prefix : "/opt/lumora/node") +
         "/node_modules' node '" + tool.string() + "'";
}

// Runs a shell command and returns its standard output; fails the test
// when it does not succeed.
std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = ::pclose(pipe);
  EXPECT_EQ(status, 0) << command << "\n" << out;
  return out;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The layer's pixel at (x, y) of its rect counted from the top, as RGBA:
// colour from the image, alpha from the mask (255 without).
std::array<int, 4> LayerRGBA(const CLayer& layer, int x, int y) {
  const VrWA2000::WA* image = layer.PeekImage();
  const int row = image->GetH() - 1 - y;
  std::array<int, 4> px{};
  if (image->GetType() == kWAType24) {
    const std::uint8_t* p = image->Row(row) + 3 * x;
    px = {p[2], p[1], p[0], 255};
  } else {
    const int g = image->Row(row)[x];
    px = {g, g, g, 255};
  }
  if (layer.HasMask()) px[3] = layer.PeekMask()->Row(row)[x];
  return px;
}

// ---- Files made by ag-psd ----

// The maker's pixel of layer L (agpsd_tool.js computes the same).
std::array<int, 4> MakerPixel(int L, int x, int y) {
  return {(x * 7 + y * 3 + L * 40) & 255, (x * 2 + y * 9 + L * 13) & 255, (x * x + y + L * 5) & 255,
          L == 1 ? ((x + y) % 4 == 0 ? 0 : (x * 8 + 100) & 255) : 255};
}

TEST(LayeredInterop, ReadsWhatAgPsdMakes) {
  Workspace ws;
  Shell(NodeTool() + " make '" + ws("ag.psd") + "'");
  CLayersManagerPtr doc = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("ag.psd")));
  ASSERT_EQ(doc->GetLayerCount(), 3);
  EXPECT_EQ(doc->GetResolution(), 150u | 72u << 16);
  ASSERT_EQ(doc->GetGuideCount(), 2);
  EXPECT_EQ(doc->GetGuidePos(0), 320);
  EXPECT_EQ(doc->GetGuideOrientation(0), 0);
  EXPECT_EQ(doc->GetGuidePos(1), 176);
  EXPECT_EQ(doc->GetGuideOrientation(1), 1);
  const CLayer& bottom = *doc->GetLayer(0);
  const CLayer& cafe = *doc->GetLayer(1);
  const CLayer& clipped = *doc->GetLayer(2);
  EXPECT_EQ(bottom.GetName(), "Bottom");
  EXPECT_EQ(cafe.GetName(), "Caf\xC3\xA9 \xE2\x9C\x93");
  EXPECT_EQ(clipped.GetName(), "Clipped");
  EXPECT_TRUE(RectsEqual(cafe.GetRect(), MakeRect(5, 30 - 19, 25, 30 - 7)));
  EXPECT_EQ(cafe.GetOpacity(), 128);
  EXPECT_EQ(cafe.GetMergeMode(), kMergeMultiply);
  EXPECT_EQ(clipped.GetMergeMode(), kMergeScreen);
  EXPECT_EQ(clipped.IsVisible(), 0);
  EXPECT_EQ(clipped.GetGrouped(), 1);
  EXPECT_EQ(bottom.GetGrouped(), 0);
  for (int L = 0; L < 3; ++L) {
    const CLayer& layer = *doc->GetLayer(L);
    const int w = RectWidth(layer.GetRect()), h = RectHeight(layer.GetRect());
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        std::array<int, 4> want = MakerPixel(L, x, y);
        if (L == 1) {
          // The user mask over x 3..14, y 2..7 of the layer, hidden outside.
          const bool inside = x >= 3 && x < 15 && y >= 2 && y < 8;
          want[3] = inside ? want[3] * (((x - 3) * 11 + (y - 2) * 17) & 255) / 255 : 0;
        }
        ASSERT_EQ(LayerRGBA(layer, x, y), want) << "layer " << L << " at " << x << "," << y;
      }
    }
  }
}

// ---- Files written here, read by ag-psd ----

struct DumpLayer {
  int left = 0, top = 0, right = 0, bottom = 0, opacity = 0, hidden = 0, clipping = 0;
  std::string blend, name;
  // The flags byte's transparency bit, the lock bits (1 transparency, 2
  // composite, 4 position) and whether a layer mask is reported.
  int transparencyProtected = 0, locks = 0, mask = 0;
};

std::string FromHex(const std::string& hex) {
  std::string out;
  if (hex == "-") return out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<DumpLayer> ReadDump(const std::string& path, std::vector<std::string>* other) {
  std::ifstream in(path);
  std::vector<DumpLayer> layers;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    std::string kind;
    s >> kind;
    if (kind != "layer") {
      other->push_back(line);
      continue;
    }
    DumpLayer d;
    int index;
    std::string hex;
    s >> index >> d.left >> d.top >> d.right >> d.bottom >> d.opacity >> d.blend >> d.hidden >> d.clipping >> hex >>
        d.transparencyProtected >> d.locks >> d.mask;
    d.name = FromHex(hex);
    layers.push_back(d);
  }
  return layers;
}

const char* AgPsdBlendName(int mode) {
  static const char* const kNames[kMergeModeCount] = {
      "normal",  "darken",     "lighten",    "hue",        "saturation", "color",      "luminosity",
      "multiply", "screen",    "dissolve",   "overlay",    "hard_light", "soft_light", "difference",
      "exclusion", "color_dodge", "color_burn", "linear_dodge", "subtract"};
  return kNames[mode];
}

// Every pixel of a layer against RGBA rows of its size.
void ExpectLayerPixels(const CLayer& layer, const Bytes& rgba, const char* who) {
  const int w = RectWidth(layer.GetRect()), h = RectHeight(layer.GetRect());
  ASSERT_EQ(rgba.size(), static_cast<std::size_t>(w) * h * 4) << who << " " << layer.GetName();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * w + x) * 4;
      ASSERT_EQ(LayerRGBA(layer, x, y), (std::array<int, 4>{p[0], p[1], p[2], p[3]}))
          << who << " " << layer.GetName() << " at " << x << "," << y;
    }
  }
}

// The merged image written against RGB(A) rows of the document's size.
void ExpectMerged(CLayersManager& doc, const Bytes& rgba, int stride, const char* who) {
  const WAPtr merged = doc.CreateMergedImage(1, 255, 255, 255);
  const int w = doc.GetWidth(), h = doc.GetHeight();
  ASSERT_EQ(rgba.size(), static_cast<std::size_t>(w) * h * stride) << who;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * w + x) * stride;
      const std::uint8_t* q = merged->Row(h - 1 - y) + 3 * x;
      ASSERT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{q[2], q[1], q[0]})) << who << " at " << x << "," << y;
    }
  }
}

TEST(LayeredInterop, AgPsdReadsWhatThisProgramWrites) {
  Workspace ws;
  CLayersManagerPtr doc = RichDocument(kWAType24, 0);
  doc->SetNativeFormat(0);
  CRWLayers(doc.get()).Save(ws("ours.psd"), 1);
  Shell(NodeTool() + " dump '" + ws("ours.psd") + "' '" + ws("dump") + "'");
  std::vector<std::string> other;
  const std::vector<DumpLayer> layers = ReadDump(ws("dump.txt"), &other);
  ASSERT_EQ(static_cast<int>(layers.size()), doc->GetLayerCount());
  EXPECT_NE(std::find(other.begin(), other.end(), "resolution 150 72"), other.end());
  EXPECT_NE(std::find(other.begin(), other.end(), "guide 336 horizontal"), other.end());
  for (int i = 0; i < doc->GetLayerCount(); ++i) {
    const CLayer& layer = *doc->GetLayer(i);
    const DumpLayer& d = layers[i];
    SCOPED_TRACE(layer.GetName());
    EXPECT_EQ(d.name, layer.GetName());
    EXPECT_EQ(d.left, layer.GetRect().left);
    EXPECT_EQ(d.right, layer.GetRect().right);
    EXPECT_EQ(d.top, doc->GetHeight() - layer.GetRect().bottom);
    EXPECT_EQ(d.bottom, doc->GetHeight() - layer.GetRect().top);
    EXPECT_EQ(d.opacity, layer.GetOpacity());
    EXPECT_EQ(d.blend, AgPsdBlendName(layer.GetMergeMode()));
    EXPECT_EQ(d.hidden, layer.IsVisible() ? 0 : 1);
    EXPECT_EQ(d.clipping, layer.GetGrouped());
    // The transparency is no layer mask; only the masked Clipped layer is
    // transparency-locked.
    EXPECT_EQ(d.mask, 0);
    EXPECT_EQ(d.transparencyProtected, layer.GetName() == "Clipped" ? 1 : 0);
    ExpectLayerPixels(layer, FileBytes(ws("dump." + std::to_string(i) + ".rgba")), "ag-psd");
  }
  ExpectMerged(*doc, FileBytes(ws("dump.composite.rgba")), 4, "ag-psd");
}

// ---- ImageMagick ----

// Frames of a file as ImageMagick reads it: label, page offset and size.
struct Frame {
  std::string label;
  int x = 0, y = 0, width = 0, height = 0;
  std::string compose;
};

std::vector<Frame> Frames(const std::string& path) {
  std::vector<Frame> frames;
  std::istringstream lines(Shell(Identify() + " -format '%X %Y %w %h %[compose] [%l]\\n' '" + path + "'"));
  std::string line;
  while (std::getline(lines, line)) {
    Frame f;
    std::istringstream s(line);
    s >> f.x >> f.y >> f.width >> f.height >> f.compose;
    const std::size_t open = line.find('['), close = line.rfind(']');
    if (open != std::string::npos && close != std::string::npos) f.label = line.substr(open + 1, close - open - 1);
    frames.push_back(f);
  }
  return frames;
}

// The RGBA (or grey) bytes of what a shell generator draws.
Bytes Raw(const std::string& generator, const Workspace& ws, const char* format = "rgba") {
  const std::string out = ws("raw." + std::string(format));
  Shell(Magick() + " " + generator + " -depth 8 " + format + ":'" + out + "'");
  return FileBytes(out);
}

const char* MagickCompose(const CLayer& layer) {
  if (!layer.IsVisible()) return "None";
  static const char* const kNames[kMergeModeCount] = {
      "Over",     "Darken",     "Lighten",   "Hue",        "Saturate",   "Colorize",  "Luminize",
      "Multiply", "Screen",     "Dissolve",  "Overlay",    "HardLight",  "SoftLight", "Difference",
      "Exclusion", "ColorDodge", "ColorBurn", "LinearDodge", "MinusSrc"};
  return kNames[layer.GetMergeMode()];
}

TEST(LayeredInterop, ImageMagickReadsWhatThisProgramWrites) {
  Workspace ws;
  CLayersManagerPtr doc = RichDocument(kWAType24, 0);
  doc->SetNativeFormat(0);
  CRWLayers(doc.get()).Save(ws("ours.psd"), 1);
  const std::vector<Frame> frames = Frames(ws("ours.psd"));
  ASSERT_EQ(static_cast<int>(frames.size()), doc->GetLayerCount() + 1);
  ExpectMerged(*doc, Raw("'" + ws("ours.psd") + "[0]' -alpha off", ws, "rgb"), 3, "ImageMagick");
  for (int i = 0; i < doc->GetLayerCount(); ++i) {
    const CLayer& layer = *doc->GetLayer(i);
    const Frame& f = frames[static_cast<std::size_t>(i) + 1];
    SCOPED_TRACE(layer.GetName());
    EXPECT_EQ(f.label, Utf8ToAnsi(layer.GetName()));  // ImageMagick shows the 8-bit name
    EXPECT_EQ(f.x, layer.GetRect().left);
    EXPECT_EQ(f.y, doc->GetHeight() - layer.GetRect().bottom);
    EXPECT_EQ(f.width, RectWidth(layer.GetRect()));
    EXPECT_EQ(f.height, RectHeight(layer.GetRect()));
    EXPECT_EQ(f.compose, MagickCompose(layer));
    // ImageMagick folds the layer's opacity into its alpha.
    const Bytes rgba = Raw("'" + ws("ours.psd") + "[" + std::to_string(i + 1) + "]' -alpha on", ws);
    ASSERT_EQ(rgba.size(), static_cast<std::size_t>(f.width) * f.height * 4);
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        const std::uint8_t* p = rgba.data() + (static_cast<std::size_t>(y) * f.width + x) * 4;
        const std::array<int, 4> want = LayerRGBA(layer, x, y);
        ASSERT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{want[0], want[1], want[2]}))
            << x << "," << y;
        ASSERT_NEAR(p[3], want[3] * layer.GetOpacity() / 255.0, 1.0) << x << "," << y;
      }
    }
  }
}

// ---- Opened and saved again ----

// Dumps a file with ag-psd and returns its layers.
std::vector<DumpLayer> AgPsdLayers(const Workspace& ws, const std::string& file, const std::string& prefix) {
  Shell(NodeTool() + " dump '" + ws(file) + "' '" + ws(prefix) + "'");
  std::vector<std::string> other;
  return ReadDump(ws(prefix + ".txt"), &other);
}

CLayersManagerPtr Open(const std::string& path) { return CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path)); }

void SavePsd(CLayersManager& doc, const std::string& path) {
  doc.SetNativeFormat(0);
  CRWLayers(&doc).Save(path, 1);
}

// Opening another program's file and saving it loses nothing that program
// reads back: Unicode names, empty layers, every lock bit, blend keys this
// program does not have, and no mask record without mask pixels; a second
// open and save gives the same bytes, Dissolve's merged image included.
TEST(LayeredInterop, OpeningAndSavingKeepsWhatAgPsdWrote) {
  Workspace ws;
  Shell(NodeTool() + " make-keep '" + ws("made.psd") + "'");
  const std::vector<DumpLayer> made = AgPsdLayers(ws, "made.psd", "made");
  ASSERT_EQ(made.size(), 6u);
  CLayersManagerPtr doc = Open(ws("made.psd"));
  ASSERT_EQ(doc->GetLayerCount(), 6);  // the empty layer keeps its place
  EXPECT_EQ(doc->GetLayer(2)->GetMergeMode(), kMergeNormal);  // "fdiv" renders as Normal
  EXPECT_EQ(doc->GetLayer(5)->GetMergeMode(), kMergeDissolve);
  EXPECT_TRUE(WritesAsEmptyLayer(*doc->GetLayer(3)));
  SavePsd(*doc, ws("saved.psd"));

  const std::vector<DumpLayer> saved = AgPsdLayers(ws, "saved.psd", "saved");
  ASSERT_EQ(saved.size(), made.size());
  for (std::size_t i = 0; i < made.size(); ++i) {
    const DumpLayer& a = made[i];
    const DumpLayer& b = saved[i];
    SCOPED_TRACE(a.name);
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.blend, a.blend);
    EXPECT_EQ(b.locks, a.locks);
    EXPECT_EQ(b.transparencyProtected, a.transparencyProtected);
    EXPECT_EQ(b.mask, 0);
    EXPECT_EQ(b.opacity, a.opacity);
    EXPECT_EQ((std::array<int, 4>{b.left, b.top, b.right, b.bottom}), (std::array<int, 4>{a.left, a.top, a.right, a.bottom}));
    if (a.right > a.left) {
      EXPECT_EQ(FileBytes(ws("saved." + std::to_string(i) + ".rgba")), FileBytes(ws("made." + std::to_string(i) + ".rgba")));
    }
  }
  ExpectMerged(*doc, FileBytes(ws("saved.composite.rgba")), 4, "ag-psd");

  // ImageMagick reads the saved file as it reads the maker's (it passes
  // over empty layers and shows 8-bit names).
  const std::vector<Frame> madeFrames = Frames(ws("made.psd"));
  const std::vector<Frame> frames = Frames(ws("saved.psd"));
  ASSERT_EQ(frames.size(), madeFrames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ((std::array<int, 4>{frames[i].x, frames[i].y, frames[i].width, frames[i].height}),
              (std::array<int, 4>{madeFrames[i].x, madeFrames[i].y, madeFrames[i].width, madeFrames[i].height}));
    EXPECT_EQ(frames[i].compose, madeFrames[i].compose) << i;
  }
  EXPECT_EQ(frames[1].label, "Bottom");
  EXPECT_EQ(frames.back().label, "Dissolve");

  CLayersManagerPtr again = Open(ws("saved.psd"));
  SavePsd(*again, ws("again.psd"));
  EXPECT_EQ(FileBytes(ws("again.psd")), FileBytes(ws("saved.psd")));
}

// A renamed layer takes its new name in both places.
TEST(LayeredInterop, RenamedLayerWritesItsNewName) {
  Workspace ws;
  Shell(NodeTool() + " make-keep '" + ws("made.psd") + "'");
  CLayersManagerPtr doc = Open(ws("made.psd"));
  doc->GetLayer(1)->SetName("Renamed \xC3\xA9");
  SavePsd(*doc, ws("saved.psd"));
  EXPECT_EQ(AgPsdLayers(ws, "saved.psd", "saved")[1].name, "Renamed \xC3\xA9");
}

// A layer wider than an image may be is refused before anything is made of
// it; the widest one opens.
TEST(LayeredInterop, LayerSizeIsBoundedLikeTheCanvas) {
  Workspace ws;
  Shell(NodeTool() + " make-wide '" + ws("wide.psd") + "'");
  CLayersManagerPtr doc = Open(ws("wide.psd"));
  ASSERT_EQ(doc->GetLayerCount(), 1);
  EXPECT_EQ(RectWidth(doc->GetLayer(0)->GetRect()), 30000);
  // Widen the layer's record by a pixel, and by four million.
  Bytes file = FileBytes(ws("wide.psd"));
  ReadFile probe(file);
  LayeredReader in(probe.file);
  CLayersManagerPtr scratch = CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 1, 1, 0x00600060u, 0, 1));
  scratch->ReadFileHeader(in);
  const std::uint64_t record = in.Position();
  for (std::uint32_t right : {30001u, 4194176u}) {
    StoreBE32(file.data() + record + 12, right);
    std::ofstream(ws("wider.psd"), std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                           static_cast<std::streamsize>(file.size()));
    try {
      Open(ws("wider.psd"));
      ADD_FAILURE() << "a layer " << right << " pixels wide was read";
    } catch (const layer_err_fread& e) {
      EXPECT_NE(std::string(e.what()).find("30000"), std::string::npos) << e.what();
    }
  }
}

// What the writer writes, the reader reads: layers at the farthest place
// and of the largest size the file holds go and come back (ag-psd reads
// them too); one beyond is refused before the target is touched.
TEST(LayeredInterop, LayersAtTheLimitsGoAndComeBack) {
  Workspace ws;
  CLayersManagerPtr doc = CLayersManagerPtr::Adopt(new CLayersManager(kWAType24, nullptr, 40, 30, 0x00600060u, 0xFFFFFFu, 0));
  const LONG far = static_cast<LONG>(kMaxLayerCoordinate);
  const RECT rects[] = {MakeRect(-far, 0, -far + kMaxImageSide, 1), MakeRect(far - 3, 30 - far, far, 30 - far + 2),
                        MakeRect(0, 0, kMaxImageSide, 1), MakeRect(0, 0, 1, kMaxImageSide)};
  for (const RECT& rect : rects) {
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo("Far"), kWAType24, 1));
    ASSERT_EQ(doc->AddLayer(layer.get()), 0);
  }
  SavePsd(*doc, ws("far.psd"));
  CLayersManagerPtr back = Open(ws("far.psd"));
  ASSERT_EQ(back->GetLayerCount(), doc->GetLayerCount());
  const std::vector<DumpLayer> dumped = AgPsdLayers(ws, "far.psd", "far");
  ASSERT_EQ(static_cast<int>(dumped.size()), doc->GetLayerCount());
  for (int i = 0; i < doc->GetLayerCount(); ++i) {
    const RECT& r = doc->GetLayer(i)->GetRect();
    EXPECT_TRUE(RectsEqual(back->GetLayer(i)->GetRect(), r)) << i;
    EXPECT_EQ((std::array<LONG, 4>{dumped[i].left, dumped[i].top, dumped[i].right, dumped[i].bottom}),
              (std::array<LONG, 4>{r.left, 30 - r.bottom, r.right, 30 - r.top})) << i;
  }

  // Moved beyond what the file holds: refused, and the file stays as it was.
  const Bytes before = FileBytes(ws("far.psd"));
  doc->GetLayer(1)->MoveTo(POINT{-19999997, 0});
  try {
    SavePsd(*doc, ws("far.psd"));
    ADD_FAILURE() << "a layer beyond the file's limits was saved";
  } catch (const layer_err_fwrite& e) {
    EXPECT_NE(std::string(e.what()).find("too far outside"), std::string::npos) << e.what();
  }
  EXPECT_EQ(FileBytes(ws("far.psd")), before);
  for (const auto& entry : fs::directory_iterator(ws(""))) {
    EXPECT_EQ(entry.path().filename().string().find(".lumora-tmp-"), std::string::npos) << "left behind: " << entry.path();
  }
}

// ImageMagick writes its keys byte-reversed ("mron", "nrcs", " lum"): they
// read as their modes and are saved the right way round.
TEST(LayeredInterop, ImageMagicksReversedKeysReadAsTheirModes) {
  Workspace ws;
  Shell(Magick() + " -size 20x20 xc:red \\( -size 10x10 xc:blue -set label Plain -repage +2+2 \\) "
        "\\( -size 8x8 xc:green -set label Screen -set compose Screen -repage +1+1 \\) "
        "\\( -size 6x6 xc:gray -set label Multiply -set compose Multiply -repage +3+3 \\) -depth 8 '" + ws("im.psd") + "'");
  const Bytes made = FileBytes(ws("im.psd"));
  const std::string text(made.begin(), made.end());
  ASSERT_NE(text.find("8BIMnrcs"), std::string::npos) << "ImageMagick no longer writes reversed keys";
  ASSERT_NE(text.find("8BIM lum"), std::string::npos);
  CLayersManagerPtr doc = Open(ws("im.psd"));
  ASSERT_EQ(doc->GetLayerCount(), 3);
  EXPECT_EQ(doc->GetLayer(0)->GetMergeMode(), kMergeNormal);
  EXPECT_EQ(doc->GetLayer(1)->GetMergeMode(), kMergeScreen);
  EXPECT_EQ(doc->GetLayer(2)->GetMergeMode(), kMergeMultiply);
  SavePsd(*doc, ws("saved.psd"));
  const std::vector<DumpLayer> saved = AgPsdLayers(ws, "saved.psd", "saved");
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].blend, "normal");
  EXPECT_EQ(saved[1].blend, "screen");
  EXPECT_EQ(saved[2].blend, "multiply");
  const std::vector<Frame> frames = Frames(ws("saved.psd"));
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[2].compose, "Screen");
  EXPECT_EQ(frames[3].compose, "Multiply");
}

TEST(LayeredInterop, ReadsWhatImageMagickMakes) {
  Workspace ws;
  const std::string gradient = "-size 20x10 gradient:'rgb(255,0,0)-rgb(0,0,255)'";
  const std::string half = "-size 10x10 xc:none -fill 'rgb(0,200,0)' -draw 'rectangle 0,0 4,9'";
  Shell(Magick() + " -size 40x30 gradient:yellow-cyan \\( " + gradient + " -set label Gradient -repage +5+7 \\) \\( " +
        half + " -set label Half -repage +20+15 \\) -depth 8 -compress RLE '" + ws("rgb.psd") + "'");
  CLayersManagerPtr rgb = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("rgb.psd")));
  ASSERT_EQ(rgb->GetLayerCount(), 2);
  EXPECT_EQ(rgb->GetImageType(), kWAType24);
  const struct {
    const char* name;
    std::string generator;
    int x, y;
  } layers[] = {{"Gradient", gradient, 5, 7}, {"Half", half, 20, 15}};
  for (int i = 0; i < 2; ++i) {
    const CLayer& layer = *rgb->GetLayer(i);
    EXPECT_EQ(layer.GetName(), layers[i].name);
    EXPECT_EQ(layer.GetRect().left, layers[i].x);
    EXPECT_EQ(rgb->GetHeight() - layer.GetRect().bottom, layers[i].y);
    const Bytes want = Raw(layers[i].generator, ws);
    const int w = RectWidth(layer.GetRect()), h = RectHeight(layer.GetRect());
    ASSERT_EQ(want.size(), static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = want.data() + (static_cast<std::size_t>(y) * w + x) * 4;
        const std::array<int, 4> got = LayerRGBA(layer, x, y);
        ASSERT_EQ(got[3], p[3]) << layers[i].name << " " << x << "," << y;
        if (p[3] != 0) {
          ASSERT_EQ((std::array<int, 3>{got[0], got[1], got[2]}), (std::array<int, 3>{p[0], p[1], p[2]}));
        }
      }
    }
  }

  // Greyscale: a grey composite and one grey layer.
  Shell(Magick() + " -size 40x30 gradient:white-black -colorspace Gray \\( -size 20x10 gradient:gray20-gray90 "
        "-colorspace Gray -set label G1 -repage +3+4 \\) -depth 8 -compress RLE '" + ws("grey.psd") + "'");
  CLayersManagerPtr grey = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("grey.psd")));
  ASSERT_EQ(grey->GetLayerCount(), 1);
  EXPECT_EQ(grey->GetImageType(), kWAType8Grey);
  const Bytes wantGrey = Raw("-size 20x10 gradient:gray20-gray90 -colorspace Gray", ws, "gray");
  const CLayer& g1 = *grey->GetLayer(0);
  EXPECT_EQ(g1.GetName(), "G1");
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) ASSERT_EQ(LayerRGBA(g1, x, y)[0], wantGrey[static_cast<std::size_t>(y) * 20 + x]);
  }

  // Bitmap: one bit a pixel, set for white in the buffer.
  Shell(Magick() + " -size 37x30 pattern:checkerboard -monochrome -depth 1 -compress RLE '" + ws("bits.psd") + "'");
  CLayersManagerPtr bits = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("bits.psd")));
  ASSERT_EQ(bits->GetLayerCount(), 1);
  const VrWA2000::WA* image = bits->GetLayer(0)->PeekImage();
  ASSERT_EQ(image->GetType(), kWAType1Bit);
  const Bytes wantBits = Raw("-size 37x30 pattern:checkerboard -monochrome", ws, "gray");
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 37; ++x) {
      const bool white = (image->Row(29 - y)[x / 8] >> (7 - x % 8)) & 1;
      ASSERT_EQ(white, wantBits[static_cast<std::size_t>(y) * 37 + x] > 127) << x << "," << y;
    }
  }
}
// An embedded colour profile (resource 0x040F) is kept with the stack and
// written back: ImageMagick embeds Ghostscript's Adobe RGB profile, reads
// the same bytes out of the file this program saves; an odd-sized profile
// goes and comes back with its pad.
TEST(LayeredInterop, EmbeddedColourProfileIsKeptAndWrittenBack) {
  Workspace ws;
  const std::string icc = "/usr/share/ghostscript/10.00.0/iccprofiles/a98.icc";
  if (!fs::exists(icc)) GTEST_SKIP() << "no " << icc;
  const Bytes profile = FileBytes(icc);
  Shell(Magick() + " -size 40x30 gradient:yellow-cyan \\( -size 20x10 gradient:red-blue -set label L1 -repage +5+7 \\)"
        " -profile '" + icc + "' -depth 8 -compress RLE '" + ws("icc.psd") + "'");
  CLayersManagerPtr doc = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("icc.psd")));
  ASSERT_GT(doc->GetLayerCount(), 0);
  EXPECT_EQ(doc->IccProfile(), profile);
  doc->SetNativeFormat(0);
  CRWLayers(doc.get()).Save(ws("saved.psd"), 1);
  Shell(Magick() + " '" + ws("saved.psd") + "[0]' '" + ws("saved.icc") + "'");
  EXPECT_EQ(FileBytes(ws("saved.icc")), profile);

  Bytes odd(1001);
  for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<std::uint8_t>(i * 7);
  doc->IccProfile() = odd;
  CRWLayers(doc.get()).Save(ws("odd.psd"), 1);
  CLayersManagerPtr again = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, ws("odd.psd")));
  EXPECT_EQ(again->IccProfile(), odd);
  EXPECT_EQ(again->GetLayerCount(), doc->GetLayerCount()) << "the blocks after the profile read as before";
}

}  // namespace
}  // namespace lumora::testing
#endif

