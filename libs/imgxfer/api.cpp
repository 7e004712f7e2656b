// The library's entry points: reading and writing files through the
// codecs, the format lists, the options dialog and the file information.
#include <cstdio>
#include <cstring>

#include "libs/imgxfer/codec.h"
#include "libs/imgxfer/fileinfo.h"
#include "libs/imgxfer/options.h"
#include "libs/imgxfer/read_file.h"
#include "libs/imgxfer/ui.h"
#include "platform/file_replace.h"

using namespace lumora::imgxfer;

namespace {

// Begin on entry, End on every way out.
class ProgressBracket {
 public:
  explicit ProgressBracket(CProgress* progress) : progress_(progress) {
    if (progress_ != nullptr) progress_->Begin();
  }
  ~ProgressBracket() {
    if (progress_ != nullptr) progress_->End();
  }
  ProgressBracket(const ProgressBracket&) = delete;
  ProgressBracket& operator=(const ProgressBracket&) = delete;

 private:
  CProgress* progress_;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Writes into a new temporary file beside `path` and moves it over `path`
// only when everything was written; the temporary file never outlives a
// failure.
ImExpStatus WriteThroughTemporary(const std::string& path, const Codec& codec, CAbstractWriteWA& adapter,
                                  CProgress* progress, const ImExpSaveOptions& options,
                                  std::string* message) {
  std::string error;
  const std::string temp = lumora::CreateTempFileBeside(path, &error);
  if (temp.empty()) {
    *message = "The file " + Quoted(path) + " could not be written: " + error;
    return kImExpFailed;
  }
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) {
    lumora::RemoveFile(temp);
    *message = "The file " + Quoted(path) + " could not be written.";
    return kImExpFailed;
  }
  ImExpStatus status = WriteToStream(file, codec, adapter, progress, options, message);
  const bool closed = std::fclose(file) == 0;
  if (status == kImExpOk && !closed) {
    status = kImExpFailed;
    *message = "The file " + Quoted(path) + " could not be written completely (is the disk full?).";
  }
  if (status == kImExpOk && (!lumora::FlushFileToDisk(temp, &error) ||
                             !lumora::ReplaceFileAtomically(temp, path, &error))) {
    status = kImExpFailed;
    *message = "The file " + Quoted(path) + " could not be replaced: " + error;
  }
  if (status != kImExpOk) lumora::RemoveFile(temp);
  return status;
}

int FillList(char* buffer, int size, const std::string& list) {
  const int needed = static_cast<int>(list.size());
  if (buffer != nullptr && size >= needed) std::memcpy(buffer, list.data(), list.size());
  return needed;
}

void AppendEntry(std::string& list, const Codec& codec) {
  list.append(codec.description);
  list.push_back('\0');
  list.append(codec.patterns);
  list.push_back('\0');
}

}  // namespace

int ImExp_ReadFile(CAbstractReadWA* adapter, void* owner, const char* path, int formats,
                   CProgress* progress, void*, int) {
  if (adapter == nullptr || path == nullptr) return 0;
  ProgressBracket bracket(progress);
  std::string message;
  const ImExpStatus status = ReadImageFile(path, *adapter, progress, &message);
  if (status != kImExpOk && status != kImExpCancelled && formats == kImExpReportFailures) {
    ShowFailure(owner, message);
  }
  return status == kImExpOk ? 1 : 0;
}

int ImExp_WriteFile(CAbstractWriteWA* adapter, void* owner, const char* path, int* status,
                    CProgress* progress, const ImExpSaveOptions* options, int report) {
  ProgressBracket bracket(progress);
  std::string message;
  ImExpStatus result = kImExpFailed;
  const Codec* codec = path != nullptr ? CodecForExtension(path) : nullptr;
  if (adapter == nullptr || path == nullptr || *path == '\0') {
    message = "No file name was given.";
  } else if (codec == nullptr || codec->write == nullptr) {
    result = kImExpUnsupported;
    message = "The file " + Quoted(path) + " cannot be saved: its extension names no format that can be written.";
  } else {
    result = WriteThroughTemporary(path, *codec, *adapter, progress, OptionsFromCaller(options), &message);
    if (result != kImExpOk && result != kImExpCancelled) message = message.empty() ? "Failed." : message;
  }
  if (status != nullptr) *status = result;
  if (result != kImExpOk && result != kImExpCancelled && report != 0) ShowFailure(owner, message);
  return result == kImExpOk ? 1 : 0;
}

int ImExp_FillSaveFormatsInfoEx(char* buffer, int size, int type) {
  std::string list;
  for (const Codec* codec : AllCodecs()) {
    if (codec->write != nullptr && BitsOfType(type) != 0 && (codec->typesHeld & type) != 0) {
      AppendEntry(list, *codec);
    }
  }
  return FillList(buffer, size, list);
}

int ImExp_FillReadFormatsInfo(char* buffer, int size) {
  std::string list;
  for (const Codec* codec : AllCodecs()) AppendEntry(list, *codec);
  list.push_back('\0');
  return FillList(buffer, size, list);
}

int ImExp_ConfigureConverters(void* owner) {
  ImExpSaveOptions options = LoadSaveOptions();
  if (!RunOptionsDialog(owner, &options)) return 0;
  return StoreSaveOptions(ClampSaveOptions(options)) ? 1 : 0;
}

int ImExp_ShowFileInfo(void* owner, const char* path, int) {
  if (path == nullptr) return 0;
  FileFacts facts;
  std::string error;
  if (!ReadFileFacts(path, &facts, &error)) {
    ShowFailure(owner, error);
    return 0;
  }
  ShowInfoBox(owner, "File Information", "File:\t" + std::string(path) + "\r\n" + DescribeFileFacts(facts));
  return 1;
}

ImExpSaveOptions ImExp_GetSaveOptions() { return LoadSaveOptions(); }

namespace lumora::imgxfer {

namespace {
std::string& LastMessage() {
  static std::string message;
  return message;
}
bool messageBoxesShown = true;
}  // namespace

void ShowFailure(void* owner, const std::string& text) {
  LastMessage() = text;
  if (messageBoxesShown) ShowMessageBox(owner, text);
}

void SetMessageBoxesShown(bool shown) { messageBoxesShown = shown; }

const std::string& LastShownMessage() { return LastMessage(); }
void ClearLastShownMessage() { LastMessage().clear(); }

}  // namespace lumora::imgxfer
