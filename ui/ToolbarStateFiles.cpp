// A toolbar's state and image files written and read as one pair.
#include "ui/ToolbarStateFiles.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>

#include "framework/Archive.h"
#include "platform/file_replace.h"
#include "ui/ToolbarState.h"

namespace lumora {
namespace {

// The file's bytes; false when it cannot be read or is larger than `max`.
bool ReadFileBytes(const std::string& path, std::size_t max, std::vector<std::uint8_t>* out) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > max) return false;
  out->resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return size == 0 || static_cast<bool>(in.read(reinterpret_cast<char*>(out->data()), size));
}

// A new temporary file beside `target` holding `bytes`, flushed to the
// disk; empty (nothing left behind) on failure.
std::string WriteBeside(const std::string& target, const std::vector<std::uint8_t>& bytes, std::string* error) {
  const std::string temp = CreateTempFileBeside(target, error);
  if (temp.empty()) return temp;
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  bool ok = file != nullptr;
  if (ok) ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  if (!ok && error != nullptr) *error = "the file could not be written completely (is the disk full?)";
  if (ok) ok = FlushFileToDisk(temp, error);
  if (!ok) {
    RemoveFile(temp);
    return std::string();
  }
  return temp;
}

std::vector<std::uint8_t> StateFileBytes(const ToolbarStateRecord& state) {
  fw::MemFile memory;
  {
    fw::Archive ar(memory, fw::Archive::store);
    WriteToolbarState(ar, state);
    ar.Close();
  }
  return std::vector<std::uint8_t>(memory.Data(), memory.Data() + memory.GetLength());
}

}  // namespace

std::uint32_t NewToolbarStamp() {
  static std::mt19937 generator(static_cast<std::uint32_t>(
      std::random_device{}() ^ static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())));
  std::uint32_t stamp = 0;
  while (stamp == 0) stamp = generator();
  return stamp;
}

bool ToolbarStateStamp(const std::vector<std::uint8_t>& state, std::uint32_t* stamp) {
  ToolbarStateRecord record;
  if (!ParseToolbarState(state.data(), state.size(), record)) return false;
  *stamp = record.stamp;
  return true;
}

bool WriteToolbarStatePair(const std::string& stateFile, const std::vector<std::uint8_t>& state,
                           const std::vector<std::uint8_t>& images, std::string* error) {
  const std::string imageFile = ImageFileOf(stateFile);
  // Older versions wrote each file through "<file>.new".
  RemoveFile(stateFile + ".new");
  RemoveFile(imageFile + ".new");
  // Both written whole before either replaces anything: the state file's
  // temporary file is complete whenever the new image file is in place.
  const std::string stateTemp = WriteBeside(stateFile, state, error);
  if (stateTemp.empty()) return false;
  const std::string imageTemp = WriteBeside(imageFile, images, error);
  if (imageTemp.empty()) {
    RemoveFile(stateTemp);
    return false;
  }
  if (!ReplaceFileAtomically(imageTemp, imageFile, error)) {
    RemoveFile(imageTemp);
    RemoveFile(stateTemp);
    return false;
  }
  // Should this move fail, the temporary state file stays: the next start
  // finishes the update with it.
  return ReplaceFileAtomically(stateTemp, stateFile, error);
}

bool SaveToolbarStatePair(const std::string& stateFile, ToolbarStateRecord state, const ImageStrip& strip,
                          std::string* error) {
  const ToolbarStatePair old = ReadToolbarStatePair(stateFile);
  std::uint32_t stamp = 0;
  if (old.stateFound && old.imagesFound && ToolbarStateStamp(old.state, &stamp) && stamp != 0 &&
      StripBitmapStamp(old.images.data(), old.images.size()) == stamp) {
    state.stamp = stamp;
    if (StateFileBytes(state) == old.state && EncodeStripBitmap(strip, stamp) == old.images) return true;
  }
  state.stamp = NewToolbarStamp();
  return WriteToolbarStatePair(stateFile, StateFileBytes(state), EncodeStripBitmap(strip, state.stamp), error);
}

ToolbarStatePair ReadToolbarStatePair(const std::string& stateFile, std::size_t maxBytes) {
  ToolbarStatePair pair;
  pair.stateFound = ReadFileBytes(stateFile, maxBytes, &pair.state);
  if (!pair.stateFound) return pair;
  const std::string imageFile = ImageFileOf(stateFile);
  pair.imagesFound = ReadFileBytes(imageFile, maxBytes, &pair.images);
  if (!pair.imagesFound) return pair;
  const std::uint32_t imageStamp = StripBitmapStamp(pair.images.data(), pair.images.size());
  std::uint32_t stateStamp = 0;
  if (!ToolbarStateStamp(pair.state, &stateStamp) || stateStamp == imageStamp) return pair;
  // The image file is newer than the state file: the state file of the
  // same update waits beside it, whole.
  for (const std::string& temp : FindTempFilesOf(stateFile)) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t stamp = 0;
    if (!ReadFileBytes(temp, maxBytes, &bytes) || !ToolbarStateStamp(bytes, &stamp) || stamp != imageStamp) continue;
    std::string error;
    if (ReplaceFileAtomically(temp, stateFile, &error)) {
      pair.state = std::move(bytes);
      break;
    }
  }
  return pair;
}

ToolbarLayoutPlan PlanToolbarLayout(const ToolbarStatePair& pair) {
  ToolbarLayoutPlan plan;
  if (!pair.stateFound) return plan;
  ToolbarStateRecord state;
  bool damaged = !ParseToolbarState(pair.state.data(), pair.state.size(), state);
  ImageStrip strip;
  int count = -1;
  if (!damaged && pair.imagesFound && StripBitmapStamp(pair.images.data(), pair.images.size()) == state.stamp &&
      DecodeStripBitmap(pair.images.data(), pair.images.size(), strip)) {
    count = StripImageCount(strip, state.imageWidth, state.imageHeight);
  }
  // A layout of no buttons is the default bar, not a fault.
  if (!damaged && state.buttons.empty()) {
    plan.kind = ToolbarLayoutPlan::kDefault;
    return plan;
  }
  damaged = damaged || count < 0 || !ImagesFitStrip(state, count) || state.buttonWidth == 0 || state.buttonHeight == 0;
  if (damaged) {
    plan.kind = ToolbarLayoutPlan::kDamaged;
    return plan;
  }
  plan.kind = ToolbarLayoutPlan::kApply;
  plan.state = std::move(state);
  plan.strip = std::move(strip);
  plan.imageCount = count;
  return plan;
}

}  // namespace lumora
