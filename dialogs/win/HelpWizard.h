// The help wizard: a modeless five-page wizard that applies one of the
// effects of its four tables to the active image, within a square or round
// region, with a preview of the chosen preset.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/HelpWizardForm.h"
#include "engine/pixels/WAccess.h"
#include "framework/win/Dialog.h"
#include "res/resource.h"

class Fragment;

namespace lumora {

class ImageDocument;

// What the wizard asks of the program.
class HelpWizardHost {
 public:
  virtual ~HelpWizardHost() = default;
  // The document of the active image window, or null.
  virtual ImageDocument* ActiveDocument() = 0;
  // A command sent to the main window (File/Open, Move selection).
  virtual void SendMainCommand(std::uint32_t id) = 0;
  // The tool host's site, for the tools' runs and the global selection.
  virtual const void* ToolHostSite() = 0;
};

class CHelpWizardSheet;

// The pages' common part: the sheet and the bound document.
class CHelpWizardPage : public fw::PropertyPage {
 public:
  CHelpWizardPage(CHelpWizardSheet& sheet, std::uint32_t templateId) : fw::PropertyPage(templateId), wizard_(sheet) {}
  virtual void SetDocument(ImageDocument* doc) { doc_ = doc; }
  ImageDocument* Document() const { return doc_; }
  // The bound document, bound again first when the active image window
  // changed without telling the wizard (a window closed under it).
  ImageDocument* LiveDocument();

 protected:
  CHelpWizardSheet& wizard_;
  ImageDocument* doc_ = nullptr;
};

class CHelpWizardPage1 : public CHelpWizardPage {
 public:
  explicit CHelpWizardPage1(CHelpWizardSheet& sheet) : CHelpWizardPage(sheet, IDD_HW_WELCOME) {}
  bool OnSetActive() override;
};

class CHelpWizardPage2 : public CHelpWizardPage {
 public:
  explicit CHelpWizardPage2(CHelpWizardSheet& sheet) : CHelpWizardPage(sheet, IDD_HW_IMAGE) {}
  void SetDocument(ImageDocument* doc) override;
  bool OnSetActive() override;
  LRESULT OnWizardNext() override;

 private:
  void Refresh();
};

class CHelpWizardPage3 : public CHelpWizardPage {
 public:
  explicit CHelpWizardPage3(CHelpWizardSheet& sheet) : CHelpWizardPage(sheet, IDD_HW_REGION) {}
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardNext() override;
  // The region's shape: 0 whole image, 1 rectangle, 2 ellipse.
  int Shape() const { return shape_; }

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void ChooseShape(int shape);
  // The document's selection made again from the shape and the sliders.
  void PlaceRegion();
  int shape_ = 0;
};

class CHelpWizardPage4 : public CHelpWizardPage {
 public:
  explicit CHelpWizardPage4(CHelpWizardSheet& sheet) : CHelpWizardPage(sheet, IDD_HW_KIND) {}
  bool OnSetActive() override;
  LRESULT OnWizardNext() override;
  LRESULT OnWizardBack() override;

 private:
  void StoreKind();
};

class CHelpWizardPage5 : public CHelpWizardPage {
 public:
  explicit CHelpWizardPage5(CHelpWizardSheet& sheet) : CHelpWizardPage(sheet, IDD_HW_EFFECT) {}
  void SetDocument(ImageDocument* doc) override;
  bool OnSetActive() override;
  // Apply: the effect on the active layer within the selection, one undo
  // step named after the effect; false (with the error shown) when the
  // tool refused.
  bool Apply();
  // What the preview shows and what it was made from.
  VrWA2000::WA* PreviewResult() const { return result_.get(); }
  VrWA2000::WA* PreviewSource() const { return source_.get(); }
  const dialogs::ParsedEffect& Effect() const { return effect_; }
  int Preset() const { return preset_; }
  std::string EffectName() const;
  // The Help command and F1: the page's topic (a control's popup topic for
  // F1 over a control that has one).
  void ShowPageHelp();

 protected:
  bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

 private:
  void FillEffects();
  void TakePreviewSource();
  // The combo's effect split, the spin set, and the preview computed.
  void PrepareEffect();
  void ComputePreview();
  void DrawPreview(const DRAWITEMSTRUCT& item);
  WAPtr source_;
  WAPtr result_;
  dialogs::ParsedEffect effect_;
  int effectIndex_ = 0;
  int preset_ = 0;
  int zoom_ = 4096;  // 4096 = 1:1
  POINT offset_{0, 0};
};

class CHelpWizardSheet : public fw::PropertySheet {
 public:
  CHelpWizardSheet(HelpWizardHost& host, fw::Window* parent);
  ~CHelpWizardSheet() override;
  // Shows the wizard modeless over the main window, bound to the active
  // document; false when it could not be made.
  bool Open();
  bool IsOpen() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  void SetDocument(ImageDocument* doc);
  HelpWizardHost& Host() { return host_; }
  // The kind of effect chosen on page 4, kept for the whole process.
  static int& Kind();
  // Whether the document may be worked on: there is one (else "Please load
  // some image first!") and it is flat (else the flatten question; No
  // refuses).
  bool CheckDocument(ImageDocument* doc);
  int Ask(std::uint32_t textId, UINT type);
  CHelpWizardPage5& EffectPage() { return page5_; }
  CHelpWizardPage3& RegionPage() { return page3_; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HelpWizardHost& host_;
  CHelpWizardPage1 page1_{*this};
  CHelpWizardPage2 page2_{*this};
  CHelpWizardPage3 page3_{*this};
  CHelpWizardPage4 page4_{*this};
  CHelpWizardPage5 page5_{*this};
};

}  // namespace lumora
