// The image document as the framework sees it: CLumo40Doc wraps the
// portable ImageDocument, the template and the manager carry how a file is
// to be read (by extension from File/Open, by its first bytes otherwise) to
// the document, so the file is read exactly once on every road.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/ApplyImageSession.h"
#include "document/DocumentFiles.h"
#include "document/ImageDocument.h"
#include "framework/Archive.h"
#include "framework/win/DocView.h"
#include "hostapi/draw.h"

namespace lumora {

struct ExportRequest;

// How the next OnOpenDocument of a template reads its file.
enum class OpenRoad { kByContent, kLayered, kFlat };

class CLayerCommands;
class CClipboardCommands;

class CLumo40Doc : public fw::Document, public DocumentHost, public DocumentFileHost {
  FW_DECLARE_MESSAGE_MAP()
  FW_DECLARE_DYNCREATE(CLumo40Doc)
  friend class CLayerCommands;
  friend class CClipboardCommands;

 public:
  CLumo40Doc();
  ~CLumo40Doc() override;

  ImageDocument& Image() { return *image_; }
  // The view window that runs the render queue's "ran dry" work on the
  // user-interface thread (null: none yet); the views keep it.
  std::atomic<HWND> queueWindow{nullptr};

  bool OnNewDocument() override;
  bool OnOpenDocument(const std::string& path) override;
  bool OnSaveDocument(const std::string& path) override;
  void DeleteContents() override;
  // Marks the image closing first: its views neither redraw nor re-activate.
  void OnCloseDocument() override;
  // Asks to save a changed document; after a save that kept only the
  // merged image, asks once more for its layers (a layered file, or no,
  // or Cancel), since closing would lose them.
  bool SaveModified() override;
  // Save (the current path) and Save As (no path): without a path the save
  // dialog asks; with `replace` the document takes the new name.
  bool DoSave(const std::string& path, bool replace = true) override;
  // The save dialog over the document's formats (every writable one when
  // exporting); `name` in and out; false for Cancel.
  bool PromptSaveFileName(std::string* name, std::uint32_t titleId, DWORD flags, bool exportMode);
  // The embedded object whose image this document edits for a container
  // (null: none). The object is told of the changes and of the closing.
  class ServerItem {
   public:
    virtual void SendUpdate() = 0;
    // The container keeps the image (closing asks no question for a file).
    virtual void SaveToContainer() = 0;
    virtual void DocumentClosing() = 0;
    // The container's name, as it gave it (empty: not known).
    virtual std::string ContainerName() const { return {}; }

   protected:
    ~ServerItem() = default;
  };
  ServerItem* serverItem = nullptr;
  // At the end of an idle pass: a change since the last flush reaches the
  // embedded object's container.
  void FlushServerItemUpdate();
  // An object bound to the document's file (another program's link): told
  // of every file the document writes, and when the document stops
  // standing for its file (closed, or saved under another name: `path` is
  // then the new one, empty when closing). The object decides by its own
  // file name.
  class FileLink {
   public:
    virtual void FileWritten(const std::string& path) = 0;
    virtual bool LinksTo(const std::string& path) = 0;
    virtual void DocumentGone() = 0;

   protected:
    ~FileLink() = default;
  };
  void AddFileLink(FileLink* link);
  void RemoveFileLink(FileLink* link);
  // The links follow the name: those of another file let go.
  void SetPathName(const std::string& path, bool addToRecentFiles = true) override;
  // Draws the composite image scaled to fit into a device-dependent bitmap
  // (the navigator's thumbnail), with its coverage; only the part showing
  // `imageRect` when one is given. False without an image. With `look`
  // the colours are shown as the views show them (gamma, colour management
  // from the document's profile to the monitor's).
  struct ThumbnailLook {
    VR_GAMMAOPT gamma;
    VR_CMPROFILES profiles;
  };
  bool RenderThumbnail(HBITMAP bitmap, const RECT* imageRect = nullptr, const ThumbnailLook* look = nullptr);
  // The layered data through an archive: loading installs what it reads
  // (or leaves it for a paste), storing writes the stack to serialise.
  void Serialize(fw::Archive& archive) override;

