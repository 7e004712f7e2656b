// Image/Mixing...'s hold on its target while the dialog is open: a copy of
// the image as it was, and the working result layer on top of the stack
// (made active and shown while Preview is on). No undo step: when the
// session ends the working layer leaves, the former active layer comes
// back and the modified mark is as it was.
#pragma once

#include "document/ImageDocument.h"

namespace lumora {

class MixingSession {
 public:
  // Valid() is false without an image or when the working layer cannot be
  // made or inserted (nothing is left behind).
  explicit MixingSession(ImageDocument* document);
  ~MixingSession();
  MixingSession(const MixingSession&) = delete;
  MixingSession& operator=(const MixingSession&) = delete;

  bool Valid() const { return result_ != nullptr; }
  ImageDocument* Document() const { return document_; }
  CLayersManager* Saved() const { return saved_.get(); }
  CLayer* SavedActive() const { return saved_ ? saved_->GetActiveLayer() : nullptr; }
  // 8 or 16: the working layers' type.
  int TargetType() const { return type_; }
  // The working result layer (empty over the whole image at the start).
  CLayer* Result() const { return result_.get(); }
  // Shows or hides the working layer and refreshes the image.
  void Show(bool visible);
  // Takes the working layer out of the stack and gives the former active
  // layer back; the working layer is handed to the caller.
  CLayerPtr Finish();

 private:
  ImageDocument* document_;
  CLayersManagerPtr saved_;
  CLayerPtr result_;
  CLayer* formerActive_ = nullptr;
  bool wasModified_ = false;
  bool inStack_ = false;
  int type_ = 16;
};

}  // namespace lumora
