// The container's round trip against the running program, timed: an object
// created from a layered file, drawn at 640 x 480, saved into a file
// storage, released, loaded again and drawn. Prints each run's time and the
// median in milliseconds.
//
// Usage: ole_roundtrip_client FILE.lud [RUNS]
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Draws the object into a 640 x 480 memory DC; false when it cannot.
bool Draw(IOleObject* object) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 640;
  bi.bmiHeader.biHeight = -480;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 640, 480};
  const bool drawn = SUCCEEDED(OleDraw(object, DVASPECT_CONTENT, dc, &all));
  GdiFlush();
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return drawn;
}

// Creation from the file; where OLE cannot (Wine answers E_NOTIMPL) the
// steps it stands for: the file's moniker bound, creation from its data.
HRESULT CreateFromFile(const std::wstring& path, IStorage* storage, FORMATETC* dib, IOleObject** object) {
  HRESULT hr = OleCreateFromFile(CLSID_NULL, path.c_str(), IID_IOleObject, OLERENDER_FORMAT, dib, nullptr, storage,
                                 reinterpret_cast<void**>(object));
  if (hr != E_NOTIMPL) return hr;
  IMoniker* moniker = nullptr;
  if (FAILED(hr = CreateFileMoniker(path.c_str(), &moniker))) return hr;
  IDataObject* data = nullptr;
  hr = BindMoniker(moniker, 0, IID_IDataObject, reinterpret_cast<void**>(&data));
  moniker->Release();
  if (FAILED(hr)) return hr;
  hr = OleCreateFromData(data, IID_IOleObject, OLERENDER_FORMAT, dib, nullptr, storage,
                         reinterpret_cast<void**>(object));
  data->Release();
  return hr;
}

// Milliseconds since the last call (the steps of one run).
double gFrequency = 1;
LARGE_INTEGER gLast;
double Lap() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const double ms = 1000.0 * static_cast<double>(now.QuadPart - gLast.QuadPart) / gFrequency;
  gLast = now;
  return ms;
}
double gSteps[4];

bool Run(const std::wstring& path, const std::wstring& storageFile) {
  Lap();
  FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  IStorage* storage = nullptr;
  if (FAILED(StgCreateDocfile(storageFile.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                              &storage))) {
    return false;
  }
  IOleObject* object = nullptr;
  bool ok = SUCCEEDED(CreateFromFile(path, storage, &dib, &object));
  gSteps[0] = Lap();
  if (ok) {
    IOleCache* cache = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IOleCache, reinterpret_cast<void**>(&cache)))) {
      DWORD connection = 0;
      cache->Cache(&dib, ADVF_PRIMEFIRST, &connection);
      cache->Release();
    }
    ok = SUCCEEDED(OleRun(object)) && Draw(object);
    gSteps[1] = Lap();
    IPersistStorage* persist = nullptr;
    ok = ok && SUCCEEDED(object->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist))) &&
         SUCCEEDED(OleSave(persist, storage, TRUE));
    if (persist != nullptr) {
      persist->SaveCompleted(nullptr);
      persist->Release();
    }
    ok = ok && SUCCEEDED(storage->Commit(STGC_DEFAULT));
    object->Close(OLECLOSE_NOSAVE);
    object->Release();
    gSteps[2] = Lap();
  }
  if (ok) {
    IOleObject* again = nullptr;
    ok = SUCCEEDED(OleLoad(storage, IID_IOleObject, nullptr, reinterpret_cast<void**>(&again))) && Draw(again);
    if (again != nullptr) {
      again->Close(OLECLOSE_NOSAVE);
      again->Release();
    }
    gSteps[3] = Lap();
  }
  storage->Release();
  DeleteFileW(storageFile.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ole_roundtrip_client FILE.lud [RUNS]\n");
    return 2;
  }
  const std::string narrow = argv[1];
  const std::wstring path(narrow.begin(), narrow.end());
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  if (FAILED(OleInitialize(nullptr))) return 3;
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring storageFile = std::wstring(folder) + L"lumora_ole_roundtrip.stg";
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  gFrequency = static_cast<double>(frequency.QuadPart);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!Run(path, storageFile)) {
      std::fprintf(stderr, "run %d failed\n", i + 1);
      OleUninitialize();
      return 1;
    }
    QueryPerformanceCounter(&end);
    times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    std::printf("run %d: %.1f ms (create %.1f, run and draw %.1f, save and release %.1f, load and draw %.1f)\n", i + 1,
                times.back(), gSteps[0], gSteps[1], gSteps[2], gSteps[3]);
  }
  OleUninitialize();
  std::sort(times.begin(), times.end());
  const double median = times.size() % 2 != 0 ? times[times.size() / 2]
                                               : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
  std::printf("median %.1f\n", median);
  return 0;
}