  // The Layer menu's commands come first, then the document's own.
  bool OnCmdMsg(fw::MessageArgs& args) override;
  // The Layer popup's rules by sub-popup (nothing for another popup).
  void UpdateLayerMenu(HMENU popup);

  void OnEditUndo();
  void OnEditRedo();
  void OnFileClose();
  // File/Save, refused while a tool tracks the mouse.
  void OnFileSaveCommand();
  // File/Update (the embedding menu): the container takes the image.
  void OnFileUpdate();
  void OnUpdateFileUpdate(fw::CmdUI& ui);
  // A copy in any format; the name, title and modified mark stay.
  void OnFileExport();
  // Web export: a flattened copy to the GIF, JPEG or PNG dialog; the
  // document, its selection and its modified mark stay as they are.
  void OnExportJPEG();
  void OnExportGIF();
  void OnExportPNG();
  // The selection's image-map text; enabled only with a selection.
  void OnExportMap();
  // File/Print... and File/Print/Marks...: the visible layers on white,
  // through the printing library.
  void OnFilePrint();
  void OnFilePrintMarks();
  void OnUpdateExportMap(fw::CmdUI& ui);
  // Layer/WEB Link...: the active layer's link text, as an undo step.
  void OnLayerWebLink();
  void OnUpdateLayerWebLink(fw::CmdUI& ui);
  void RunExport(const std::function<void(const ExportRequest&)>& dialog);
  // The file read again; a modified document asks first.
  void OnFileReload();
  void OnUpdateFileReload(fw::CmdUI& ui);
  void OnUpdateFileSave(fw::CmdUI& ui);
  void OnUpdateEditUndo(fw::CmdUI& ui);
  void OnUpdateEditRedo(fw::CmdUI& ui);
  // The shared handler of commands that are always available.
  void OnUpdateAlways(fw::CmdUI& ui);

  // Edit/History..., Image/Duplicate... and Image/Crop...
  // (Lumo40DocImage.cpp).
  void OnEditHistory();
  void OnImageApplyImage();
  void OnImageMixing();
  std::vector<ApplyImageDocument> SameSizeDocuments() const;
  void OnUpdateImageApplyImage(fw::CmdUI& ui);
  void OnImageDuplicate();
  void OnImageCrop();
  void OnUpdateImageCrop(fw::CmdUI& ui);
  void OnImageSize();
  void OnImageCanvas();
  void OnImageFrames();
  void OnLayerEdges();
  void OnUpdateImageFrames(fw::CmdUI& ui);
  void OnImageCropSelection();
  void OnUpdateImageCropSelection(fw::CmdUI& ui);
  void OnImageRotate180();
  // Image/Rotate Canvas/Numeric...: the angle from the Rotate dialog.
  void OnImageRotateNumeric();
  void OnImageRotate90CW();
  void OnImageRotate90CCW();
  void OnImageFlipHorizontal();
  void OnImageFlipVertical();
  // Image/Text and Image/Text Selection: the next click in one of this
  // document's views puts a new text layer there and opens the text
  // dialog on it (Lumo40DocText.cpp); enabled for layered images.
  void OnImageText();
  void OnImageTextSelection();
  void OnUpdateImageText(fw::CmdUI& ui);
  // The text dialog on the active text layer.
  void OnTextEditLayer();
  void OnUpdateTextEditLayer(fw::CmdUI& ui);
  // Rotations and flips are refused while a layer is a text layer.
  void OnUpdateNoTextLayer(fw::CmdUI& ui);
  // The crop of the tool host's site: the document cropped to the rect;
  // the first view's window, null on failure.
  HWND CropImage(const RECT& rect);
  // Every layer converted to grey (8) or true colour (16) with the
  // preview off; the tool host's site asks for these.
  bool ConvertToGray();
  bool ConvertToTrueColor();
  // The layers at an image point into the view's right-button menu, top
  // first, item id = the layer's list index + 1; 1, or 0 without layers or
  // a menu.
  int AddLayersAtPointToMenu(HMENU menu, int x, int y);

