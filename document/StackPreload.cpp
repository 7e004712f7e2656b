// Reading the start-up file ahead on a thread of its own.
#include "document/StackPreload.h"

#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/layered/RWLayers.h"
#include "engine/pixels/Progress.h"

namespace lumora {
namespace {

// What identifies the file that was read: a file replaced or rewritten
// between the read and the opening is read again.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};
  bool operator==(const FileStamp&) const = default;
};

bool StampOf(const std::string& path, FileStamp* stamp) {
  std::error_code error;
  stamp->size = std::filesystem::file_size(path, error);
  if (error) return false;
  stamp->written = std::filesystem::last_write_time(path, error);
  return !error;
}

struct Preload {
  std::mutex lock;  // the fields below, between the control thread's calls
  std::thread reader;
  std::string path;
  FileStamp stamp;
  CLayersManagerPtr stack;  // written by the reader, read after the join

  void Join() {
    if (reader.joinable()) reader.join();
  }
  // Waits for the reader and empties the record; the stack it read, if any.
  CLayersManagerPtr Finish() {
    Join();
    path.clear();
    return std::move(stack);
  }
  ~Preload() { Join(); }
};

Preload& ThePreload() {
  static Preload preload;
  return preload;
}

void ReadAhead(Preload* preload, std::string path) {
  ProgressSilence silence;
  if (IsLayeredFile(path) == 0) return;
  try {
    CLayersManagerPtr stack = CLayersManagerPtr::Adopt(new CLayersManager(nullptr, path));
    // The composite the document needs is made here too, off the
    // user-interface thread.
    stack->UpdateComposite(stack->GetImageType());
    preload->stack = std::move(stack);
  } catch (...) {
    // The opening reads the file again and reports the fault.
    preload->stack = nullptr;
  }
}

}  // namespace

void StartStackPreload(const std::string& path) {
  Preload& preload = ThePreload();
  std::lock_guard<std::mutex> guard(preload.lock);
  preload.Finish();
  if (!StampOf(path, &preload.stamp)) return;
  try {
    preload.reader = std::thread(ReadAhead, &preload, path);
  } catch (const std::system_error&) {
    return;  // no thread: the file is read when it is opened
  }
  preload.path = path;
}

CLayersManagerPtr TakePreloadedStack(const std::string& path) {
  Preload& preload = ThePreload();
  std::lock_guard<std::mutex> guard(preload.lock);
  if (preload.path.empty()) return nullptr;
  const std::string readPath = preload.path;
  CLayersManagerPtr stack = preload.Finish();
  if (!stack) return nullptr;
  std::error_code error;
  FileStamp now;
  if (!std::filesystem::equivalent(readPath, path, error) || error) return nullptr;
  if (!StampOf(path, &now) || !(now == preload.stamp)) return nullptr;
  return stack;
}

void DiscardStackPreload() {
  Preload& preload = ThePreload();
  std::lock_guard<std::mutex> guard(preload.lock);
  preload.Finish();
}

}  // namespace lumora
