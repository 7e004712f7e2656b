// Image/Apply Image...'s hold on its target while the dialog is open: one
// undo step "Apply image" opened at the start, the image as it was before
// (what every computation reads), and the replacement of the active layer
// by each new result. Cancel takes the step back; so does OK when nothing
// was ever put in, so that no empty step is left.
#pragma once

#include <string>

#include "document/ImageDocument.h"

namespace lumora {

// An open image the dialog may read from, by its title.
struct ApplyImageDocument {
  std::string title;
  ImageDocument* document = nullptr;
};

class ApplyImageSession {
 public:
  // Opens the step; Valid() is false without an image, an active layer or
  // the step.
  explicit ApplyImageSession(ImageDocument* document);
  ~ApplyImageSession();
  ApplyImageSession(const ApplyImageSession&) = delete;
  ApplyImageSession& operator=(const ApplyImageSession&) = delete;

  bool Valid() const { return saved_ != nullptr; }
  ImageDocument* Document() const { return document_; }
  // The stack before the dialog (its layers hold the live layers' buffers,
  // which nothing writes: results are new layers) and its active layer.
  CLayersManager* Saved() const { return saved_.get(); }
  CLayer* SavedActive() const { return saved_ ? saved_->GetActiveLayer() : nullptr; }

  // The replacement directly above the active layer, made active, and the
  // previous active layer taken out (no step of its own); false, with the
  // document as it was, when it cannot be inserted.
  bool Put(CLayer* replacement);
  // An unchanged copy of the saved active layer in its place.
  bool PutOriginal();
  bool Changed() const { return changed_; }
  // OK keeps the step when something was put in; Cancel (or OK with
  // nothing put in) takes it back and leaves the modified mark as it was.
  void End(bool ok);

 private:
  ImageDocument* document_;
  CLayersManagerPtr saved_;
  bool wasModified_ = false;
  bool changed_ = false;
  bool ended_ = false;
};

}  // namespace lumora
