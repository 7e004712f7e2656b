// The pastes: what the clipboard can supply, and each format's reader into
// a document, as the document's selection or as a new document.
#include <oledlg.h>

#include <cstring>

#include <memory>
#include <vector>

#include "document/DocumentFiles.h"
#include "document/LayerSelection.h"
#include "document/DocumentServices.h"
#include "document/win/AppServices.h"
#include "document/win/ClipboardCommands.h"
#include "engine/pixels/AppValues.h"
#include "engine/pixels/Dib.h"
#include "engine/pixels/win/DibGlobal.h"
#include "framework/win/App.h"
#include "hostapi/toolhost.h"
#include "platform/stream_file.h"
#include "platform/trace.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

constexpr int kCannotPaste = 16;
constexpr int kBadBlock = 36;
constexpr int kMaxRows = 8;
constexpr int kDialogHelpButton = 99;
constexpr DWORD kHelpPasteSpecial = 135108;
constexpr DWORD kHelpPasteAsNewImage = 135109;

// The medium released on every road out.
struct Medium {
  STGMEDIUM m{};
  ~Medium() {
    if (m.tymed != TYMED_NULL) ReleaseStgMedium(&m);
  }
};

// The clipboard's own block of the format, copied into a medium of its
// own; used where the OLE clipboard cannot hand out a standard format it
// lists (Wine's clipboard object answers a plain CF_DIB with DV_E_TYMED).
HRESULT CopyClipboardBlock(unsigned format, Medium* out) {
  if (!IsClipboardFormatAvailable(format) || !OpenClipboard(nullptr)) return DV_E_FORMATETC;
  HRESULT hr = DV_E_FORMATETC;
  HANDLE block = GetClipboardData(format);
  const SIZE_T size = block != nullptr ? GlobalSize(block) : 0;
  const void* from = size > 0 ? GlobalLock(block) : nullptr;
  if (from != nullptr) {
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void* to = copy != nullptr ? GlobalLock(copy) : nullptr;
    if (to != nullptr) {
      std::memcpy(to, from, size);
      GlobalUnlock(copy);
      out->m.tymed = TYMED_HGLOBAL;
      out->m.hGlobal = copy;
      hr = S_OK;
    } else if (copy != nullptr) {
      GlobalFree(copy);
    }
    GlobalUnlock(block);
  }
  CloseClipboard();
  return hr;
}

HRESULT GetDataAs(IDataObject* data, unsigned format, DWORD tymed, Medium* out) {
  FORMATETC f{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, tymed};
  const HRESULT hr = data->GetData(&f, &out->m);
  if (hr == DV_E_TYMED && tymed == TYMED_HGLOBAL && OleIsCurrentClipboard(data) != S_OK) {
    IDataObject* current = nullptr;
    const bool fromClipboard = SUCCEEDED(OleGetClipboard(&current)) && current == data;
    if (current != nullptr) current->Release();
    if (fromClipboard) return CopyClipboardBlock(format, out);
  }
  return hr;
}

// Wine's OLE clipboard lists a copy that came from another Wine prefix
// (through the X clipboard) by that prefix's format numbers, which differ
// here for registered formats: listed numbers the clipboard does not hold
// show it, and the marker and the selection block, which the clipboard
// holds under their names, are missing from the list. They are listed then.
void ListFormatsOfAnotherPrefix(IDataObject* data, DataObjectOffer& offer) {
  if (!offer.listUsable || OleIsCurrentClipboard(data) == S_OK) return;
  bool foreign = false;
  for (const ListedFormat& listed : offer.listed) foreign = foreign || !IsClipboardFormatAvailable(listed.format);
  if (!foreign) return;
  IDataObject* current = nullptr;
  const bool fromClipboard = SUCCEEDED(OleGetClipboard(&current)) && current == data;
  if (current != nullptr) current->Release();
  if (!fromClipboard) return;
  for (const unsigned format : {ClipboardFormats().marker, ClipboardFormats().mask}) {
    bool listed = false;
    for (const ListedFormat& f : offer.listed) listed = listed || f.format == format;
    if (!listed && IsClipboardFormatAvailable(format)) {
      offer.listed.push_back(ListedFormat{format, true, DVASPECT_CONTENT, TYMED_HGLOBAL});
    }
  }
}

