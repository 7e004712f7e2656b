// Shared by the layered-file tests: a document with every attribute the
// file carries, writing a stack to bytes and reading bytes into a stack.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/layers/LayerText.h"
#include "engine/layered/RWLayers.h"
#include "psd_support.h"
#include "engine/layers/stack_support.h"

namespace lumora::testing {

inline Bytes WriteStack(CLayersManager& stack, int native, int writeMerged = 1) {
  stack.SetNativeFormat(static_cast<std::uint32_t>(native));
  MemFile file(1 << 16);
  CRWLayers(&stack, &file).Write(writeMerged);
  return Contents(file);
}

inline CLayersManagerPtr ReadStack(const Bytes& bytes) {
  ReadFile f(bytes);
  return CLayersManagerPtr::Adopt(new CLayersManager(nullptr, &f.file));
}

inline CCharFormat TextChar(char c, int size, const char* face, int bold = 0) {
  CCharFormat f;
  f.character = static_cast<std::uint8_t>(c);
  f.size = size;
  f.face = face;
  f.bold = bold;
  return f;
}

// A 40 x 30 document of the type with: a background layer; a masked Screen
// layer at 60 % with blend-if ranges, a locked position, a mask default
// colour and a disabled mask, linked; a hidden clipped layer above it,
// linked too, with its transparency locked; an Add layer (with parameters
// of its own for the native variant, which alone keeps them); a text
// layer; three guides, 150 x 72 dpi, the third layer active and a global
// layer mask record of its own.
inline CLayersManagerPtr RichDocument(int type, int native = 1) {
  CLayersManagerPtr stack = CLayersManagerPtr::Adopt(
      new CLayersManager(type, nullptr, 40, 30, 0x00480096u, 0x2060A0u, 0));
  stack->GetBottomLayer()->SetName("Background");
  auto make = [type](RECT rect, int seed, bool mask, const char* name) {
    CLayerPtr layer = CLayerPtr::Adopt(new CLayer(&rect, DefaultInfo(name), type, mask ? 1 : 0));
    VrWA2000::WA* image = layer->PeekImage();
    const int bytes = type == kWAType24 ? 3 * image->GetW() : image->GetW();
    for (int y = 0; y < image->GetH(); ++y) {
      for (int i = 0; i < bytes; ++i) image->Row(y)[i] = static_cast<std::uint8_t>((i * seed + y * 7) % 251);
    }
    if (mask) {
      for (int y = 0; y < image->GetH(); ++y) {
        for (int x = 0; x < image->GetW(); ++x) layer->PeekMask()->Row(y)[x] = static_cast<std::uint8_t>(x * 20 + y);
      }
    }
    return layer;
  };
  CLayerPtr screen = make(MakeRect(-5, 3, 25, 20), 3, true, "Screen \xC3\xA9t\xC3\xA9");
  LAYER_INFO info = screen->GetLayerInfo();
  info.opacity = 60;
  info.mergeMode = kMergeScreen;
  info.lockPosition = 1;
  info.blendIf[0][1] = 30;
  info.blendIf[3][2] = 200;
  screen->SetLayerInfo(info);
  screen->SetMaskDefaultColor(255);
  screen->SetLinkId(2);
  CLayerPtr clipped = make(MakeRect(10, 10, 38, 29), 5, true, "Clipped");
  clipped->SetGrouped(1);
  clipped->SetVisible(0);
  clipped->SetLinkId(2);
  clipped->SetTransparencyLock(1);
  CLayerPtr add = make(MakeRect(0, 0, 40, 30), 11, false, "Add");
  add->SetMergeMode(kMergeAdd);
  if (native) add->SetAddScaleOffset(12500, -30);
  add->SetOpacity(128);
  CLayerPtr text = CLayerPtr::Adopt(new CLayerText(type));
  auto* t = static_cast<CLayerText*>(text.get());
  t->SetCharFormats({TextChar('H', 120, "Arial", 1), TextChar('i', 120, "Arial"), TextChar('\r', 120, "Arial"),
                     TextChar('\xE9', 240, "Georgia")});
  t->SetTextAttributes(0, 0x0000FF, 1, 4, 0, 3, 1);
  text->MoveTo(POINT{5, 5});
  for (CLayerPtr* layer : {&screen, &clipped, &add, &text}) EXPECT_EQ(stack->AddLayer(layer->get()), 0);
  screen->EnableMask(0);
  stack->Guides() = {{320, 0}, {10 * 32 + 16, 1}, {-64, 1}};
  stack->SetActiveLayerByIndex(2);
  GlobalLayerMaskInfo global;
  global.opacity = 70;
  global.color.components[1] = 1234;
  stack->SetGlobalLayerMask(global);
  return stack;
}

}  // namespace lumora::testing