 protected:
  // DocumentHost
  bool ActiveWindowShowsDocument() override;
  void SendActiveLayerNotice(int, int) override {}
  void UpdateLayerInPalette(CLayer* layer) override;
  void SelectLayerInPalette(CLayer* layer) override;
  void UpdateLayerPalette() override;
  void LayerGroupsChanged() override { UpdateLayerPalette(); }
  void UpdateNavigator() override;
  void SyncColorsToActiveImage() override {}
  void ApplyTextLayerEdit(CLayer* layer) override;
  void NotifyToolOfActiveView() override {}
  void PostQueueEmpty() override;
  int CopyImageParameter(VrWA2000::WA* source, WAPtr* copy) override;
  void GetSmoothEdge(int* degree, int* type) override;
  void UpdateGlobalSelection() override {}
  void SetErrorCode(int, int) override {}
  void ShowMessage(int textId, int captionId) override;
  void ShowMessageText(const std::string& text, int captionId) override;
  void DisablePreview() override;
  void RestorePreview() override;
  COLORREF FillColour() override;
  std::string Title() override { return GetTitle(); }
  bool NewDocumentFromLayer(CLayer* layer, const std::string& title) override;
  void ActivateFrames() override;
  int LayoutTextLayer(CLayerText& layer) override;
  // DocumentFileHost
  bool AskNewImage(NewImageChoice* choice) override;
  bool ConfirmWarning(const std::string& text) override;
  void ReportFileError(int code, const std::string& path, const std::string& reason) override;

  void UndoRedoCommand(bool redo);
  static void EnableFiltered(fw::CmdUI& ui, bool enable);
  // The question for the layers after a flattening save; false for Cancel.
  bool SaveLayersBeforeClosing();

  // The last save wrote only the merged image of a layered document.
  bool flattenedBySave_ = false;

  std::unique_ptr<ImageDocument> image_;
  std::unique_ptr<CLayerCommands> layerCommands_;
  std::unique_ptr<CClipboardCommands> clipboardCommands_;
  std::vector<FileLink*> fileLinks_;
  // Every link told to let go (the document is gone, or names another
  // file); each is removed before it hears it.
  void ReleaseFileLinks(const std::string& path);
};

// The asker File/New uses for the new image's size and colour; false for
// Cancel.
using NewImageAsker = std::function<bool(NewImageChoice*)>;

// What the New Layer dialog gives back.
struct NewLayerChoice {
  LAYER_INFO info;
  bool fill = false;
};

// What the Duplicate Layer dialog gives back: the target (null: a new
// document with `documentName`), the copy's name, whether the target's
// windows come forward.
struct DuplicateLayerChoice {
  CLumo40Doc* target = nullptr;
  std::string name;
  std::string documentName;
  bool activate = false;
};

// The layer dialogs the Layer menu opens; the application installs them,
// so the document knows no dialog class. Each gives false for Cancel.
struct LayerDialogs {
  // New Layer: the record and the fill choice, preset by the document.
  std::function<bool(CLumo40Doc&, NewLayerChoice*)> newLayer;
  // Layer Options over the layer: it previews and commits its changes as
  // its own step; the record comes back on OK.
  std::function<bool(CLumo40Doc&, CLayer&, LAYER_INFO*)> layerOptions;
  std::function<bool(CLumo40Doc&, CLayer&, DuplicateLayerChoice*)> duplicateLayer;
  // Before a mask goes: 0 apply it, 1 discard it, 2 keep it.
  std::function<int()> removeMask;
};

// The layer palette as documents reach it; the application installs it, so
// the document knows no palette class. Each call names the document; the
// palette ignores documents it does not show.
struct LayerPaletteLink {
  // The layer's row drawn again (its thumbnails made anew).
  std::function<void(CLumo40Doc&, CLayer*)> updateLayer;
  // The layer's row made current.
  std::function<void(CLumo40Doc&, CLayer*)> selectLayer;
  // Every row made again from the document's layers.
  std::function<void(CLumo40Doc&)> rebuild;
};

inline constexpr std::uint32_t kIdFileUpdate = 57610;

class CLumo40DocTemplate : public fw::DocTemplate {
 public:
  CLumo40DocTemplate(std::uint32_t resourceId, const fw::RuntimeClass* docClass,
                     const fw::RuntimeClass* frameClass, const fw::RuntimeClass* viewClass)
      : fw::DocTemplate(resourceId, docClass, frameClass, viewClass) {}
  ~CLumo40DocTemplate() override;
  // "UNTITLED.1", "UNTITLED.2", ...
  void SetDefaultTitle(fw::Document* doc) override;
  // The document menu and keys, and the server's: the in-place menu (6)
  // and the embedding menu (9) with theirs.
  void LoadTemplate() override;
  HMENU InPlaceMenu() const { return inPlaceMenu_; }
  HACCEL InPlaceAccelerators() const { return inPlaceAccel_; }
  HMENU EmbeddingMenu() const { return embeddingMenu_; }
  HACCEL EmbeddingAccelerators() const { return embeddingAccel_; }
  // Popups 3 (Image) and 5 (Tools) of the in-place and embedding menus
  // refilled from the document menu's, which hold the registered tools.
  void RefillServerMenus();
  // Set by the manager for the one open that follows.
  OpenRoad nextRoad = OpenRoad::kByContent;