DataObjectOffer OfferOf(IDataObject* data) {
  DataObjectOffer offer;
  offer.canCreateFrom = OleQueryCreateFromData(data) == S_OK;
  offer.canLinkFrom = OleQueryLinkFromData(data) == S_OK;
  IEnumFORMATETC* formats = nullptr;
  if (FAILED(data->EnumFormatEtc(DATADIR_GET, &formats)) || formats == nullptr) return offer;
  FORMATETC fetched[20] = {};
  ULONG count = 0;
  const HRESULT hr = formats->Next(20, fetched, &count);
  offer.listUsable = hr == S_OK || (count >= 1 && count <= 20);
  if (offer.listUsable) {
    for (ULONG i = 0; i < count && i < 20; ++i) {
      offer.listed.push_back(ListedFormat{fetched[i].cfFormat, fetched[i].ptd == nullptr, fetched[i].dwAspect,
                                          fetched[i].tymed});
    }
  }
  for (ULONG i = 0; i < count && i < 20; ++i) {
    if (fetched[i].ptd != nullptr) CoTaskMemFree(fetched[i].ptd);
  }
  formats->Release();
  ListFormatsOfAnotherPrefix(data, offer);
  return offer;
}

// What the clipboard offers now, asked again only when it changed.
struct OfferCache {
  DWORD sequence = 0;
  bool valid = false;
  bool images = false;
  bool selection = false;
};

OfferCache& CurrentOffer() {
  static OfferCache cache;
  const DWORD sequence = GetClipboardSequenceNumber();
  if (cache.valid && cache.sequence == sequence) return cache;
  cache = OfferCache{sequence, true, false, false};
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || data == nullptr) return cache;
  PasteRow rows[kMaxRows];
  const int count = BuildPasteFormatTable(rows, kMaxRows, true, true, false, ClipboardFormats());
  QueryPasteEntries(data, rows, count);
  for (int i = 0; i < count; ++i) {
    if (!rows[i].usable) continue;
    if (rows[i].format == ClipboardFormats().mask) {
      cache.selection = true;
    } else {
      cache.images = true;
    }
  }
  data->Release();
  return cache;
}

int DocWidth(CLumo40Doc& doc) { return doc.Image().GetLayers()->GetWidth(); }
int DocHeight(CLumo40Doc& doc) { return doc.Image().GetLayers()->GetHeight(); }

// The clipboard's DIB as an image and, for a V4/V5 DIB with alpha, its
// alpha as a mask; 0, 16 or 36.
int ReadClipboardDib(IDataObject* data, WAPtr* image, WAPtr* mask) {
  Medium medium;
  if (FAILED(GetDataAs(data, CF_DIB, TYMED_HGLOBAL, &medium))) return kCannotPaste;
  TraceMark("paste data read");
  const auto* block = static_cast<const std::uint8_t*>(GlobalLock(medium.m.hGlobal));
  if (block == nullptr) return kBadBlock;
  const std::size_t size = GlobalSize(medium.m.hGlobal);
  std::string why;
  const int code = ReadPastedDib(block, size, image, mask, &why);
  GlobalUnlock(medium.m.hGlobal);
  if (!why.empty()) {
    const std::string text = "The DIB Bitmap on the clipboard (" + std::to_string(size) +
                             " bytes) cannot be pasted: " + why + ".";
    LUSetErrorStringExt(GetToolHostSite(), 0, text.c_str(), 0);
  }
  return code;
}

// The image as a new layer "Layer n" centred above the active layer, in
// the step "Insert layer".
int InsertImageAsLayer(CLumo40Doc& doc, VrWA2000::WA* image, VrWA2000::WA* mask = nullptr) {
  ImageDocument& d = doc.Image();
  if (!d.HasImage()) return kCannotPaste;
  const POINT origin = CentredOrigin(DocWidth(doc), DocHeight(doc), image->GetW(), image->GetH());
  CLayerPtr layer;
  try {
    layer = CLayerPtr::Adopt(new CLayer(image, origin, mask != nullptr ? 1 : 0, mask, 0));
  } catch (const std::exception&) {
    return kCannotPaste;
  }
  layer->SetName(d.GetLayers()->MakeUniqueLayerName(std::string(), 0, nullptr));
  if (!d.InsertLayer(d.GetActiveLayer(), layer.get(), true, true, true)) return kCannotPaste;
  doc.SetModifiedFlag(true);
  TraceMark("pasted layer shown");
  return 0;
}

