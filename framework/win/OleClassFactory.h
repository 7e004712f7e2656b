// A class factory registered for the program's whole run: it makes one kind
// of object and tells the program when a client locks or unlocks the server.
#pragma once

#include <windows.h>

namespace fw {

// `Object::Create()` makes an object with one reference (it may throw).
// The factory is a static object, so its reference count is not kept.
template <class Object>
class ProgramClassFactory final : public IClassFactory {
 public:
  explicit ProgramClassFactory(void (*lockServer)(bool lock)) : lockServer_(lockServer) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Object* object = nullptr;
    try {
      object = Object::Create();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    const HRESULT r = object->QueryInterface(iid, out);
    object->Release();
    return r;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lockServer_(lock != FALSE);
    return S_OK;
  }

 private:
  void (*lockServer_)(bool lock);
};

}  // namespace fw