 private:
  HMENU inPlaceMenu_ = nullptr;
  HACCEL inPlaceAccel_ = nullptr;
  HMENU embeddingMenu_ = nullptr;
  HACCEL embeddingAccel_ = nullptr;
};

// Empties `target` and appends copies of every item of `source`, sub-popups
// made anew (state, id and text kept); false when a menu call failed.
bool RefillMenuPopup(HMENU target, HMENU source);

class CLumo40DocManager : public fw::DocManager {
 public:
  void OnFileNew() override;
  // Every chosen file, in the dialog's order.
  void OnFileOpen() override;
  // By extension: ".LUD" and ".PSD" layered, the rest through the
  // file-format library.
  fw::Document* OpenDocumentFile(const std::string& path) override;
  // Quotes stripped, made a full path; an open file's frame is activated
  // and nothing is read.
  fw::Document* OpenDocumentByPath(const std::string& path, OpenRoad road);

  NewImageAsker askNewImage;
  // The choice of the last File/New, read by the document it makes.
  const NewImageChoice* pendingChoice = nullptr;
  LayerDialogs layerDialogs;
  LayerPaletteLink palette;
  // Draws the six pictograms of the Align Linked (first id 32848) or
  // Distribute Linked (32854) entries into the menu; null: none.
  std::function<void(HMENU, std::uint32_t)> layerMenuPictures;
  // The application's background colour (red low); null: white.
  std::function<COLORREF()> backgroundColour;
  // The clipboard options of the preferences: copy only visible layers,
  // copy and cut the active layer only.
  std::function<void(bool* visibleOnly, bool* activeOnly)> clipboardOptions;
  // A document took a file's name (opened, saved under it): the server
  // makes the file known as running there (null: nothing).
  std::function<void(CLumo40Doc&)> fileNamed;
  // The selection-file choosers (the application installs them): Load
  // gives the fragment read (null: none) and 1 for OK, 2 for Cancel in
  // *status; Save gives non-zero when the fragment was written or the
  // user cancelled, 0 when writing failed. `selectionsRoot` is the folder
  // holding their "Selections" folder (empty: the program's).
  std::function<Fragment*(int* status)> loadSelectionDialog;
  std::function<int(const Fragment*)> saveSelectionDialog;
  std::string selectionsRoot;
  // What the application's next new document is made from (a layer, a
  // stack or an image), read by the document it makes.
  const CreationRecord* pendingRecord = nullptr;
  // The next new document is an embedded object's (shown for a container).
  bool pendingEmbedding = false;
};

// The image document's template and manager for the running program.
CLumo40DocManager* ImageDocManager();

}  // namespace lumora
