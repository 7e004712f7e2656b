// Cut, Copy, Copy Merged and Clear of an image document, and the data
// source a copy leaves on the OLE clipboard with its renderers.
#include "document/win/ClipboardCommands.h"

#include <memory>

#include "document/DocumentFiles.h"
#include "document/DocumentRecorder.h"
#include "document/DocumentServices.h"
#include "document/PasteFile.h"
#include "document/win/AppServices.h"
#include "engine/pixels/AppValues.h"
#include "engine/pixels/Dib.h"
#include "files/win/MyFileDialogs.h"
#include "document/ClassIds.h"
#include "document/ServerExtent.h"
#include "document/win/ServerRendering.h"
#include "framework/win/App.h"
#include "framework/win/OleDataSource.h"
#include "hostapi/toolhost.h"
#include "platform/stream_file.h"
#include "platform/trace.h"
#include "platform/win/window_text.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

const CLSID kDocumentClassId = {kDocumentClsid.data1,
                                kDocumentClsid.data2,
                                kDocumentClsid.data3,
                                {kDocumentClsid.data4[0], kDocumentClsid.data4[1], kDocumentClsid.data4[2],
                                 kDocumentClsid.data4[3], kDocumentClsid.data4[4], kDocumentClsid.data4[5],
                                 kDocumentClsid.data4[6], kDocumentClsid.data4[7]}};

const ClipboardFormatIds& ClipboardFormats() {
  static const ClipboardFormatIds ids = [] {
    ClipboardFormatIds f;
    f.marker = RegisterClipboardFormatA("Lumo40 W32 Pict Frg");
    f.mask = RegisterClipboardFormatA("Lumo40 W32 Mask");
    f.embeddedObject = RegisterClipboardFormatA("Embedded Object");
    f.embedSource = RegisterClipboardFormatA("Embed Source");
    f.linkSource = RegisterClipboardFormatA("Link Source");
    f.fileName = RegisterClipboardFormatA("FileName");
    f.fileNameW = RegisterClipboardFormatA("FileNameW");
    f.dib = CF_DIB;
    f.bitmap = CF_BITMAP;
    return f;
  }();
  return ids;
}

namespace {

constexpr char kSource[] = "Lumo40Doc";
// The selection could not be written.
constexpr int kSelectionNotWritten = 125;

void Enable(fw::CmdUI& ui, bool enable) { ui.Enable(FilterCommandEnable(ui.Id(), enable)); }

// What the data source renders from: the copied layers, the selection the
// copy kept and the copied document's size. It lives as long as the data
// source, so the data stay on offer after the document has closed.
// The standard formats of an embeddable copy, registered on first use.
struct ServerFormats {
  UINT objectDescriptor = RegisterClipboardFormatA("Object Descriptor");
  UINT linkSourceDescriptor = RegisterClipboardFormatA("Link Source Descriptor");
};
const ServerFormats& ServerFormatIds() {
  static const ServerFormats ids;
  return ids;
}

int DisplayDpi(int index) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return dpi;
}

class SnapshotData {
 public:
  SnapshotData(CLayersManager* snapshot, Fragment* fragment, int width, int height, std::wstring linkPath)
      : snapshot_(CLayersManagerPtr::Share(snapshot)),
        fragment_(fragment),
        width_(width),
        height_(height),
        linkPath_(std::move(linkPath)) {}
  ~SnapshotData() { DeleteFragment(fragment_); }
  SnapshotData(const SnapshotData&) = delete;
  SnapshotData& operator=(const SnapshotData&) = delete;