int PasteDibIntoDocument(CLumo40Doc& doc, IDataObject* data) {
  WAPtr image, mask;
  const int code = ReadClipboardDib(data, &image, &mask);
  if (code != 0) return code;
  return InsertImageAsLayer(doc, image.get(), mask.get());
}

int PasteBitmapIntoDocument(CLumo40Doc& doc, IDataObject* data) {
  Medium bitmap, palette;
  if (FAILED(GetDataAs(data, CF_BITMAP, TYMED_GDI, &bitmap))) return kCannotPaste;
  GetDataAs(data, CF_PALETTE, TYMED_GDI, &palette);
  WAPtr image = WAPtr::Adopt(BitmapToImage(bitmap.m.hBitmap, reinterpret_cast<HPALETTE>(palette.m.hBitmap)));
  if (!image || !doc.Image().HasImage()) return kCannotPaste;
  image = ConvertPastedBitmap(image.get(), doc.Image().GetLayers()->GetImageType());
  if (!image) return kCannotPaste;
  return InsertImageAsLayer(doc, image.get());
}

// The layered document in the "Contents" stream of the embedded storage
// (created there when missing, so the read fails cleanly).
int ReadEmbeddedLayers(IDataObject* data, CLayersManagerPtr* layers) {
  Medium medium;
  if (FAILED(GetDataAs(data, ClipboardFormats().embedSource, TYMED_ISTORAGE, &medium)) ||
      medium.m.tymed != TYMED_ISTORAGE || medium.m.pstg == nullptr) {
    return kCannotPaste;
  }
  IStream* stream = nullptr;
  if (FAILED(medium.m.pstg->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream)) &&
      FAILED(medium.m.pstg->CreateStream(L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                         &stream))) {
    return kCannotPaste;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t piece[65536];
  for (;;) {
    ULONG got = 0;
    if (FAILED(stream->Read(piece, sizeof piece, &got)) || got == 0) break;
    bytes.insert(bytes.end(), piece, piece + got);
    if (bytes.size() > 0xF0000000u) break;
  }
  stream->Release();
  if (bytes.empty()) return 0;
  MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  try {
    *layers = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, &file));
  } catch (const std::exception&) {
    file.Detach();
    return kCannotPaste;
  }
  file.Detach();
  return 0;
}

int PasteLayersIntoDocument(CLumo40Doc& doc, IDataObject* data) {
  CLayersManagerPtr layers;
  const int code = ReadEmbeddedLayers(data, &layers);
  if (code != 0 || !layers) return code;
  if (GetActiveImageWindow() == nullptr) return 0;
  const POINT offset = CentredOrigin(DocWidth(doc), DocHeight(doc), layers->GetWidth(), layers->GetHeight());
  if (doc.Image().AddLayersOnTop(*layers, offset, IDS_STEP_PASTE, false)) {
    doc.SetModifiedFlag(true);
    TraceMark("pasted layer shown");
  }
  return 0;
}

// The image type refuses images that are neither grey nor RGB: a message,
// nothing pasted.
bool RefusePasteForType(CLumo40Doc& doc, unsigned format) {
  const int type = doc.Image().GetLayers()->GetImageType();
  if (type == kWAType8Grey || type == kWAType24) return false;
  std::uint32_t nameId = 0;
  if (format == CF_BITMAP) nameId = IDS_PASTE_NAME_BITMAP;
  if (format == CF_METAFILEPICT) nameId = IDS_PASTE_NAME_METAFILE;
  if (format == CF_DIB) nameId = IDS_PASTE_NAME_DIB;
  if (format == ClipboardFormats().embedSource) nameId = IDS_PASTE_NAME_DOCUMENT;
  if (nameId == 0) return false;
  const std::string text =
      FormatWithNames(IDS_PASTE_REFUSED_TYPE, {std::string(res::String(nameId)), doc.GetTitle()});
  LUErrorMessageBox(GetToolHostSite(), GetActiveTopLevelWnd(), text.c_str(),
                    std::string(res::String(IDS_ERROR_CAPTION)).c_str(), 0, MB_TASKMODAL);
  return true;
}

