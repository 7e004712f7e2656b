// The automation object and its class factory.
#include "app/win/AutomationApp.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/AutomationArgs.h"
#include "document/ClassIds.h"
#include "app/win/EmbeddedImage.h"
#include "app/win/Lumo40App.h"
#include "framework/win/Frame.h"
#include "framework/win/OleClassFactory.h"
#include "lang/LangCommand.h"
#include "platform/win/window_text.h"

namespace lumora {

namespace {

// The dispatch map's members.
constexpr DISPID kDispVisible = 1, kDispUserControl = 2, kDispDummyMethod1 = 3;

std::atomic<long> gObjects{0};
std::atomic<long> gLocks{0};
DWORD gFactoryCookie = 0;

GUID ToGuid(const ClassIdParts& p) {
  GUID g{};
  g.Data1 = p.data1;
  g.Data2 = p.data2;
  g.Data3 = p.data3;
  std::copy(p.data4, p.data4 + 8, g.Data4);
  return g;
}

// The language's commands, sorted by name: made on first use for the run.
const std::vector<lang::LangCommand*>& CommandTable() {
  static std::vector<lang::LangCommand*> table;
  static bool filled = false;
  if (!filled && lang::GetLangCommands() != nullptr) {
    lang::CollectLangCommands(table);
    filled = true;
  }
  return table;
}

std::vector<std::string> CommandNames() {
  std::vector<std::string> names;
  for (lang::LangCommand* c : CommandTable()) names.push_back(c->GetName());
  return names;
}

std::string Narrow(const wchar_t* text) { return text != nullptr ? NarrowPath(text) : std::string(); }

// A VARIANT read for the argument builder; its type is judged there.
AutomationArg ReadArgument(const VARIANT& v) {
  AutomationArg a;
  a.vt = v.vt;
  switch (v.vt) {
    case VT_I2: a.integer = v.iVal; break;
    case VT_BOOL: a.integer = v.boolVal; break;
    case VT_I4: a.integer = v.lVal; break;
    case VT_UI4: a.integer = v.ulVal; break;
    case VT_I1: a.integer = v.cVal; break;
    case VT_UI1: a.integer = v.bVal; break;
    case VT_UI2: a.integer = v.uiVal; break;
    case VT_INT: a.integer = v.intVal; break;
    case VT_UINT: a.integer = v.uintVal; break;
    case VT_BYREF | VT_I2: a.integer = v.piVal != nullptr ? *v.piVal : 0; break;
    case VT_BYREF | VT_BOOL: a.integer = v.pboolVal != nullptr ? *v.pboolVal : 0; break;
    case VT_BYREF | VT_I4: a.integer = v.plVal != nullptr ? *v.plVal : 0; break;
    case VT_BYREF | VT_UI1: a.integer = v.pbVal != nullptr ? *v.pbVal : 0; break;
    case VT_BSTR: a.text = Narrow(v.bstrVal); break;
    default: break;
  }
  return a;
}

HWND MainWindow() {
  CLumo40App* app = TheLumoApp();
  fw::FrameWnd* frame = app != nullptr ? app->MainFrame() : nullptr;
  return frame != nullptr ? frame->Handle() : nullptr;
}

void ShowMainWindow(bool show) {
  HWND main = MainWindow();
  if (main == nullptr) return;
  if (show) {
    TheLumoApp()->MainFrame()->ActivateFrame(SW_SHOW);
  } else {
    ShowWindow(main, SW_HIDE);
  }
}

void LockAutomationServer(bool lock) {
  if (lock) {
    ++gLocks;
  } else if (--gLocks == 0) {
    EndAutomationServerWhenUnused();
  }
}

fw::ProgramClassFactory<AutomationApp> gFactory(LockAutomationServer);

}  // namespace

// ---- The object

AutomationApp* AutomationApp::Create() { return new AutomationApp(); }

AutomationApp::AutomationApp() : state_(std::make_unique<lang::ScriptRunState>()) { AddServedObject(); }

AutomationApp::~AutomationApp() { ReleaseServedObject(); }

void AddServedObject() { ++gObjects; }

void ReleaseServedObject() {
  if (--gObjects == 0) EndAutomationServerWhenUnused();
}

bool ServedObjectsRemain() { return gObjects > 0 || gLocks > 0; }

HRESULT AutomationApp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const GUID own = ToGuid(kApplicationDispIid);
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, own)) return E_NOINTERFACE;
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG AutomationApp::AddRef() { return ++refs_; }

ULONG AutomationApp::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT AutomationApp::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return E_NOTIMPL;
}

