// The program's drop targets' base: it accepts only the layers dragged
// within the program ("Lumo40 W32 Layer") and shows a focus rectangle that
// follows the pointer while they are over its window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/layers/Layer.h"
#include "framework/win/OleDragDrop.h"

namespace lumora {

class CLuDropTarget : public fw::OleDropTarget {
 public:
  bool Accepted() const { return accepted_; }
  // Whether the data offers the layer format as a stream.
  static bool OffersLayer(IDataObject* data);
  // The layer a drag's stream names (a copy, one reference, the caller's),
  // or null when the stream names none this program offers: another
  // program's, or one whose drag has ended. `resolution`, when given, gets
  // the stream's resolution word (96/96 when it cannot be read).
  static CLayer* ReadDroppedLayer(IDataObject* data, std::uint32_t* resolution);

 protected:
  DWORD OnDragEnter(IDataObject* data, DWORD keyState, POINT client) override;
  // None when not accepted; copy otherwise, the rectangle moved with the
  // pointer (nothing drawn when the point did not move).
  DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT client) override;
  void OnDragLeave() override;
  void EraseFeedback();
  void DrawFeedback();

  bool accepted_ = false;
  POINT last_{0, 0};
  RECT feedback_{0, 0, 0, 0};
  bool shown_ = false;
};

}  // namespace lumora
