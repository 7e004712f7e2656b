// What the document's Image and Edit commands ask the user. The dialogs
// live in dialogs/, which the document does not reach: the application
// installs them here at start-up (tests may install their own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/ApplyImageSession.h"
#include "document/ImageDocument.h"
#include "document/MixingSession.h"

namespace lumora {

// Image/Image Size...: the image's values in, the new ones out.
struct ImageSizeQuestion {
  int width = 0, height = 0, xResolution = 0, yResolution = 0;
  std::uint64_t memory = 0;
  int newWidth = 0, newHeight = 0, newXResolution = 0, newYResolution = 0;
};

// Image/Canvas...: the image's size in, the new canvas (image
// coordinates) out.
struct CanvasQuestion {
  int width = 0, height = 0;
  RECT canvas{};
};

// Image/Duplicate...: the source in, the copy's name and merge choice out.
struct DuplicateQuestion {
  std::string title;
  const ImageDocument* source = nullptr;
  std::string name;
  bool merged = false;
};

// Edit/History...: the list in (the document previews while the dialog is
// open), the chosen index out.
struct HistoryQuestion {
  std::vector<std::string> names;
  int current = -1;
  ImageDocument* document = nullptr;
  int chosen = -1;
};

// Image/Frames...: the flattened image in (a packed DIB) with the mat
// colour; the border on every side and the frame picture with its mask
// (packed DIBs of the grown size) out.
struct FrameQuestion {
  std::vector<std::uint8_t> image;
  int width = 0, height = 0;
  bool grey = false;
  std::uint32_t matColor = 0xFFFFFF;
  int border = 0;
  std::vector<std::uint8_t> picture;
  std::vector<std::uint8_t> mask;
};

// Layer/Edges...: the active layer's picture in (a packed DIB) with the
// edge colour; the template, the lighting and the mask shaping it does out.
struct EdgeQuestion {
  std::vector<std::uint8_t> image;
  std::uint32_t edgeColor = 0xFFFFFF;
  std::uint32_t templateId = 0;
  int lighting = 0;
  std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)> shape;
};

// Image/Apply Image...: the session on the target (its one undo step, the
// image as it was), the target's title and the open images of the
// target's size, the target among them.
struct ApplyImageQuestion {
  ApplyImageSession* session = nullptr;
  std::string targetTitle;
  std::vector<ApplyImageDocument> documents;
};

// Image/Mixing...: the session on the target (its working layer) and the
// open images of the target's size in; after OK the grey result and the
// choice (0 New Document, 1 Selection) out.
struct MixingQuestion {
  MixingSession* session = nullptr;
  std::vector<ApplyImageDocument> documents;
  CLayerPtr result;
  int choice = 0;
};

// Each answers true for OK; an empty one is a command that asks nothing
// and does nothing.
struct ImageDialogs {
  std::function<bool(ImageSizeQuestion&)> imageSize;
  std::function<bool(CanvasQuestion&)> canvas;
  std::function<bool(DuplicateQuestion&)> duplicate;
  std::function<bool(HistoryQuestion&)> history;
  std::function<bool(FrameQuestion&)> frame;
  std::function<bool(EdgeQuestion&)> edges;
  // Not a question: edge template `id` of the catalogue the edges dialog
  // offers, as its mask shaping (empty when there is no such template), so
  // a recorded Edges statement shapes as the dialog's choice did.
  std::function<std::function<bool(std::uint8_t*, int, int, std::ptrdiff_t)>(std::uint32_t)> edgeTemplate;
  std::function<bool(ApplyImageQuestion&)> applyImage;
  std::function<bool(MixingQuestion&)> mixing;
};

ImageDialogs& TheImageDialogs();

}  // namespace lumora