  bool Render(const FORMATETC& format, STGMEDIUM* medium) {
    const ClipboardFormatIds& ids = ClipboardFormats();
    if (format.lindex != -1 || medium == nullptr) return false;
    try {
      if (format.cfFormat == CF_DIB) return (format.tymed & TYMED_HGLOBAL) != 0 && RenderDib(medium);
      if (format.cfFormat == CF_BITMAP) return (format.tymed & TYMED_GDI) != 0 && RenderBitmap(medium);
      if (format.cfFormat == ids.mask) return (format.tymed & TYMED_HGLOBAL) != 0 && RenderMask(medium);
      if (format.cfFormat == ids.marker) return (format.tymed & TYMED_HGLOBAL) != 0 && RenderMarker(medium);
      if (format.cfFormat == CF_PALETTE) return (format.tymed & TYMED_GDI) != 0 && RenderPalette(medium);
      if (format.cfFormat == ids.embedSource) return (format.tymed & TYMED_ISTORAGE) != 0 && RenderStorage(medium);
      if (format.cfFormat == CF_METAFILEPICT) return (format.tymed & TYMED_MFPICT) != 0 && RenderMetafile(medium);
      const ServerFormats& server = ServerFormatIds();
      if (format.cfFormat == server.objectDescriptor || format.cfFormat == server.linkSourceDescriptor) {
        return (format.tymed & TYMED_HGLOBAL) != 0 && RenderDescriptor(medium, format.cfFormat == server.linkSourceDescriptor);
      }
      if (format.cfFormat == ids.linkSource) return (format.tymed & TYMED_ISTREAM) != 0 && RenderLinkSource(medium);
    } catch (const std::exception&) {
      // A renderer answers what it cannot serve with a refusal, never a throw.
    }
    return false;
  }

 private:
  // The visible layers merged on white, as the DIB lays it out.
  std::vector<std::uint8_t> MergedDib() {
    WAPtr merged = snapshot_->CreateMergedImage(1, 255, 255, 255);
    if (!merged) return {};
    const RECT all{0, 0, merged->GetW(), merged->GetH()};
    std::vector<std::uint8_t> dib = ImageToDIBBytes(merged.get(), all);
    if (dib.size() < 40) return {};
    // The clipboard's DIB states no image size and no resolution.
    std::memset(dib.data() + 20, 0, 12);
    return dib;
  }

  bool RenderDib(STGMEDIUM* medium) {
    const std::vector<std::uint8_t> dib = MergedDib();
    if (dib.empty()) return false;
    HGLOBAL block = GlobalCopy(dib.data(), dib.size(), GMEM_MOVEABLE | GMEM_DDESHARE);
    if (block == nullptr) return false;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    return true;
  }