HRESULT AutomationApp::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT AutomationApp::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  try {
    const std::vector<std::string> table = CommandNames();
    HRESULT answer = S_OK;
    for (UINT i = 0; i < count; ++i) {
      const std::string name = Narrow(names[i]);
      DISPID id = CommandDispId(table, name);
      if (id < 0) {
        // Not a command: the dispatch map's members.
        const auto is = [&](const char* member) { return lstrcmpiA(name.c_str(), member) == 0; };
        id = is("Visible") ? kDispVisible : is("UserControl") ? kDispUserControl
                                          : is("DummyMethod1") ? kDispDummyMethod1 : DISPID_UNKNOWN;
      }
      if (id == DISPID_UNKNOWN) answer = DISP_E_UNKNOWNNAME;
      ids[i] = id;
    }
    return answer;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT AutomationApp::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO*, UINT* argError) {
  try {
    const auto commands = static_cast<DISPID>(CommandTable().size());
    if (id < kFirstCommandDispId || id >= kFirstCommandDispId + commands) return InvokeOwn(id, flags, params, result);
    if (result != nullptr) VariantInit(result);
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return InvokeCommand(id, params, result, argError);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT AutomationApp::InvokeCommand(DISPID id, DISPPARAMS* params, VARIANT* result, UINT* argError) {
  if (params != nullptr && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  // The positional arguments come last first: call order is reversed.
  std::vector<AutomationArg> args;
  const UINT count = params != nullptr ? params->cArgs : 0;
  for (UINT i = 0; i < count; ++i) args.push_back(ReadArgument(params->rgvarg[count - 1 - i]));
  lang::LangCommand* command = CommandTable()[static_cast<std::size_t>(id - kFirstCommandDispId)];
  const AutomationText built = BuildAutomationArguments(command->GetFormat(), args);
  if (built.code != kAutomationOk) {
    if (built.code == kAutomationTypeMismatch && argError != nullptr) {
      *argError = count - 1 - static_cast<UINT>(built.badArgument);
    }
    return static_cast<HRESULT>(built.code);
  }
  state_->failure.clear();
  const int answer = command->Execute(built.text.c_str(), *state_);
  if (result != nullptr) {
    result->vt = VT_BOOL;
    result->boolVal = answer != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  }
  CLumo40App* app = TheLumoApp();
  HWND main = MainWindow();
  if (app != nullptr && app->oleUserControl && main != nullptr && !IsWindowVisible(main)) ShowMainWindow(true);
  return S_OK;
}

HRESULT AutomationApp::InvokeOwn(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
  CLumo40App* app = TheLumoApp();
  if (app == nullptr) return E_FAIL;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  const auto boolArgument = [&](bool* value) -> HRESULT {
    if (params == nullptr || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantChangeType(&v, &params->rgvarg[0], 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
    *value = v.boolVal != VARIANT_FALSE;
    return S_OK;
  };
  const auto answerBool = [&](bool value) {
    if (result != nullptr) {
      VariantInit(result);
      result->vt = VT_BOOL;
      result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  };
  HWND main = MainWindow();
  const bool visible = main != nullptr && IsWindowVisible(main);
  switch (id) {
    case kDispVisible: {
      if (!put) return answerBool(visible);
      bool value = false;
      if (const HRESULT r = boolArgument(&value); FAILED(r)) return r;
      // The user's program stays on screen.
      if ((!value && app->oleUserControl) || value == visible) return S_OK;
      ShowMainWindow(value);
      return S_OK;
    }
    case kDispUserControl: {
      if (!put) return answerBool(app->oleUserControl);
      bool value = false;
      if (const HRESULT r = boolArgument(&value); FAILED(r)) return r;
      if (value) {
        app->oleUserControl = true;
        if (!visible) ShowMainWindow(true);
      }
      return S_OK;
    }
    case kDispDummyMethod1:
      MessageBoxA(main, "AutomationApp::DummyMethod1() invoked!", nullptr, MB_OK);
      if (result != nullptr) VariantInit(result);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

// ---- The factory and the server's life

bool RegisterAutomationFactory() {
  if (gFactoryCookie != 0) return true;
  const GUID clsid = ToGuid(kApplicationClsid);
  return SUCCEEDED(CoRegisterClassObject(clsid, &gFactory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &gFactoryCookie));
}

void RevokeAutomationFactory() {
  if (gFactoryCookie != 0) CoRevokeClassObject(gFactoryCookie);
  gFactoryCookie = 0;
}

void EndAutomationServerWhenUnused() {
  CLumo40App* app = TheLumoApp();
  if (app == nullptr || app->oleUserControl || gObjects > 0 || gLocks > 0) return;
  HWND main = MainWindow();
  if (main == nullptr) return;
  // A client asking for a new object from now on gets a new server: this
  // one is on its way out and could not serve it.
  RevokeAutomationFactory();
  RevokeEmbeddingFactory();
  // Nobody sees the program: its documents close without a question no one
  // could answer.
  if (!IsWindowVisible(main)) app->closeMode = 1;
  PostMessageA(main, WM_CLOSE, 0, 0);
}

}  // namespace lumora