HRESULT QueryMask(IDataObject* data) {
  FORMATETC f{static_cast<CLIPFORMAT>(ClipboardFormats().mask), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&f);
}

int ReadFragmentFromDataObject(IDataObject* data, int* width, int* height, Fragment** fragment) {
  *fragment = nullptr;
  Medium medium;
  if (FAILED(GetDataAs(data, ClipboardFormats().mask, TYMED_HGLOBAL, &medium))) return kBadBlock;
  const auto* block = static_cast<const std::uint8_t*>(GlobalLock(medium.m.hGlobal));
  if (block == nullptr) return kBadBlock;
  const std::size_t size = GlobalSize(medium.m.hGlobal);
  std::string why;
  const int code = ReadMaskBlock(block, size, width, height, fragment, &why);
  GlobalUnlock(medium.m.hGlobal);
  if (code != 0) {
    const std::string text = "The selection on the clipboard (" + std::to_string(size) +
                             " bytes) cannot be pasted: " + why + ".";
    LUSetErrorStringExt(GetToolHostSite(), 0, text.c_str(), 0);
  }
  return code;
}

UINT CALLBACK PasteDialogHook(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetPropA(dialog, "LumoraHelpTopic", nullptr);
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == kDialogHelpButton) {
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    const bool asNew = std::string(caption) == std::string(res::String(IDS_PASTE_AS_NEW_IMAGE));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string help(module);
    const std::size_t slash = help.find_last_of("\\/");
    help = (slash == std::string::npos ? std::string() : help.substr(0, slash + 1)) + "LUMO.HLP";
    WinHelpA(dialog, help.c_str(), HELP_CONTEXT, asNew ? kHelpPasteAsNewImage : kHelpPasteSpecial);
    return 1;
  }
  return 0;
}

// The paste dialog over the table; the chosen row's format in *format,
// false for anything but OK.
bool RunPasteDialog(IDataObject* data, bool asNewImage, unsigned* format) {
  PasteRow rows[kMaxRows];
  const int count = BuildPasteFormatTable(rows, kMaxRows, HasActiveImageView(), true, true, ClipboardFormats());
  QueryPasteEntries(data, rows, count);
  const int first = PickPasteFormat(rows, count);
  // Rows as the dialog takes them; texts live as long as the dialog.
  std::vector<std::string> names(static_cast<std::size_t>(count)), results(static_cast<std::size_t>(count));
  OLEUIPASTEENTRYA entries[kMaxRows] = {};
  for (int i = 0; i < count; ++i) {
    names[i] = std::string(res::String(rows[i].nameId));
    results[i] = std::string(res::String(rows[i].resultId));
    entries[i].fmtetc = FORMATETC{static_cast<CLIPFORMAT>(rows[i].format), nullptr, DVASPECT_CONTENT, -1,
                                  static_cast<DWORD>(rows[i].medium)};
    entries[i].lpstrFormatName = names[i].c_str();
    entries[i].lpstrResultText = results[i].c_str();
    entries[i].dwFlags = OLEUIPASTE_PASTEONLY;
  }
  // The own-document row stays hidden unless it can be used.
  const int skip = (count > 0 && first != 0) ? 1 : 0;
  const std::string caption = asNewImage ? std::string(res::String(IDS_PASTE_AS_NEW_IMAGE)) : std::string();
  OLEUIPASTESPECIALA dialog = {};
  dialog.cbStruct = sizeof dialog;
  dialog.dwFlags = PSF_SHOWHELP | PSF_SELECTPASTE;
  dialog.hWndOwner = GetActiveTopLevelWnd();
  dialog.lpszCaption = asNewImage ? caption.c_str() : nullptr;
  dialog.lpfnHook = &PasteDialogHook;
  dialog.lpSrcDataObj = data;
  dialog.arrPasteEntries = entries + skip;
  dialog.cPasteEntries = count - skip;
  if (OleUIPasteSpecialA(&dialog) != OLEUI_OK) return false;
  const int chosen = dialog.nSelectedIndex + skip;
  if (chosen < 0 || chosen >= count) return false;
  *format = rows[chosen].format;
  return true;
}

}  // namespace

