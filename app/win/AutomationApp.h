// The automation object "Lumo40.Application": every command of the macro
// language is a method of the same name (GetIDsOfNames without regard to
// case, dispatch ids 1000 + the command's index in the name-sorted table),
// run exactly as a macro statement; plus the properties Visible and
// UserControl and DummyMethod1. Its class factory serves every object from
// this one program.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>

#include "lang/Script.h"

namespace lumora {

class AutomationApp final : public IDispatch {
 public:
  // A new object (one reference, the caller's); it holds the program until
  // it goes.
  static AutomationApp* Create();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argError) override;

 private:
  AutomationApp();
  ~AutomationApp();
  HRESULT InvokeCommand(DISPID id, DISPPARAMS* params, VARIANT* result, UINT* argError);
  HRESULT InvokeOwn(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result);

  std::atomic<ULONG> refs_{1};
  // What statements leave for the next (the active layer, the selection).
  std::unique_ptr<lang::ScriptRunState> state_;
};

// The class factory of the automation object, registered for the whole
// run (multiple use); false when COM refuses.
bool RegisterAutomationFactory();
void RevokeAutomationFactory();

// Whether a program that serves objects may end now: no object and no
// lock left, and the user does not control it (COM started it, or the user
// closed it while objects remained). The end is posted to the main frame.
void EndAutomationServerWhenUnused();

// Every object the program serves holds it while it lives.
void AddServedObject();
void ReleaseServedObject();
// Some container or script still holds an object or a lock.
bool ServedObjectsRemain();

}  // namespace lumora
