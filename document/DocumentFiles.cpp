// Opening and saving an image document.
#include "document/DocumentFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "document/StackPreload.h"
#include "engine/layered/LayerFileErrors.h"
#include "engine/layered/RWLayers.h"
#include "engine/pixels/FileAdapters.h"
#include "engine/pixels/Progress.h"
#include "hostapi/imgxfer.h"
#include "platform/file_replace.h"
#include "platform/stream_file.h"
#include "res/StringTable.h"
#include "res/resource.h"

namespace lumora {

namespace {

// The extension the pattern string ends with ("*.LUD" gives ".LUD").
std::string PatternExtension(std::uint32_t id) {
  const std::string_view pattern = res::String(id);
  return std::string(pattern.substr(pattern.size() >= 4 ? pattern.size() - 4 : 0));
}

bool IsNative(const std::string& path) {
  return HasExtension(path, PatternExtension(IDS_LUD_PATTERN).c_str());
}

// A layered file read into a new stack (caller's reference); the error is
// reported and null returned when it cannot be read.
CLayersManagerPtr ReadLayered(ImageDocument& doc, const std::string& path,
                              DocumentFileHost& host) {
  if (CLayersManagerPtr ahead = TakePreloadedStack(path)) return ahead;
  try {
    return CLayersManagerPtr::Adopt(new CLayersManager(&doc, path));
  } catch (const layer_error& e) {
    host.ReportFileError(19, path, e.what());
  } catch (const std::exception& e) {
    host.ReportFileError(27, path, e.what());
  }
  return nullptr;
}

// A resolution as a buffer keeps it: 1 to 65535 dots per inch; anything
// else leaves the buffer's own.
void ApplyResolution(VrWA2000::WA& image, int x, int y) {
  if (x > 0) image.SetXRes(std::min(x, 65535));
  if (y > 0) image.SetYRes(std::min(y, 65535));
}

// A file of the library decoded into an image (caller's reference) at the
// resolution the file gives, with the colour profile it embeds.
WAPtr ReadFlat(const std::string& path, std::vector<std::uint8_t>* profile) {
  CReadFileWA adapter;
  CMyProgress progress(kReadingFileCaption);
  if (ImExp_ReadFile(&adapter, nullptr, path.c_str(), kImExpReportFailures, &progress, nullptr,
                     0) == 0) {
    return nullptr;
  }
  *profile = adapter.ColorProfile();
  WAPtr image = adapter.Image();
  if (image) ApplyResolution(*image, adapter.XResolution(), adapter.YResolution());
  return image;
}

CLayersManagerPtr StackOfImage(ImageDocument& doc, VrWA2000::WA* image) {
  try {
    return CLayersManagerPtr::Adopt(new CLayersManager(&doc, image));
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool documentBeingOpened = false;
bool pasteLoading = false;
CLayersManagerPtr stackToSerialize;

// No progress window inside a serialisation (it runs inside OLE calls):
// the indicator is set aside and comes back whatever happens.
class ProgressSetAside {
 public:
  ProgressSetAside() : saved_(GetProgressIndicator()) { SetProgressIndicator(nullptr); }
  ~ProgressSetAside() { SetProgressIndicator(saved_); }
  ProgressSetAside(const ProgressSetAside&) = delete;
  ProgressSetAside& operator=(const ProgressSetAside&) = delete;

 private:
  ProgressIndicator* saved_;
};

}  // namespace

std::string FormatWithName(std::uint32_t textId, const std::string& name) {
  std::string text(res::String(textId));
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, name);
  return text;
}

std::string Sentence(std::string reason) {
  if (reason.empty()) return reason;
  reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
  const char last = reason.back();
  if (last != '.' && last != '!' && last != '?') reason += '.';
  return reason;
}

std::string FormatWithNames(std::uint32_t textId, std::initializer_list<std::string_view> names) {
  const std::string_view text = res::String(textId);
  std::string out;
  auto next = names.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == '%')) {
      if (text[i + 1] == '%') {
        out += '%';
      } else if (next != names.end()) {
        out += *next++;
      }
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

bool HasExtension(const std::string& path, const char* extension) {
  const std::string ext = std::filesystem::path(path).extension().string();
  const std::string want(extension);
  return ext.size() == want.size() &&
         std::equal(ext.begin(), ext.end(), want.begin(), [](char a, char b) {
           return std::toupper(static_cast<unsigned char>(a)) ==
                  std::toupper(static_cast<unsigned char>(b));
         });
}

bool HasLayeredExtension(const std::string& path) {
  return IsNative(path) || HasExtension(path, PatternExtension(IDS_PSD_PATTERN).c_str());
}

int OpenDocumentFile(ImageDocument& doc, const std::string& path, DocumentFileHost& host) {
  if (IsLayeredFile(path) != 0) return OpenLayeredDocument(doc, path, host);
  return OpenFlatDocument(doc, path);
}

int OpenByExtension(ImageDocument& doc, const std::string& path, DocumentFileHost& host) {
  if (HasLayeredExtension(path)) return OpenLayeredDocument(doc, path, host);
  return OpenFlatDocument(doc, path);
}

int OpenLayeredDocument(ImageDocument& doc, const std::string& path, DocumentFileHost& host) {
  const bool native = IsNative(path);
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  if (error) {
    host.ReportFileError(27, path, error.message());
    return 0;
  }
  CLayersManagerPtr stack;
  bool madeNew = false;
  if (length == 0 && native) {
    NewImageChoice choice;
    if (!host.AskNewImage(&choice)) return 0;
    try {
      const std::uint32_t resolution = static_cast<std::uint32_t>(choice.xResolution & 0xFFFF) |
                                       static_cast<std::uint32_t>(choice.yResolution & 0xFFFF)
                                           << 16;
      stack = CLayersManagerPtr::Adopt(new CLayersManager(
          kWAType24, &doc, choice.width, choice.height, resolution, choice.colour, 0));
    } catch (const std::exception& e) {
      host.ReportFileError(16, path, e.what());
      return 0;
    }
    madeNew = true;
  } else {
    stack = ReadLayered(doc, path, host);
    if (!stack) return 0;
  }
  const int installed = doc.InstallLayerStack(stack.get());
  if (installed == 0) return 0;
  doc.SetModifiedFlag(madeNew);
  stack->SetNativeFormat(native ? 1 : 0);
  return installed;
}

int OpenFlatDocument(ImageDocument& doc, const std::string& path) {
  std::vector<std::uint8_t> profile;
  const WAPtr image = ReadFlat(path, &profile);
  if (!image) return 0;
  CLayersManagerPtr stack = StackOfImage(doc, image.get());
  if (stack) stack->IccProfile() = std::move(profile);
  const int installed = stack ? doc.InstallLayerStack(stack.get()) : 0;
  if (installed == 0) return 0;
  doc.SetNewImageTitle(nullptr);
  return installed;
}

int ReloadDocument(ImageDocument& doc, const std::string& path, DocumentFileHost& host) {
  CLayersManagerPtr stack;
  if (IsLayeredFile(path) != 0) {
    stack = ReadLayered(doc, path, host);
  } else {
    std::vector<std::uint8_t> profile;
    const WAPtr image = ReadFlat(path, &profile);
    if (image) stack = StackOfImage(doc, image.get());
    if (stack) stack->IccProfile() = std::move(profile);
    if (!stack) host.ReportFileError(27, path, std::string());
  }
  if (!stack) return 0;
  if (doc.ReplaceLayerStack(stack.get()) == 0) {
    host.ReportFileError(16, path, std::string());
    return 0;
  }
  return 1;
}

WAPtr GetFlattenedImage(ImageDocument& doc) {
  CLayersManager* stack = doc.GetLayers();
  if (stack == nullptr) return nullptr;
  doc.Queue().RenderAllNow();
  return stack->CreateMergedImage(1, 255, 255, 255);
}

std::string BuildSaveFilter(ImageDocument& doc, bool exportMode, const SaveFormatLister& fill) {
  CLayersManager* stack = doc.GetLayers();
  if (stack == nullptr) return "||";
  const bool flat = stack->IsFlat();
  const WAPtr flattened = GetFlattenedImage(doc);
  const int type = flattened ? flattened->GetType() : kWAType24;
  std::string filter;
  if (!(flat && type == kWAType4Bit)) {
    filter = std::string(res::String(IDS_LUD_FILTER)) + "|" +
             std::string(res::String(IDS_LUD_PATTERN)) + "|" +
             std::string(res::String(IDS_PSD_FILTER)) + "|" +
             std::string(res::String(IDS_PSD_PATTERN));
  }
  if (!flat && !exportMode) return filter + "||";
  if (!filter.empty()) filter += "|";
  const SaveFormatLister lister = fill ? fill : SaveFormatLister(ImExp_FillSaveFormatsInfoEx);
  const int size = lister(nullptr, 0, type);
  if (size <= 0) return filter + "||";
  std::vector<char> list(static_cast<std::size_t>(size) + 2, '\0');
  lister(list.data(), size, type);
  std::string formats(list.data(), static_cast<std::size_t>(size));
  std::replace(formats.begin(), formats.end(), '\0', '|');
  // The list closes with "||" whatever its last byte was.
  formats.back() = '|';
  return filter + formats + "|";
}

int SaveToFile(ImageDocument& doc, const std::string& path, bool clearModified,
               DocumentFileHost& host, CProgress* progress) {
  CLayersManager* stack = doc.GetLayers();
  if (stack == nullptr || path.empty()) return 0;
  const bool native = IsNative(path);
  stack->SetNativeFormat(native ? 1 : 0);
  if (HasLayeredExtension(path)) {
    doc.Queue().RenderAllNow();
    try {
      CRWLayers(stack).Save(path, 1);
    } catch (const std::exception& e) {
      host.ReportFileError(21, path, e.what());
      return 0;
    }
    if (clearModified) doc.SetModifiedFlag(false);
    return 1;
  }
  // Layers are lost in this format: say so first, and keep the document
  // marked so that closing still offers to save them.
  const bool losesLayers = !stack->IsFlat();
  if (losesLayers && clearModified &&
      !host.ConfirmWarning(FormatWithName(IDS_FLATTEN_WARNING,
                                    std::filesystem::path(path).filename().string()))) {
    return 0;
  }
  const WAPtr image = GetFlattenedImage(doc);
  if (!image) return 0;
  CWriteFileWA adapter(image.get());
  adapter.SetColorProfile(stack->IccProfile());
  CMyProgress shown(kWritingFileCaption);
  int status = 0;
  const int written = ImExp_WriteFile(&adapter, nullptr, path.c_str(), &status,
                                      progress != nullptr ? progress : &shown, nullptr, 1);
  // Saved whole, the document matches its file; flattened, its file no
  // longer holds its layers, so it is marked changed: Save stays available
  // and closing asks.
  if (written != 0 && clearModified) doc.SetModifiedFlag(losesLayers);
  return written;
}

// ---- The archive road ----

void SetDocumentBeingOpened(bool opening) { documentBeingOpened = opening; }
bool IsDocumentBeingOpened() { return documentBeingOpened; }
void SetStackToSerialize(CLayersManager* stack) { stackToSerialize = CLayersManagerPtr::Share(stack); }
CLayersManager* GetStackToSerialize() { return stackToSerialize.get(); }
CLayersManagerPtr TakeStackToSerialize() { return std::move(stackToSerialize); }
void SetPasteLoading(bool loading) { pasteLoading = loading; }
bool IsPasteLoading() { return pasteLoading; }

int LoadSerializedStack(ImageDocument& doc, StreamFile& file) {
  if (documentBeingOpened) return 0;
  ProgressSetAside quiet;
  stackToSerialize.Reset();
  CLayersManagerPtr stack;
  try {
    stack = CLayersManagerPtr::Adopt(new CLayersManager(&doc, &file));
  } catch (const std::exception&) {
    return 0;
  }
  if (pasteLoading) {
    stackToSerialize = std::move(stack);
    return 1;
  }
  return doc.InstallLayerStack(stack.get());
}

void StoreSerializedStack(ImageDocument& doc, StreamFile& out) {
  if (documentBeingOpened) return;
  CLayersManager* stack = stackToSerialize ? stackToSerialize.get() : doc.GetLayers();
  if (stack == nullptr) throw std::runtime_error("no layers to store");
  if (stack == doc.GetLayers()) doc.Queue().RenderAllNow();
  StoreLayeredStack(*stack, out);
}

void SaveLayeredStack(CLayersManager& stack, const std::string& path) {
  if (!HasLayeredExtension(path)) throw std::invalid_argument("not a layered file name");
  stack.SetNativeFormat(IsNative(path) ? 1 : 0);
  CRWLayers(&stack).Save(path, 1);
}

void StoreLayeredStack(CLayersManager& stack, StreamFile& out) {
  ProgressSetAside quiet;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) throw std::bad_alloc();
  std::string why;
  const std::string temp = CreateTempFileBeside((folder / "lud").string(), &why);
  if (temp.empty()) throw std::runtime_error(why);
  // The temporary file goes whatever happens.
  struct Remover {
    const std::string& path;
    ~Remover() { RemoveFile(path); }
  } remover{temp};
  CRWLayers(&stack).Save(temp, 0);
  DiskFile in(temp, DiskFile::kRead);
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(
      std::min<std::uint64_t>(kSerializeChunkBytes, std::max<std::uint64_t>(in.GetLength(), 1))));
  while (const std::uint32_t got = in.Read(chunk.data(), static_cast<std::uint32_t>(chunk.size()))) {
    out.Write(chunk.data(), got);
  }
  in.Close();
}

CLayersManagerPtr LoadLayeredStack(StreamFile& in) {
  ProgressSetAside quiet;
  MemFile copy(kSerializeChunkBytes);
  std::vector<std::uint8_t> chunk(kSerializeChunkBytes);
  while (const std::uint32_t got = in.Read(chunk.data(), kSerializeChunkBytes)) copy.Write(chunk.data(), got);
  copy.SeekFromCurrent(-static_cast<std::int64_t>(copy.GetPosition()));
  return CLayersManagerPtr::Adopt(new CLayersManager(nullptr, &copy));
}

}  // namespace lumora
