// Flattening a Photoshop file that ag-psd writes (masks, a clipping group,
// multiply, screen and a part-opaque layer): the flat layer is the stack's
// composite on white, and the PNG saved from it is ImageMagick's flattening
// of the same file within 2 per channel. Native only: the tools run on the
// build machine.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"
#include "engine/pixels/WAccess.h"
#include "tests/document/null_host.h"
#include "tests/support/temp_workspace.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

class NoQuestions : public DocumentFileHost {
 public:
  bool AskNewImage(NewImageChoice*) override { return false; }
  bool ConfirmWarning(const std::string&) override { return true; }
  void ReportFileError(int, const std::string&, const std::string&) override {}
};

void Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(status, 0) << command;
}

std::string LayerFilesTool() {
  const char* prefix = std::getenv("LUMORA_NODE_PREFIX");
  const fs::path tool = fs::path(LUMORA_TEST_DATA).parent_path() / "document" / "interop" / "layer_files.js";
  return "NODE_PATH='" + std::string(prefix != nullptr ? prefix : "/opt/lumora/node") + "/node_modules' node '" +
         tool.string() + "'";
}

// A binary PPM (P6, 8 bits) as RGB bytes, top row first.
std::vector<std::uint8_t> ReadPpm(const std::string& path, int* width, int* height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> *width >> *height >> max;
  in.get();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*width) * *height * 3);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return magic == "P6" && max == 255 && in ? bytes : std::vector<std::uint8_t>{};
}

TEST(LayerFlattenInterop, FlattenEqualsTheCompositeOnWhiteAndImageMagicksFlattening) {
  testing::Workspace ws("lumora-flatten-");
  Shell(LayerFilesTool() + " '" + ws("") + "'");
  testing::NullDocumentHost host;
  NoQuestions files;
  ImageDocument doc(&host);
  ASSERT_NE(OpenDocumentFile(doc, ws("modes.psd"), files), 0);
  CLayersManager& stack = *doc.GetLayers();
  ASSERT_EQ(stack.GetLayerCount(), 4);
  ASSERT_TRUE(stack.GetLayer(2)->GetGrouped()) << "Top is clipped to Mid";
  const WAPtr composite = stack.CreateMergedImage(1, 255, 255, 255);
  ASSERT_TRUE(composite);

  ASSERT_TRUE(doc.FlattenImage());
  ASSERT_EQ(stack.GetLayerCount(), 1);
  const WAPtr flat = stack.GetLayer(0)->GetImage();
  ASSERT_EQ(flat->GetW(), composite->GetW());
  ASSERT_EQ(flat->GetH(), composite->GetH());
  for (int y = 0; y < flat->GetH(); ++y) {
    ASSERT_EQ(std::vector<std::uint8_t>(flat->Row(y), flat->Row(y) + flat->GetW() * 3),
              std::vector<std::uint8_t>(composite->Row(y), composite->Row(y) + composite->GetW() * 3))
        << "row " << y;
  }

  // Shown whole first, the document flattens from its composite: the same.
  ImageDocument shown(&host);
  ASSERT_NE(OpenDocumentFile(shown, ws("modes.psd"), files), 0);
  ASSERT_EQ(shown.InvalidateImageRect(nullptr, false, false), 1);
  ASSERT_TRUE(shown.FlattenImage());
  const WAPtr fromComposite = shown.GetLayers()->GetLayer(0)->GetImage();
  for (int y = 0; y < flat->GetH(); ++y) {
    ASSERT_EQ(0, std::memcmp(fromComposite->Row(y), flat->Row(y), static_cast<std::size_t>(flat->GetW()) * 3)) << y;
  }
  shown.Queue().StopThread();

  ASSERT_NE(SaveToFile(doc, ws("flat.png"), false, files), 0);
  Shell("convert '" + ws("flat.png") + "' -depth 8 'ppm:" + ws("ours.ppm") + "'");
  // The layers only: the file's merged image is not one of them.
  Shell("convert '" + ws("modes.psd") + "[1-9]' -background white -flatten -depth 8 'ppm:" + ws("theirs.ppm") + "'");
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  const std::vector<std::uint8_t> ours = ReadPpm(ws("ours.ppm"), &w1, &h1);
  const std::vector<std::uint8_t> theirs = ReadPpm(ws("theirs.ppm"), &w2, &h2);
  ASSERT_EQ(w1, 64);
  ASSERT_EQ(h1, 48);
  ASSERT_EQ(w2, w1);
  ASSERT_EQ(h2, h1);
  ASSERT_EQ(ours.size(), theirs.size());
  int worst = 0, off = 0;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    const int d = std::abs(ours[i] - theirs[i]);
    worst = std::max(worst, d);
    if (d > 2 && ++off <= 5) ADD_FAILURE() << "pixel " << i / 3 % 64 << "," << i / 3 / 64 << " channel " << i % 3 << ": " << int(ours[i]) << " vs " << int(theirs[i]);
  }
  EXPECT_LE(worst, 2);
}

}  // namespace
}  // namespace lumora
#endif
