// The container's round trip against the running program, timed: an object
// created from a layered file, drawn at 640 x 480, saved into a file
// storage, released, loaded again and drawn. Prints each run's time and its
// steps, the median in milliseconds, and then the floor COM itself sets:
// creating an object of a running server and an empty call to it, and
// handing over a 640 x 480 CF_DIB, against the program and against the bare
// server (com_floor_server.cpp).
//
// Usage: ole_roundtrip_client FILE.lud [RUNS]
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win/com_floor.h"

namespace {

double gFrequency = 1;

double Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / gFrequency;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 != 0 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

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

// One run's steps, in milliseconds.
struct Steps {
  double bind = 0, fromData = 0, run = 0, draw = 0, save = 0, close = 0, loadDraw = 0, total = 0;
};

// Creation from the file; where OLE cannot (a Wine that answers E_NOTIMPL)
// the steps it stands for: the file's moniker bound (the server opens the
// file), creation from the bound object's data.
HRESULT CreateFromFile(const std::wstring& path, IStorage* storage, FORMATETC* dib, IOleObject** object,
                       Steps* steps) {
  double t = Now();
  HRESULT hr = OleCreateFromFile(CLSID_NULL, path.c_str(), IID_IOleObject, OLERENDER_FORMAT, dib, nullptr, storage,
                                 reinterpret_cast<void**>(object));
  if (hr != E_NOTIMPL) {
    steps->fromData = Now() - t;
    return hr;
  }
  IMoniker* moniker = nullptr;
  if (FAILED(hr = CreateFileMoniker(path.c_str(), &moniker))) return hr;
  IDataObject* data = nullptr;
  hr = BindMoniker(moniker, 0, IID_IDataObject, reinterpret_cast<void**>(&data));
  moniker->Release();
  steps->bind = Now() - t;
  if (FAILED(hr)) return hr;
  t = Now();
  hr = OleCreateFromData(data, IID_IOleObject, OLERENDER_FORMAT, dib, nullptr, storage,
                         reinterpret_cast<void**>(object));
  data->Release();
  steps->fromData = Now() - t;
  return hr;
}

bool Run(const std::wstring& path, const std::wstring& storageFile, Steps* steps) {
  const double start = Now();
  FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  IStorage* storage = nullptr;
  if (FAILED(StgCreateDocfile(storageFile.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                              &storage))) {
    return false;
  }
  IOleObject* object = nullptr;
  bool ok = SUCCEEDED(CreateFromFile(path, storage, &dib, &object, steps));
  if (ok) {
    double t = Now();
    IOleCache* cache = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_IOleCache, reinterpret_cast<void**>(&cache)))) {
      DWORD connection = 0;
      cache->Cache(&dib, ADVF_PRIMEFIRST, &connection);
      cache->Release();
    }
    ok = SUCCEEDED(OleRun(object));
    steps->run = Now() - t;
    t = Now();
    ok = ok && Draw(object);
    steps->draw = Now() - t;
    t = Now();
    IPersistStorage* persist = nullptr;
    ok = ok && SUCCEEDED(object->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist))) &&
         SUCCEEDED(OleSave(persist, storage, TRUE));
    if (persist != nullptr) {
      persist->SaveCompleted(nullptr);
      persist->Release();
    }
    ok = ok && SUCCEEDED(storage->Commit(STGC_DEFAULT));
    steps->save = Now() - t;
    t = Now();
    object->Close(OLECLOSE_NOSAVE);
    object->Release();
    steps->close = Now() - t;
  }
  if (ok) {
    const double t = Now();
    IOleObject* again = nullptr;
    ok = SUCCEEDED(OleLoad(storage, IID_IOleObject, nullptr, reinterpret_cast<void**>(&again))) && Draw(again);
    if (again != nullptr) {
      again->Close(OLECLOSE_NOSAVE);
      again->Release();
    }
    steps->loadDraw = Now() - t;
  }
  storage->Release();
  DeleteFileW(storageFile.c_str());
  steps->total = Now() - start;
  return ok;
}