  HBITMAP MakeBitmap(HPALETTE* palette) {
    const std::vector<std::uint8_t> dib = MergedDib();
    if (dib.empty()) return nullptr;
    return DisplayBitmapOfDib(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()), palette);
  }

  bool RenderBitmap(STGMEDIUM* medium) {
    HBITMAP bitmap = MakeBitmap(nullptr);
    if (bitmap == nullptr) return false;
    medium->tymed = TYMED_GDI;
    medium->hBitmap = bitmap;
    return true;
  }

  bool RenderPalette(STGMEDIUM* medium) {
    HPALETTE palette = nullptr;
    HBITMAP bitmap = MakeBitmap(&palette);
    if (bitmap == nullptr) return false;
    DeleteObject(bitmap);
    if (palette == nullptr) return false;
    medium->tymed = TYMED_GDI;
    medium->hBitmap = reinterpret_cast<HBITMAP>(palette);
    return true;
  }

  bool RenderMask(STGMEDIUM* medium) {
    HGLOBAL memory = MaskBlockOf(width_, height_, fragment_);
    if (memory == nullptr) return false;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    return true;
  }

  bool RenderMarker(STGMEDIUM* medium) {
    HGLOBAL memory = OriginMarkerBlock();
    if (memory == nullptr) return false;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    return true;
  }

  // A storage on global memory whose stream "Contents" is the layered file
  // of the snapshot.
  bool RenderStorage(STGMEDIUM* medium) {
    MemFile layered(1u << 20);
    StoreLayeredStack(*snapshot_, layered);
    ILockBytes* bytes = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes))) return false;
    IStorage* storage = nullptr;
    HRESULT hr = StgCreateDocfileOnILockBytes(bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage);
    bytes->Release();
    if (FAILED(hr)) return false;
    IStream* stream = nullptr;
    hr = WriteClassStg(storage, kDocumentClassId);
    if (SUCCEEDED(hr)) {
      hr = storage->CreateStream(L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream);
    }
    const std::uint8_t* data = layered.Data();
    std::uint64_t left = layered.GetLength();
    while (SUCCEEDED(hr) && left > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<std::uint64_t>(left, 1u << 24));
      ULONG written = 0;
      hr = stream->Write(data, piece, &written);
      if (SUCCEEDED(hr) && written != piece) hr = STG_E_MEDIUMFULL;
      data += piece;
      left -= piece;
    }
    if (stream != nullptr) stream->Release();
    if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
    if (FAILED(hr)) {
      storage->Release();
      return false;
    }
    medium->tymed = TYMED_ISTORAGE;
    medium->pstg = storage;
    return true;
  }

  SIZEL Extent() const {
    const HimetricSize e = HimetricExtent(snapshot_->GetWidth(), snapshot_->GetHeight(), snapshot_->GetResolution(),
                                          DisplayDpi(LOGPIXELSX), DisplayDpi(LOGPIXELSY));
    return SIZEL{e.cx, e.cy};
  }

  bool RenderMetafile(STGMEDIUM* medium) {
    const std::vector<std::uint8_t> dib = MergedDib();
    if (dib.empty()) return false;
    HGLOBAL block = MetafilePictureOfDib(reinterpret_cast<const BITMAPINFOHEADER*>(dib.data()), Extent());
    if (block == nullptr) return false;
    medium->tymed = TYMED_MFPICT;
    medium->hMetaFilePict = block;
    return true;
  }

  // The object (or, for a link, the file) the copy stands for.
  bool RenderDescriptor(STGMEDIUM* medium, bool link) {
    if (link && linkPath_.empty()) return false;
    const std::wstring source = linkPath_.empty() ? std::wstring(kDocumentTypeName) : linkPath_;
    HGLOBAL block = ObjectDescriptorBlock(kDocumentClassId, Extent(), kDocumentMiscStatus, kDocumentTypeName, source);
    if (block == nullptr) return false;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    return true;
  }

  bool RenderLinkSource(STGMEDIUM* medium) {
    IStream* stream = LinkSourceStream(linkPath_, kDocumentClassId);
    if (stream == nullptr) return false;
    medium->tymed = TYMED_ISTREAM;
    medium->pstm = stream;
    return true;
  }

  CLayersManagerPtr snapshot_;
  Fragment* fragment_;
  int width_;
  int height_;
  std::wstring linkPath_;  // the saved file a link names; empty: no link
};

}  // namespace

HRESULT PutSnapshotOnClipboard(CLayersManager* snapshot, Fragment* fragment, int docWidth, int docHeight,
                               bool layered, const std::string& linkPath) {
  auto data = std::make_shared<SnapshotData>(snapshot, fragment, docWidth, docHeight,
                                             layered ? WidePath(linkPath) : std::wstring());
  fw::OleDataSource* source =
      fw::OleDataSource::Create([data](const FORMATETC& format, STGMEDIUM* medium) { return data->Render(format, medium); });
  const ClipboardFormatIds& ids = ClipboardFormats();
  // A layered copy is an embeddable object (and, saved, a linkable one);
  // every copy is a picture as well.
  if (layered) {
    const ServerFormats& server = ServerFormatIds();
    source->DelayRenderData(static_cast<CLIPFORMAT>(ids.embedSource), TYMED_ISTORAGE);
    source->DelayRenderData(static_cast<CLIPFORMAT>(server.objectDescriptor), TYMED_HGLOBAL);
    if (!linkPath.empty()) {
      source->DelayRenderData(static_cast<CLIPFORMAT>(ids.linkSource), TYMED_ISTREAM);
      source->DelayRenderData(static_cast<CLIPFORMAT>(server.linkSourceDescriptor), TYMED_HGLOBAL);
    }
  }
  source->DelayRenderData(CF_METAFILEPICT, TYMED_MFPICT);
  source->DelayRenderData(CF_DIB, TYMED_HGLOBAL);
  source->DelayRenderData(CF_BITMAP, TYMED_GDI);
  source->DelayRenderData(CF_PALETTE, TYMED_GDI);
  source->DelayRenderData(static_cast<CLIPFORMAT>(ids.mask), TYMED_HGLOBAL);
  source->DelayRenderData(static_cast<CLIPFORMAT>(ids.marker), TYMED_HGLOBAL);
  const HRESULT hr = source->SetClipboard();
  source->Release();
  TraceMark("clipboard set");
  return hr;
}

