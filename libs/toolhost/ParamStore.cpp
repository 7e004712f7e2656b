// Reading and writing the tools' last parameters.
#include "libs/toolhost/ParamStore.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/file_replace.h"

namespace lumora::toolhost {
namespace {

constexpr char kMagic[4] = {'L', 'U', 'D', 'B'};
constexpr std::uint16_t kVersion = 1;

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool Take(std::size_t n, const std::uint8_t** at) {
    if (bytes_.size() - pos_ < n) return false;
    *at = bytes_.data() + pos_;
    pos_ += n;
    return true;
  }
  bool U8(std::uint32_t* v) {
    const std::uint8_t* p;
    if (!Take(1, &p)) return false;
    *v = p[0];
    return true;
  }
  bool U16(std::uint32_t* v) {
    const std::uint8_t* p;
    if (!Take(2, &p)) return false;
    *v = p[0] | (p[1] << 8);
    return true;
  }
  bool I32(std::int32_t* v) {
    const std::uint8_t* p;
    if (!Take(4, &p)) return false;
    *v = static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_ = 0;
};

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(u >> shift));
}

bool ReadRecord(Reader& in, StoredParams* record) {
  std::uint32_t nameLength, count;
  const std::uint8_t* name;
  if (!in.U8(&nameLength) || nameLength == 0 || !in.Take(nameLength, &name) || !in.U8(&count)) return false;
  record->idName.assign(reinterpret_cast<const char*>(name), nameLength);
  record->params.resize(count);
  for (std::int32_t& p : record->params) {
    if (!in.I32(&p)) return false;
  }
  return true;
}

}  // namespace

std::vector<StoredParams> ReadParamStore(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  Reader in(bytes);
  const std::uint8_t* magic;
  std::uint32_t version, count;
  if (!in.Take(4, &magic) || std::memcmp(magic, kMagic, 4) != 0 || !in.U16(&version) || version != kVersion ||
      !in.U16(&count)) {
    return {};
  }
  std::vector<StoredParams> records(count);
  for (StoredParams& r : records) {
    if (!ReadRecord(in, &r)) return {};
  }
  return records;
}

bool WriteToolParams(const std::string& path, const StoredParams& record, std::string* error) {
  if (record.idName.empty() || record.idName.size() > 255 || record.params.size() > 255) {
    if (error != nullptr) *error = "record does not fit the data file";
    return false;
  }
  std::vector<StoredParams> records = ReadParamStore(path);
  bool replaced = false;
  for (StoredParams& r : records) {
    if (r.idName == record.idName) {
      r = record;
      replaced = true;
    }
  }
  if (!replaced) records.push_back(record);
  if (records.size() > 0xFFFF) records.erase(records.begin());

  std::vector<std::uint8_t> out(kMagic, kMagic + 4);
  PutU16(out, kVersion);
  PutU16(out, static_cast<std::uint32_t>(records.size()));
  for (const StoredParams& r : records) {
    out.push_back(static_cast<std::uint8_t>(r.idName.size()));
    out.insert(out.end(), r.idName.begin(), r.idName.end());
    out.push_back(static_cast<std::uint8_t>(r.params.size()));
    for (std::int32_t p : r.params) PutI32(out, p);
  }
  std::string localError;
  std::string* err = error != nullptr ? error : &localError;
  const std::string temp = CreateTempFileBeside(path, err);
  if (temp.empty()) return false;
  {
    std::ofstream file(temp, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) {
      *err = "cannot write " + temp;
      RemoveFile(temp);
      return false;
    }
  }
  if (!FlushFileToDisk(temp, err) || !ReplaceFileAtomically(temp, path, err)) {
    RemoveFile(temp);
    return false;
  }
  return true;
}

}  // namespace lumora::toolhost
