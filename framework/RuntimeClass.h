// Classes known by name at run time. Templates create documents, frames and
// views from their class descriptions; a serialisable object records its
// class's name and schema in an archive, and reading finds the class again
// by that name and creates an empty object to fill. IsKindOf answers
// whether an object is of a class or of one derived from it.
//
//   class PaletteItem : public fw::Object {
//     FW_DECLARE_SERIAL(PaletteItem)
//    public:
//     void Serialize(fw::Archive& ar) override;
//   };
//   FW_IMPLEMENT_SERIAL(PaletteItem, fw::Object, 1)  // in the .cpp
#pragma once

#include <cstdint>
#include <string_view>

namespace fw {

class Archive;
class Object;

struct RuntimeClass {
  const char* name;
  std::uint16_t schema;      // 0xFFFF for classes that archives do not store
  const RuntimeClass* base;  // null for fw::Object
  Object* (*create)();       // null for classes that cannot be created by name

  bool IsDerivedFrom(const RuntimeClass& other) const;
  // A new empty object (owned by the caller), or null when the class
  // cannot be created by name.
  Object* CreateObject() const { return create != nullptr ? create() : nullptr; }
  // The registered class of that name (compared exactly), or null.
  static const RuntimeClass* FromName(std::string_view name);
};

// Adds the class to the registry (from a static initialiser); false when a
// class of that name is there already, which stays registered.
bool RegisterRuntimeClass(const RuntimeClass& runtimeClass);
inline const RuntimeClass* FindRuntimeClass(std::string_view name) { return RuntimeClass::FromName(name); }

class Object {
 public:
  static const RuntimeClass kRuntimeClass;

  virtual ~Object() = default;
  virtual const RuntimeClass* GetRuntimeClass() const { return &kRuntimeClass; }
  // Reads or writes the object's own fields (see Archive::IsLoading).
  virtual void Serialize(Archive& archive) {}
  bool IsKindOf(const RuntimeClass& runtimeClass) const { return GetRuntimeClass()->IsDerivedFrom(runtimeClass); }
};

}  // namespace fw

// In the class body: the class's description and its GetRuntimeClass.
#define FW_DECLARE_DYNAMIC(Class)                                           \
 public:                                                                    \
  static const ::fw::RuntimeClass kRuntimeClass;                            \
  const ::fw::RuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

// The same for a class that can be created by name.
#define FW_DECLARE_DYNCREATE(Class) \
  FW_DECLARE_DYNAMIC(Class)         \
  static ::fw::Object* CreateObject() { return new Class; }

#define FW_DECLARE_SERIAL(Class) FW_DECLARE_DYNCREATE(Class)

// In one .cpp: a class known for IsKindOf and lookup by name.
#define FW_IMPLEMENT_DYNAMIC(Class, Base)                                                       \
  const ::fw::RuntimeClass Class::kRuntimeClass{#Class, 0xFFFF, &Base::kRuntimeClass, nullptr}; \
  [[maybe_unused]] static const bool kRegistered_##Class = ::fw::RegisterRuntimeClass(Class::kRuntimeClass);

// In one .cpp: a class created by name (templates).
#define FW_IMPLEMENT_DYNCREATE(Class, Base)                                                  \
  const ::fw::RuntimeClass Class::kRuntimeClass{#Class, 0xFFFF, &Base::kRuntimeClass,        \
                                                &Class::CreateObject};                       \
  [[maybe_unused]] static const bool kRegistered_##Class = ::fw::RegisterRuntimeClass(Class::kRuntimeClass);

// In one .cpp: a class created by name when an archive names it.
#define FW_IMPLEMENT_SERIAL(Class, Base, schemaNumber)                                       \
  const ::fw::RuntimeClass Class::kRuntimeClass{#Class, schemaNumber, &Base::kRuntimeClass,  \
                                                &Class::CreateObject};                       \
  [[maybe_unused]] static const bool kRegistered_##Class = ::fw::RegisterRuntimeClass(Class::kRuntimeClass);