void QueryPasteEntries(IDataObject* data, PasteRow* rows, int count) {
  QueryPasteEntries(rows, count, OfferOf(data), ClipboardFormats());
}

bool ClipboardOffersImages() { return CurrentOffer().images; }
bool ClipboardOffersSelection() { return CurrentOffer().selection; }

CLumo40Doc* ActiveImageDoc() {
  HWND active = GetActiveImageWindow();
  CLumo40DocManager* manager = ImageDocManager();
  if (active == nullptr || manager == nullptr) return nullptr;
  for (fw::Document* doc : manager->AllDocuments()) {
    for (fw::View* view : doc->Views()) {
      HWND window = view->Handle();
      if (window == active || (window != nullptr && GetParent(window) == active)) {
        return dynamic_cast<CLumo40Doc*>(doc);
      }
    }
  }
  return nullptr;
}

bool HasActiveImageView() {
  CLumo40Doc* doc = ActiveImageDoc();
  return doc != nullptr && !doc->Views().empty();
}

int PasteFromClipboard(CLumo40Doc& doc) {
  TraceMark("paste start");
  IDataObject* data = nullptr;
  if (GetActiveImageWindow() == nullptr || FAILED(OleGetClipboard(&data)) || data == nullptr) return 0;
  PasteRow rows[kMaxRows];
  const int count = BuildPasteFormatTable(rows, kMaxRows, false, true, false, ClipboardFormats());
  QueryPasteEntries(data, rows, count);
  const int row = PickPasteFormat(rows, count);
  const int code = row >= 0 ? PasteDataObject(doc, data, rows[row].format) : kCannotPaste;
  data->Release();
  return code;
}

int PasteDataObject(CLumo40Doc& doc, IDataObject* data, unsigned format) {
  if (!doc.Image().HasImage()) return 0;
  if (RefusePasteForType(doc, format)) return 0;
  fw::WaitCursor wait;
  const ClipboardFormatIds& ids = ClipboardFormats();
  if (format == CF_DIB) return PasteDibIntoDocument(doc, data);
  if (format == CF_BITMAP) return PasteBitmapIntoDocument(doc, data);
  if (format == ids.embedSource) {
    const int code = PasteLayersIntoDocument(doc, data);
    if (code == 0 && HasActiveImageView() && QueryMask(data) == S_OK) return PasteSelectionFromClipboard(doc, false);
    return code;
  }
  if (format == ids.mask) return PasteSelectionFromDataObject(doc, data, true);
  return 0;
}

int PasteSelectionFromDataObject(CLumo40Doc& doc, IDataObject* data, bool withStep) {
  int width = 0, height = 0;
  Fragment* fragment = nullptr;
  const int code = ReadFragmentFromDataObject(data, &width, &height, &fragment);
  if (code != 0) return code;
  if (!HasActiveImageView() || !doc.Image().HasImage()) {
    DeleteFragment(fragment);
    return 0;
  }
  // A mask keeps its place; other shapes are centred by their own size, as
  // the layers copied with them are.
  const int type = GetFragmentType(fragment);
  if (type != kFrgMask && type != kFrgEmpty && IsFrgInverted(fragment) == 0) {
    LURECT lu{};
    if (GetFragmentBoundRect(fragment, &lu) != 0) {
      RECT bounds;
      LURectToRect(&bounds, &lu);
      const POINT origin = CentredSelectionOrigin(DocWidth(doc), DocHeight(doc), bounds);
      SetFragmentOriginPoint(fragment, &origin);
    }
  }
  doc.Image().SetSelection(fragment, withStep);
  LUUpdateGSelection(GetToolHostSite());
  DeleteFragment(fragment);
  return 0;
}

int PasteSelectionFromClipboard(CLumo40Doc& doc, bool withStep) {
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || data == nullptr) return 0;
  const int code = PasteSelectionFromDataObject(doc, data, withStep);
  data->Release();
  return code;
}

int PasteSpecial(CLumo40Doc& doc) {
  IDataObject* data = nullptr;
  if (GetActiveImageWindow() == nullptr || FAILED(OleGetClipboard(&data)) || data == nullptr) return 0;
  unsigned format = 0;
  int code = 0;
  if (RunPasteDialog(data, false, &format)) code = PasteDataObject(doc, data, format);
  data->Release();
  return code;
}

