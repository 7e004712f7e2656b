// Reading and writing through a codec: the file's bytes, the codec chosen
// by content, the failure message.
#include "libs/imgxfer/read_file.h"

#include <cstdio>
#include <new>

namespace lumora::imgxfer {

bool LoadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* message,
                   MemoryClaim* claim) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *message = "The file \"" + path + "\" could not be opened.";
    return false;
  }
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok && claim != nullptr && !claim->Add(static_cast<std::uint64_t>(size))) {
    std::fclose(file);
    *message = "There is not enough memory to read the file \"" + path + "\".";
    return false;
  }
  if (ok) {
    bytes->resize(static_cast<std::size_t>(size));
    ok = std::fread(bytes->data(), 1, bytes->size(), file) == bytes->size();
  }
  std::fclose(file);
  if (!ok) *message = "The file \"" + path + "\" could not be read.";
  return ok;
}

ImExpStatus ReadImageFile(const std::string& path, CAbstractReadWA& adapter, CProgress* progress,
                          std::string* message) {
  MemoryClaim claim;
  std::vector<std::uint8_t> bytes;
  if (!LoadWholeFile(path, &bytes, message, &claim)) return kImExpFailed;
  const ImExpStatus status = ReadFromMemory(bytes.data(), bytes.size(), path, adapter, progress, message);
  if (status != kImExpOk && status != kImExpCancelled) {
    *message = "The file \"" + path + "\" could not be read. " + *message;
  }
  return status;
}

ImExpStatus ReadFromMemory(const std::uint8_t* data, std::size_t size, const std::string& path,
                           CAbstractReadWA& adapter, CProgress* progress, std::string* message) {
  const Codec* codec = CodecForContent(data, size, path);
  if (codec == nullptr) {
    *message = "Its format is not one this program reads.";
    return kImExpUnsupported;
  }
  Failure failure;
  ImageSink sink(adapter, progress, failure);
  bool ok = false;
  try {
    ok = codec->read(data, size, sink);
  } catch (const std::bad_alloc&) {
    failure.Set(kImExpFailed, "There is not enough memory to read this image.");
  }
  if (ok && failure.status == kImExpOk) return kImExpOk;
  if (failure.status == kImExpOk) failure.Set(kImExpFailed, std::string("The ") + codec->name + " data is damaged.");
  *message = failure.message;
  return failure.status;
}

ImExpStatus WriteToStream(std::FILE* file, const Codec& codec, CAbstractWriteWA& adapter, CProgress* progress,
                          const ImExpSaveOptions& options, std::string* message) {
  Failure failure;
  ImageSource source(adapter, progress, failure);
  if (source.Open()) {
    if ((codec.typesWritten & source.type) == 0) {
      failure.Set(kImExpUnsupported, std::string("The ") + codec.name + " format cannot hold this image" +
                                         (source.type == kType24 ? ": it has more than 256 colours." : "."));
    } else {
      bool ok = false;
      try {
        ok = codec.write(file, source, options) && std::ferror(file) == 0;
      } catch (const std::bad_alloc&) {
        failure.Set(kImExpFailed, "There is not enough memory to save this image.");
      }
      if (!ok) failure.Set(kImExpFailed, "The file could not be written completely (is the disk full?).");
    }
  }
  *message = failure.message;
  return failure.status;
}

}  // namespace lumora::imgxfer
