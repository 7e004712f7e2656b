// A running interactive transform of a layer (the selected pixels of the
// active layer, or the whole layer): the lifted source, the temporary layer
// that shows the result in the stack, its undo step, and commit or cancel.
// The frame decides the shape; the view drives the session with its hook.
#pragma once

#include <memory>

#include "document/ImageDocument.h"
#include "engine/layers/Layer.h"
#include "engine/pixels/WAccess.h"
#include "select/TransformFrame.h"

class Fragment;

namespace lumora {

class TransformSession {
 public:
  ~TransformSession();
  TransformSession(const TransformSession&) = delete;
  TransformSession& operator=(const TransformSession&) = delete;

  // Lifts the active layer's selected pixels (all of them when nothing
  // usable is selected) and puts the frame over them; for a whole layer the
  // frame covers the part shown (`shown`, image coordinates, null: all of
  // it). Null when nothing can be lifted or the frame refuses.
  static std::unique_ptr<TransformSession> StartLayer(ImageDocument& doc, TInterface& frame, const RECT* shown);

  // The selection's shape alone (an empty selection: the whole image);
  // null without a selection or when the frame refuses.
  static std::unique_ptr<TransformSession> StartSelection(ImageDocument& doc, TInterface& frame);

  // After a button release: a new shape is rendered into the temporary
  // layer, a moved frame moves it (a selection transform sets the
  // selection instead, its first change as the step "Set Selection").
  void AfterRelease();
  // Enter, a double click or Yes: the result takes its place in the stack.
  void Commit();
  // Escape or No: the stack and the selection as they were.
  void Cancel();

  bool WholeLayer() const { return wholeLayer_; }
  bool SelectionOnly() const { return selectionOnly_; }
  bool StepTaken() const { return backupTaken_; }
  CLayer* TemporaryLayer() const { return transformed_.get(); }
  const RECT& SourceRect() const { return sourceRect_; }

 private:
  TransformSession(ImageDocument& doc, TInterface& frame) : doc_(doc), frame_(frame) {}
  void TransformLayerImage();
  void MoveTransformedLayer();
  void Refresh(RECT r);
  void PlaceSelection(VrWA2000::WA* mask, POINT origin);
  void RemoveTemporary();
  void ApplySelectionTransform();
  bool selectionOnly_ = false;
  POINT sourceOrigin_{0, 0};
  // For the macro statement of a committed layer transform.
  int layerIndex_ = -1;
  Fragment* fragment_ = nullptr;  // a shared reference, or null

  ImageDocument& doc_;
  TInterface& frame_;
  WAPtr layerMask_;
  WAPtr layerImage_;
  WAPtr selectionMask_;
  bool backupTaken_ = false;
  CLayerPtr transformed_;
  CLayer* target_ = nullptr;
  RECT sourceRect_{};
  bool wholeLayer_ = false;
  bool done_ = false;
  // The tool host's preview stays off while the transform runs.
  std::unique_ptr<DocumentPreviewOff> previewOff_;
};

class NumericTransformForm;

// The selection as a mask fragment for a transform (an empty selection: the
// whole image) and its bounding rect; null without a selection.
Fragment* SelectionMaskForTransform(const Fragment* selection, int imageWidth, int imageHeight, RECT* bounds);
// The mask by the dialog's numbers: resized keeping its centre, skewed,
// turned about its centre, then moved; a new mask fragment (the caller's),
// or null when nothing is asked or a stage fails.
Fragment* NumericSelectionTransform(const Fragment* mask, RECT rect, const NumericTransformForm& form,
                                    int imageHeight);

}  // namespace lumora