int PasteAsNewImage(fw::Document** made) {
  *made = nullptr;
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || data == nullptr) return 0;
  unsigned format = 0;
  int code = 0;
  if (RunPasteDialog(data, true, &format)) code = PasteAsNewImageDispatch(data, format, made);
  data->Release();
  return code;
}

int PasteAsNewImageDispatch(IDataObject* data, unsigned format, fw::Document** made) {
  fw::WaitCursor wait;
  const ClipboardFormatIds& ids = ClipboardFormats();
  WAPtr image;
  if (format == CF_DIB) {
    WAPtr mask;
    const int code = ReadClipboardDib(data, &image, &mask);
    if (code != 0) return code;
    if (mask) {
      // The alpha travels as the new document's layer mask.
      CLayerPtr layer;
      try {
        layer = CLayerPtr::Adopt(new CLayer(image.get(), POINT{0, 0}, 1, mask.get(), 0));
      } catch (const std::exception&) {
        return kCannotPaste;
      }
      *made = NewDocumentFromLayer(layer.get(), std::string());
      if (*made == nullptr) return kCannotPaste;
      (*made)->SetModifiedFlag(true);
      return 0;
    }
  } else if (format == CF_BITMAP) {
    Medium bitmap, palette;
    if (FAILED(GetDataAs(data, CF_BITMAP, TYMED_GDI, &bitmap))) return kCannotPaste;
    GetDataAs(data, CF_PALETTE, TYMED_GDI, &palette);
    image = WAPtr::Adopt(BitmapToImage(bitmap.m.hBitmap, reinterpret_cast<HPALETTE>(palette.m.hBitmap)));
  } else if (format == ids.embedSource) {
    CLayersManagerPtr layers;
    const int code = ReadEmbeddedLayers(data, &layers);
    if (code != 0 || !layers) return code;
    *made = NewDocumentFromStack(layers.get());
    if (*made == nullptr) return kCannotPaste;
    (*made)->SetModifiedFlag(true);
    return 0;
  } else if (format == ids.mask) {
    return PasteMaskAsNewImage(data, made);
  } else {
    return 0;
  }
  if (!image) return kCannotPaste;
  *made = CreateNewDocument(std::string(), nullptr, image.get(), true, false);
  return *made != nullptr ? 0 : kCannotPaste;
}

int PasteMaskAsNewImage(IDataObject* data, fw::Document** made) {
  *made = nullptr;
  int width = 0, height = 0;
  Fragment* fragment = nullptr;
  const int code = ReadFragmentFromDataObject(data, &width, &height, &fragment);
  if (code != 0) return code;
  const RECT all{0, 0, width, height};
  Fragment* mask = width > 0 && height > 0 ? SelectionToMask(fragment, all) : nullptr;
  DeleteFragment(fragment);
  if (mask == nullptr) return kCannotPaste;
  WAPtr image = WAPtr::Adopt(GetMaskWA(mask));
  DeleteFragment(mask);
  if (!image) return kCannotPaste;
  *made = CreateNewDocument(std::string(), nullptr, image.get(), true, false);
  return *made != nullptr ? 0 : kCannotPaste;
}

void OnEditPasteAsNewImage() {
  fw::Document* made = nullptr;
  const int code = PasteAsNewImage(&made);
  const void* site = GetToolHostSite();
  if (code != 0) {
    LUSetErrorCode(site, code, "Lumo40", __LINE__, 0);
    LUPrintErrorState(site);
    return;
  }
  IDataObject* data = nullptr;
  if (made == nullptr || FAILED(OleGetClipboard(&data)) || data == nullptr) return;
  if (QueryMask(data) == S_OK) {
    if (auto* doc = dynamic_cast<CLumo40Doc*>(made)) PasteSelectionFromDataObject(*doc, data, false);
  }
  data->Release();
}

void OnUpdateEditPasteAsNewImage(fw::CmdUI& ui) {
  ui.Enable(FilterCommandEnable(ui.Id(), ClipboardOffersImages() || (ClipboardOffersSelection() && HasActiveImageView())));
}

}  // namespace lumora
