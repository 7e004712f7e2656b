// The tool host's error state: one record for the process, guarded by a
// mutex because render and stroke workers may report too.
#include <mutex>

#include "hostapi/toolhost.h"

namespace {

struct ErrorRecord {
  std::mutex mutex;
  LUErrorState state;
  int freezeDepth = 0;
};

ErrorRecord& Record() {
  static ErrorRecord record;
  return record;
}

int Store(int code, const char* source, int line) {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  if (r.freezeDepth == 0) {
    r.state.code = code;
    r.state.source = source != nullptr ? source : "";
    r.state.line = line;
  }
  return code != 0 ? code : 1;
}

}  // namespace

int LUErrorCode(const void*, int code, const char* source, int line, int) {
  return Store(code, source, line);
}

int LUSetErrorCode(const void*, int code, const char* source, int line, int) {
  return Store(code, source, line);
}

void LUStoreErrorCode(const void*, int code) { Store(code, "", 0); }

void LUSetErrorString(const void*, const char* text) {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  if (r.freezeDepth == 0) r.state.text = text != nullptr ? text : "";
}

void LUSetErrorStringExt(const void* site, int, const char* text, int) { LUSetErrorString(site, text); }

void LUFreezeError() {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  ++r.freezeDepth;
}

void LUUnfreezeError() {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  if (r.freezeDepth > 0) --r.freezeDepth;
}

void LUResetError() {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  r.state = LUErrorState{};
}

LUErrorState LUGetErrorState() {
  ErrorRecord& r = Record();
  std::lock_guard<std::mutex> guard(r.mutex);
  return r.state;
}
