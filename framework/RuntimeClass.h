// Classes known by name at run time: a serialisable object records its
// class's name and schema in an archive, and reading finds the class again
// by that name and creates an empty object to fill. IsKindOf answers
// whether an object is of a class or one derived from it.
//
//   class PaletteItem : public fw::Object {
//     FW_DECLARE_SERIAL(PaletteItem)
//    public:
//     void Serialize(fw::Archive& ar) override;
//   };
//   FW_IMPLEMENT_SERIAL(PaletteItem, fw::Object, 1)  // in the .cpp
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace fw {

class Archive;
class Object;

struct RuntimeClass {
  const char* name;
  std::uint16_t schema;
  const RuntimeClass* base;  // null for fw::Object
  Object* (*create)();       // null for classes that cannot be created by name

  bool IsDerivedFrom(const RuntimeClass& other) const;
  // A new empty object, or null when the class cannot be created by name.
  std::unique_ptr<Object> CreateObject() const;
  // The registered class of that name (compared exactly), or null.
  static const RuntimeClass* FromName(std::string_view name);
};

// Adds the class to the registry of creatable classes (from a static
// initialiser); false when a class of that name is there already, which
// stays registered.
bool RegisterRuntimeClass(const RuntimeClass& runtimeClass);

class Object {
 public:
  static const RuntimeClass kClass;

  virtual ~Object() = default;
  virtual const RuntimeClass& GetRuntimeClass() const { return kClass; }
  // Reads or writes the object's own fields (see Archive::IsLoading).
  virtual void Serialize(Archive& archive) {}
  bool IsKindOf(const RuntimeClass& runtimeClass) const { return GetRuntimeClass().IsDerivedFrom(runtimeClass); }
};

}  // namespace fw

// In the class body: the class's RuntimeClass and its GetRuntimeClass.
#define FW_DECLARE_DYNAMIC(Class)                                   \
 public:                                                            \
  static const ::fw::RuntimeClass kClass;                           \
  const ::fw::RuntimeClass& GetRuntimeClass() const override { return kClass; }

#define FW_DECLARE_SERIAL(Class) FW_DECLARE_DYNAMIC(Class)

// In one .cpp: a class known for IsKindOf only.
#define FW_IMPLEMENT_DYNAMIC(Class, Base) \
  const ::fw::RuntimeClass Class::kClass{#Class, 0xFFFF, &Base::kClass, nullptr};

// In one .cpp: a class created by name when an archive names it.
#define FW_IMPLEMENT_SERIAL(Class, Base, schemaNumber)                                         \
  const ::fw::RuntimeClass Class::kClass{#Class, schemaNumber, &Base::kClass,                  \
                                         []() -> ::fw::Object* { return new Class; }};        \
  [[maybe_unused]] static const bool kRegistered_##Class = ::fw::RegisterRuntimeClass(Class::kClass);