FW_MESSAGE_MAP(CClipboardCommands, fw::CmdTarget,
               fw::CommandEntry<&CClipboardCommands::OnEditCopy>(ID_EDIT_COPY),
               fw::CommandEntry<&CClipboardCommands::OnEditCut>(ID_EDIT_CUT),
               fw::CommandEntry<&CClipboardCommands::OnEditCopyMerged>(ID_EDIT_COPY_MERGED),
               fw::CommandEntry<&CClipboardCommands::OnEditClear>(ID_EDIT_CLEAR),
               fw::CommandEntry<&CClipboardCommands::OnEditPaste>(ID_EDIT_PASTE),
               fw::CommandEntry<&CClipboardCommands::OnEditPasteSpecial>(ID_EDIT_PASTE_SPECIAL),
               fw::CommandEntry<&CClipboardCommands::OnSelectionPaste>(ID_SELECTION_PASTE),
               fw::CommandEntry<&CClipboardCommands::OnSelectionPasteAsNewImage>(ID_SELECTION_PASTE_AS_NEW_IMAGE),
               fw::CommandEntry<&CClipboardCommands::OnEditPasteFromFile>(ID_EDIT_PASTE_FROM_FILE),
               fw::CommandEntry<&CClipboardCommands::OnImageImportFromFile>(ID_IMAGE_IMPORT_FROM_FILE),
               fw::CommandEntry<&CClipboardCommands::OnSelectionLoadFrom>(ID_SELECTION_LOAD_FROM),
               fw::CommandEntry<&CClipboardCommands::OnSelectionSaveAs>(ID_SELECTION_SAVE_AS),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateAlways>(ID_SELECTION_LOAD_FROM),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateSelectionSaveAs>(ID_SELECTION_SAVE_AS),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateLayered>(ID_EDIT_PASTE_FROM_FILE),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateHasImage>(ID_IMAGE_IMPORT_FROM_FILE),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateAlways>(ID_EDIT_COPY),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateAlways>(ID_EDIT_COPY_MERGED),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateEditCut>(ID_EDIT_CUT),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateEditClear>(ID_EDIT_CLEAR),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateEditPaste>(ID_EDIT_PASTE),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateEditPasteSpecial>(ID_EDIT_PASTE_SPECIAL),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateSelectionPaste>(ID_SELECTION_PASTE),
               fw::UpdateEntry<&CClipboardCommands::OnUpdateSelectionPasteAsNewImage>(ID_SELECTION_PASTE_AS_NEW_IMAGE))

void CClipboardCommands::Report(int code, int line) {
  const void* site = GetToolHostSite();
  LUSetErrorCode(site, code, kSource, line, 0);
  LUPrintErrorState(site);
}

int CClipboardCommands::CopyToClipboard(bool cut) {
  TraceMark("copy start");
  DocumentPreviewOff preview(&doc_);
  CLayersManager* stack = Image().GetLayers();
  if (stack == nullptr) return 0;
  bool visibleOnly = false, activeOnly = false;
  if (auto* manager = ImageDocManager(); manager != nullptr && manager->clipboardOptions) {
    manager->clipboardOptions(&visibleOnly, &activeOnly);
  }
  Fragment* selection = Image().GetSelection();
  if (visibleOnly && !activeOnly && !cut && !HasVisibleLayer(*stack)) {
    doc_.ShowMessage(IDS_COPY_NO_VISIBLE_LAYERS, IDS_ERROR_CAPTION);
    return 0;
  }
  CLayersManagerPtr snapshot;
  {
    fw::WaitCursor wait;
    snapshot = BuildCopySnapshot(Image(), selection, cut || activeOnly, cut);
  }
  if (!snapshot) {
    doc_.ShowMessage(IDS_COPY_NO_LAYERS, IDS_ERROR_CAPTION);
    return 0;
  }
  const bool layered = stack->IsLayerable() != 0;
  if (FAILED(PutSnapshotOnClipboard(snapshot.get(), ClipboardFragmentOf(selection), stack->GetWidth(),
                                    stack->GetHeight(), layered, doc_.GetPathName()))) {
    return 0;
  }
  return 1;
}

