// Class descriptions for dynamic creation by name and IsKindOf: templates
// create documents, frames and views from them.
#pragma once

namespace fw {

class CmdTarget;

struct RuntimeClass {
  const char* name;
  const RuntimeClass* base;
  CmdTarget* (*create)();  // null for classes that cannot be made by name

  bool IsDerivedFrom(const RuntimeClass& other) const;
  CmdTarget* CreateObject() const { return create != nullptr ? create() : nullptr; }
};

// Every class described with FW_IMPLEMENT_DYNAMIC/DYNCREATE is listed here.
const RuntimeClass* FindRuntimeClass(const char* name);
void RegisterRuntimeClass(const RuntimeClass& rc);

struct RuntimeClassRegistrar {
  explicit RuntimeClassRegistrar(const RuntimeClass& rc) { RegisterRuntimeClass(rc); }
};

}  // namespace fw

#define FW_DECLARE_DYNAMIC(Class)                                           \
 public:                                                                   \
  static const ::fw::RuntimeClass kRuntimeClass;                           \
  const ::fw::RuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

#define FW_DECLARE_DYNCREATE(Class) \
  FW_DECLARE_DYNAMIC(Class)         \
  static ::fw::CmdTarget* CreateObject() { return new Class; }

#define FW_IMPLEMENT_DYNAMIC(Class, Base)                                              \
  const ::fw::RuntimeClass Class::kRuntimeClass{#Class, &Base::kRuntimeClass, nullptr}; \
  static const ::fw::RuntimeClassRegistrar kRegister##Class(Class::kRuntimeClass);

#define FW_IMPLEMENT_DYNCREATE(Class, Base)                                                   \
  const ::fw::RuntimeClass Class::kRuntimeClass{#Class, &Base::kRuntimeClass, &Class::CreateObject}; \
  static const ::fw::RuntimeClassRegistrar kRegister##Class(Class::kRuntimeClass);
