// Fuzz target of archive reading: any bytes must read as a map of strings
// to objects or end in a file exception, never crash, hang or allocate
// beyond what the file holds. A map that reads must write to bytes that
// read and write again to the same bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/Archive.h"
#include "fuzz/fuzz_target.h"

namespace {

// An entry with numbers, a string list and a nested object, as stores and
// databases keep them.
class FuzzEntry : public fw::Object {
  FW_DECLARE_SERIAL(FuzzEntry)
 public:
  void Serialize(fw::Archive& ar) override {
    if (ar.IsStoring()) {
      ar << low_ << high_;
      ar.WriteCount(names_.size());
      for (const std::string& n : names_) ar << n;
      ar.WriteObject(child_.get());
    } else {
      ar >> low_ >> high_;
      const std::uint32_t count = ar.ReadCount(1);
      for (std::uint32_t i = 0; i < count; ++i) names_.push_back(ar.ReadString());
      child_ = ar.ReadObject();
    }
  }

 private:
  std::uint32_t low_ = 0;
  std::uint16_t high_ = 0;
  std::vector<std::string> names_;
  std::unique_ptr<fw::Object> child_;
};
FW_IMPLEMENT_SERIAL(FuzzEntry, fw::Object, 1)

class FuzzLeaf : public fw::Object {
  FW_DECLARE_SERIAL(FuzzLeaf)
 public:
  void Serialize(fw::Archive& ar) override {
    if (ar.IsStoring()) ar << value_;
    else ar >> value_;
  }

 private:
  double value_ = 0;
};
FW_IMPLEMENT_SERIAL(FuzzLeaf, fw::Object, 0)

using Map = std::vector<std::pair<std::string, std::unique_ptr<fw::Object>>>;

Map ReadMap(std::vector<std::uint8_t> bytes) {
  fw::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive ar(file, fw::Archive::load);
  Map map;
  const std::uint32_t count = ar.ReadCount(3);  // a key byte and a tag at least
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string key = ar.ReadString();
    map.emplace_back(std::move(key), ar.ReadObject());
  }
  return map;
}

std::vector<std::uint8_t> WriteMap(const Map& map) {
  fw::MemFile file(4096);
  fw::Archive ar(file, fw::Archive::store);
  ar.WriteCount(map.size());
  for (const auto& [key, object] : map) {
    ar << key;
    ar.WriteObject(object.get());
  }
  ar.Close();
  return std::vector<std::uint8_t>(file.Data(), file.Data() + file.GetLength());
}

}  // namespace

LUMORA_FUZZ_TARGET(archive)(const std::uint8_t* data, std::size_t size) {
  Map map;
  try {
    map = ReadMap(std::vector<std::uint8_t>(data, data + size));
  } catch (const fw::FileException&) {
    return 0;
  }
  const std::vector<std::uint8_t> once = WriteMap(map);
  if (WriteMap(ReadMap(once)) != once) __builtin_trap();
  return 0;
}