int CClipboardCommands::CopyMerged() {
  DocumentPreviewOff preview(&doc_);
  fw::WaitCursor wait;
  CLayersManager* stack = Image().GetLayers();
  if (stack == nullptr) return 0;
  if (!HasVisibleLayer(*stack)) {
    doc_.ShowMessage(IDS_COPY_NO_VISIBLE_LAYERS, IDS_ERROR_CAPTION);
    return 0;
  }
  Fragment* selection = Image().GetSelection();
  CLayersManagerPtr snapshot = BuildMergedSnapshot(Image(), selection);
  if (!snapshot) {
    doc_.ShowMessage(IDS_COPY_NO_LAYERS, IDS_ERROR_CAPTION);
    return 0;
  }
  return SUCCEEDED(PutSnapshotOnClipboard(snapshot.get(), ClipboardFragmentOf(selection), stack->GetWidth(),
                                          stack->GetHeight(), true))
             ? 1
             : 0;
}

void CClipboardCommands::OnEditCopy() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_COPY)) return;
  CopyToClipboard(false);
}

void CClipboardCommands::OnEditCut() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_CUT)) return;
  if (!Image().BackupImage(IDS_STEP_CUT)) return;
  if (CopyToClipboard(true) == 0) {
    Image().RevertLastBackup();
    return;
  }
  Image().InvalidateImageRect(nullptr, false, true);
  doc_.UpdateNavigator();
  doc_.SetModifiedFlag(true);
  Image().SetModifiedFlag(true);
}

void CClipboardCommands::OnEditCopyMerged() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_COPY_MERGED)) return;
  CopyMerged();
}

void CClipboardCommands::OnEditClear() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_CLEAR)) return;
  Fragment* selection = Image().GetSelection();
  if (selection == nullptr) return;
  int degree = 0, type = 0;
  doc_.GetSmoothEdge(&degree, &type);
  Recorder().ClearSelection(selection, degree, type);
  if (Image().ClearSelection(selection)) doc_.SetModifiedFlag(true);
}

void CClipboardCommands::OnEditPaste() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_PASTE)) return;
  DocumentPreviewOff preview(&doc_);
  fw::WaitCursor wait;
  const int code = PasteFromClipboard(doc_);
  if (code != 0) Report(code, __LINE__);
}

void CClipboardCommands::OnEditPasteSpecial() {
  if (!IsCommandAllowedWhileTracking(ID_EDIT_PASTE_SPECIAL)) return;
  DocumentPreviewOff preview(&doc_);
  const int code = PasteSpecial(doc_);
  if (code != 0) Report(code, __LINE__);
}

void CClipboardCommands::OnSelectionPaste() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_PASTE)) return;
  DocumentPreviewOff preview(&doc_);
  fw::WaitCursor wait;
  const int code = PasteSelectionFromClipboard(doc_, true);
  if (code != 0) Report(code, __LINE__);
}

void CClipboardCommands::OnSelectionPasteAsNewImage() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_PASTE_AS_NEW_IMAGE)) return;
  DocumentPreviewOff preview(&doc_);
  IDataObject* data = nullptr;
  int code = 16;
  if (SUCCEEDED(OleGetClipboard(&data))) {
    fw::WaitCursor wait;
    fw::Document* made = nullptr;
    code = PasteMaskAsNewImage(data, &made);
    data->Release();
  }
  if (code != 0) Report(code, __LINE__);
}

int CClipboardCommands::FromFile(bool import) {
  DocumentPreviewOff preview(&doc_);
  CMyOpenFileDlg dialog(true, std::string(), std::string(), OFN_HIDEREADONLY, std::string(), GetActiveTopLevelWnd());
  if (dialog.DoModal() != IDOK || dialog.Paths().empty()) return 1;
  const std::string path = dialog.Paths().front();
  int code = 0;
  {
    fw::WaitCursor wait;
    code = import ? ImportFileIntoDocument(Image(), path) : PasteFileIntoDocument(Image(), path);
  }
  if (code == 0) {
    doc_.SetModifiedFlag(true);
    doc_.UpdateNavigator();
    return 0;
  }
  const void* site = GetToolHostSite();
  if (code == kPasteFileUnreadable) LUSetErrorStringExt(site, 0, path.c_str(), 0);
  Report(code, __LINE__);
  return code;
}