// The floor set by COM between two processes: creating an object of a
// running server (its factory registered for many uses) and releasing it,
// and an empty call to it (IPersist::GetClassID, answered from a constant).
void ProbeCom(const char* whose, const CLSID& clsid) {
  std::vector<double> creates, calls;
  for (int i = 0; i < 10; ++i) {
    double t = Now();
    IPersist* object = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPersist, reinterpret_cast<void**>(&object)))) {
      std::printf("floor, %s: no object made\n", whose);
      return;
    }
    creates.push_back(Now() - t);
    CLSID answer{};
    t = Now();
    for (int k = 0; k < 100; ++k) object->GetClassID(&answer);
    calls.push_back((Now() - t) / 100);
    object->Release();
  }
  std::printf("floor, %s: CoCreateInstance median %.2f ms; an empty call median %.3f ms\n", whose, Median(creates),
              Median(calls));
}

// The time of handing over a CF_DIB across the processes (request, the
// server's rendering, the copy back), median of ten.
void ProbeDib(const char* whose, IDataObject* data) {
  std::vector<double> times;
  std::size_t bytes = 0;
  for (int i = 0; i < 10; ++i) {
    FORMATETC dib{CF_DIB, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    const double t = Now();
    if (FAILED(data->GetData(&dib, &medium))) {
      std::printf("floor, %s: no CF_DIB\n", whose);
      return;
    }
    times.push_back(Now() - t);
    bytes = GlobalSize(medium.hGlobal);
    ReleaseStgMedium(&medium);
  }
  std::printf("floor, %s: a CF_DIB of %zu bytes handed over, median %.2f ms\n", whose, bytes, Median(times));
}

// The program's DIB of the file, through the object the file's moniker binds.
void ProbeProgramDib(const std::wstring& path) {
  IMoniker* moniker = nullptr;
  IDataObject* data = nullptr;
  if (SUCCEEDED(CreateFileMoniker(path.c_str(), &moniker)) &&
      SUCCEEDED(BindMoniker(moniker, 0, IID_IDataObject, reinterpret_cast<void**>(&data)))) {
    ProbeDib("the program", data);
    data->Release();
  }
  if (moniker != nullptr) moniker->Release();
}

// The same against the bare server beside this program, started here and
// ended after.
void ProbeBareServer() {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, lumora::bench::kFloorReady);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  std::wstring command = L"\"" + folder + L"com_floor_server.exe\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (ready == nullptr || !CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &process)) {
    std::printf("floor, bare server: not started\n");
    if (ready != nullptr) CloseHandle(ready);
    return;
  }
  if (WaitForSingleObject(ready, 20000) == WAIT_OBJECT_0) {
    ProbeCom("a bare server", lumora::bench::kFloorClsid);
    IDataObject* data = nullptr;
    if (SUCCEEDED(CoCreateInstance(lumora::bench::kFloorClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDataObject,
                                   reinterpret_cast<void**>(&data)))) {
      ProbeDib("a bare server", data);
      data->Release();
    }
  } else {
    std::printf("floor, bare server: never ready\n");
  }
  PostThreadMessageW(process.dwThreadId, WM_QUIT, 0, 0);
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(ready);
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
    Steps steps;
    if (!Run(path, storageFile, &steps)) {
      std::fprintf(stderr, "run %d failed\n", i + 1);
      OleUninitialize();
      return 1;
    }
    times.push_back(steps.total);
    char create[96];
    if (steps.bind > 0) {
      std::snprintf(create, sizeof create, "%.1f = bind the file %.1f + from its data %.1f",
                    steps.bind + steps.fromData, steps.bind, steps.fromData);
    } else {
      std::snprintf(create, sizeof create, "%.1f", steps.fromData);
    }
    std::printf("run %d: %.1f ms (create %s, run %.1f, draw %.1f, save %.1f, close and release %.1f, "
                "load and draw %.1f)\n",
                i + 1, steps.total, create, steps.run, steps.draw, steps.save, steps.close, steps.loadDraw);
    std::fflush(stdout);
  }
  const double median = Median(times);
  CLSID program{};
  if (SUCCEEDED(CLSIDFromProgID(L"Lumo40.Document", &program))) ProbeCom("the program", program);
  ProbeProgramDib(path);
  ProbeBareServer();
  OleUninitialize();
  std::printf("median %.1f\n", median);
  return 0;
}