void CClipboardCommands::OnEditPasteFromFile() {
  if (IsCommandAllowedWhileTracking(ID_EDIT_PASTE_FROM_FILE)) FromFile(false);
}

void CClipboardCommands::OnImageImportFromFile() {
  if (IsCommandAllowedWhileTracking(ID_IMAGE_IMPORT_FROM_FILE)) FromFile(true);
}

void CClipboardCommands::OnSelectionLoadFrom() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_LOAD_FROM)) return;
  auto* manager = ImageDocManager();
  const void* site = GetToolHostSite();
  if (manager == nullptr || !manager->loadSelectionDialog) {
    Report(kPasteFileCannotPlace, __LINE__);
    return;
  }
  int status = 0;
  Fragment* fragment = nullptr;
  LUResetError();
  {
    fw::WaitCursor wait;
    fragment = manager->loadSelectionDialog(&status);
  }
  if (fragment == nullptr) {
    // The reader records its failure (126, "storeSel"); it is shown here.
    if (status == 2 && LUGetErrorState().code != 0) LUPrintErrorState(site);
    return;
  }
  Image().SetSelection(fragment, true);
  LUUpdateGSelection(site);
  DeleteFragment(fragment);
}

void CClipboardCommands::OnSelectionSaveAs() {
  if (!IsCommandAllowedWhileTracking(ID_SELECTION_SAVE_AS)) return;
  auto* manager = ImageDocManager();
  Fragment* selection = Image().GetSelection();
  if (selection == nullptr) return;
  fw::WaitCursor wait;
  if (manager == nullptr || !manager->saveSelectionDialog || manager->saveSelectionDialog(selection) == 0) {
    Report(kSelectionNotWritten, __LINE__);
  }
}

void CClipboardCommands::OnUpdateSelectionSaveAs(fw::CmdUI& ui) { Enable(ui, Image().GetSelection() != nullptr); }

void CClipboardCommands::OnUpdateLayered(fw::CmdUI& ui) {
  const CLayersManager* stack = Image().GetLayers();
  Enable(ui, stack != nullptr && stack->IsLayerable() != 0);
}

void CClipboardCommands::OnUpdateHasImage(fw::CmdUI& ui) { Enable(ui, Image().HasImage()); }

void CClipboardCommands::OnUpdateAlways(fw::CmdUI& ui) { Enable(ui, true); }

void CClipboardCommands::OnUpdateEditCut(fw::CmdUI& ui) {
  const CLayer* active = Image().GetActiveLayer();
  const CLayersManager* stack = Image().GetLayers();
  Enable(ui, active != nullptr && active->IsVisible() != 0 && stack != nullptr && stack->IsLayerable() != 0 &&
                 Image().GetSelection() != nullptr);
}

void CClipboardCommands::OnUpdateEditClear(fw::CmdUI& ui) {
  const CLayersManager* stack = Image().GetLayers();
  Enable(ui, Image().GetSelection() != nullptr && stack != nullptr && stack->IsLayerable() != 0);
}

void CClipboardCommands::OnUpdateEditPaste(fw::CmdUI& ui) { Enable(ui, ClipboardOffersImages()); }

void CClipboardCommands::OnUpdateEditPasteSpecial(fw::CmdUI& ui) {
  Enable(ui, ClipboardOffersImages() || (ClipboardOffersSelection() && HasActiveImageView()));
}

void CClipboardCommands::OnUpdateSelectionPaste(fw::CmdUI& ui) {
  Enable(ui, ClipboardOffersSelection() && HasActiveImageView());
}

void CClipboardCommands::OnUpdateSelectionPasteAsNewImage(fw::CmdUI& ui) { Enable(ui, ClipboardOffersSelection()); }

}  // namespace lumora
