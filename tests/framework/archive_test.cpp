// Archives: the exact bytes of numbers, strings at every length threshold,
// counts and class tags, the 4096-byte buffer, and hostile input ending in
// a file exception.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small serialisable class with one nested object, for tags and nesting.
class Item : public fw::Object {
  FW_DECLARE_SERIAL(Item)
 public:
  std::uint32_t value = 0;
  std::unique_ptr<fw::Object> child;
  void Serialize(fw::Archive& ar) override {
    if (ar.IsStoring()) {
      ar << value;
      ar.WriteObject(child.get());
    } else {
      ar >> value;
      child = ar.ReadObject();
    }
  }
};
FW_IMPLEMENT_SERIAL(Item, fw::Object, 1)

class Other : public fw::Object {
  FW_DECLARE_SERIAL(Other)
 public:
  std::string text;
  void Serialize(fw::Archive& ar) override {
    if (ar.IsStoring()) ar << text;
    else ar >> text;
  }
};
FW_IMPLEMENT_SERIAL(Other, fw::Object, 0)

class NotCreatable : public fw::Object {
  FW_DECLARE_DYNAMIC(NotCreatable)
};
FW_IMPLEMENT_DYNAMIC(NotCreatable, fw::Object)

template <typename Fill>
Bytes Store(Fill fill) {
  fw::MemFile file(256);
  {
    fw::Archive ar(file, fw::Archive::store);
    fill(ar);
    ar.Close();
  }
  return Bytes(file.Data(), file.Data() + file.GetLength());
}

// Reads `bytes` with `read`; the archive reads from its own copy.
template <typename ReadFn>
void Load(Bytes bytes, ReadFn read) {
  fw::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive ar(file, fw::Archive::load);
  read(ar);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Text(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(Archive, NumbersAreLittleEndian) {
  const Bytes bytes = Store([](fw::Archive& ar) {
    ar << std::uint8_t{0xAB} << std::uint16_t{0x1234} << std::int32_t{-2} << std::uint64_t{0x0102030405060708}
       << 1.0f << -2.5;
  });
  EXPECT_EQ(bytes, (Bytes{0xAB, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02,
                          0x01, 0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0x04, 0xC0}));
  Load(bytes, [](fw::Archive& ar) {
    std::uint8_t a;
    std::uint16_t b;
    std::int32_t c;
    std::uint64_t d;
    float e;
    double f;
    ar >> a >> b >> c >> d >> e >> f;
    EXPECT_EQ(a, 0xAB);
    EXPECT_EQ(b, 0x1234);
    EXPECT_EQ(c, -2);
    EXPECT_EQ(d, 0x0102030405060708u);
    EXPECT_EQ(e, 1.0f);
    EXPECT_EQ(f, -2.5);
  });
}

TEST(Archive, StringLengthPrefixesAtEveryThreshold) {
  const struct {
    std::size_t length;
    Bytes prefix;
  } cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {256, {0xFF, 0x00, 0x01}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::string text(c.length, 'x');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    const Bytes bytes = Store([&](fw::Archive& ar) { ar << text; });
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.prefix.size())), c.prefix);
    Load(bytes, [&](fw::Archive& ar) { EXPECT_EQ(ar.ReadString(), text); });
  }
}

TEST(Archive, CountsAtTheirThreshold) {
  const struct {
    std::uint32_t count;
    Bytes bytes;
  } cases[] = {
      {0, {0x00, 0x00}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {0x10000, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
  };
  for (const auto& c : cases) {
    const Bytes bytes = Store([&](fw::Archive& ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(bytes, c.bytes) << c.count;
    Load(bytes, [&](fw::Archive& ar) { EXPECT_EQ(ar.ReadCount(0), c.count); });
  }
}

// Two Items (the second nesting an Other), null, and a third Item: the
// first of each class names it, later ones refer to the class's index.
Bytes ObjectsGolden() {
  return Concat({
      {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}, Text("Item"), {0x07, 0, 0, 0}, {0x00, 0x00},  // class 1, object 2
      {0x01, 0x80}, {0x08, 0, 0, 0},                                                      // object 3
      {0xFF, 0xFF, 0x00, 0x00, 0x05, 0x00}, Text("Other"), {0x02}, Text("hi"),            // class 4, object 5
      {0x00, 0x00},                                                                       // null
      {0x01, 0x80}, {0x09, 0, 0, 0}, {0x04, 0x80}, {0x00},                                // object 6, Other 7
  });
}

TEST(Archive, ClassTagsAndReferences) {
  const Bytes bytes = Store([](fw::Archive& ar) {
    Item first;
    first.value = 7;
    Item second;
    second.value = 8;
    auto other = std::make_unique<Other>();
    other->text = "hi";
    second.child = std::move(other);
    Item third;
    third.value = 9;
    third.child = std::make_unique<Other>();
    ar.WriteObject(&first);
    ar.WriteObject(&second);
    ar.WriteObject(nullptr);
    ar.WriteObject(&third);
  });
  EXPECT_EQ(bytes, ObjectsGolden());

  Load(bytes, [](fw::Archive& ar) {
    auto first = ar.ReadObjectOf<Item>();
    auto second = ar.ReadObjectOf<Item>();
    EXPECT_EQ(ar.ReadObject(), nullptr);
    auto third = ar.ReadObjectOf<Item>();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->value, 7u);
    EXPECT_EQ(first->child, nullptr);
    ASSERT_TRUE(second->child && second->child->IsKindOf(Other::kRuntimeClass));
    EXPECT_EQ(static_cast<Other&>(*second->child).text, "hi");
    EXPECT_EQ(third->value, 9u);
    EXPECT_TRUE(third->child->IsKindOf(fw::Object::kRuntimeClass));
    EXPECT_FALSE(third->child->IsKindOf(Item::kRuntimeClass));
  });
}

TEST(Archive, DynamicCreationByName) {
  EXPECT_EQ(fw::RuntimeClass::FromName("Item"), &Item::kRuntimeClass);
  EXPECT_EQ(fw::RuntimeClass::FromName("item"), nullptr);
  ASSERT_EQ(fw::RuntimeClass::FromName("NotCreatable"), &NotCreatable::kRuntimeClass);
  EXPECT_FALSE(fw::RegisterRuntimeClass(Item::kRuntimeClass));
  std::unique_ptr<fw::Object> made(fw::RuntimeClass::FromName("Other")->CreateObject());
  ASSERT_TRUE(made);
  EXPECT_TRUE(made->IsKindOf(Other::kRuntimeClass));
  EXPECT_EQ(NotCreatable::kRuntimeClass.CreateObject(), nullptr);
  NotCreatable plain;
  EXPECT_THROW(Store([&](fw::Archive& ar) { ar.WriteObject(&plain); }), fw::FileException);
}

TEST(Archive, WritesThroughAFourKilobyteBuffer) {
  // Records the size of every write that reaches the file.
  class Recording : public fw::MemFile {
   public:
    Recording() : fw::MemFile(1024) {}
    void Write(const void* b, std::uint32_t n) override {
      writes.push_back(n);
      fw::MemFile::Write(b, n);
    }
    std::vector<std::uint32_t> writes;
  } file;
  {
    fw::Archive ar(file, fw::Archive::store);
    for (int i = 0; i < 2500; ++i) ar << static_cast<std::uint32_t>(i);
    EXPECT_EQ(file.writes, (std::vector<std::uint32_t>{4096, 4096}));
  }  // the destructor writes the rest
  EXPECT_EQ(file.writes, (std::vector<std::uint32_t>{4096, 4096, 1808}));
  EXPECT_EQ(file.GetLength(), 10000u);
}

TEST(Archive, FlushAfterLoadingLeavesTheFileAfterWhatWasRead) {
  Bytes bytes(100, 0x11);
  fw::MemFile file;
  file.Attach(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  fw::Archive ar(file, fw::Archive::load);
  std::uint16_t v;
  ar >> v;
  EXPECT_EQ(file.GetPosition(), 100u);  // buffered ahead
  ar.Flush();
  EXPECT_EQ(file.GetPosition(), 2u);
}

TEST(Archive, HostileInputEndsInAFileException) {
  enum Reader { kString, kCount, kObject };
  const struct {
    const char* what;
    Reader reader;
    Bytes bytes;
    fw::FileException::Cause cause;
  } cases[] = {
      {"string longer than the file", kString, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},
       fw::FileException::endOfFile},
      {"string of the reserved kind", kString, {0xFF, 0xFE, 0xFF, 0x01, 0x00, 0x00, 0x00},
       fw::FileException::invalidFile},
      {"count beyond the file", kCount, {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x10, 1, 2, 3}, fw::FileException::invalidFile},
      {"unknown class", kObject, Concat({{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}, Text("Nope")}),
       fw::FileException::invalidFile},
      {"class of another schema", kObject, Concat({{0xFF, 0xFF, 0x02, 0x00, 0x04, 0x00}, Text("Item")}),
       fw::FileException::invalidFile},
      {"class that is not creatable", kObject, Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0x0C, 0x00}, Text("NotCreatable")}),
       fw::FileException::invalidFile},
      {"empty class name", kObject, {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00}, fw::FileException::invalidFile},
      {"class name too long", kObject, {0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01}, fw::FileException::invalidFile},
      {"class index never named", kObject, {0x01, 0x80, 0, 0, 0, 0}, fw::FileException::invalidFile},
      {"reference to an object", kObject, {0x02, 0x00}, fw::FileException::invalidFile},
      {"truncated tag", kObject, {0xFF}, fw::FileException::endOfFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Load(c.bytes, [&](fw::Archive& ar) {
        if (c.reader == kString) ar.ReadString();
        if (c.reader == kCount) ar.ReadCount(4);
        if (c.reader == kObject) ar.ReadObject();
      });
      ADD_FAILURE() << "read without a fault";
    } catch (const fw::FileException& e) {
      EXPECT_EQ(e.cause(), c.cause);
    }
  }
}

TEST(Archive, ObjectsOfAnUnexpectedClassOrNestedTooDeeplyAreRefused) {
  Load(ObjectsGolden(), [](fw::Archive& ar) {
    try {
      ar.ReadObjectOf<Other>();
      ADD_FAILURE() << "an Item read as an Other";
    } catch (const fw::FileException& e) {
      EXPECT_EQ(e.cause(), fw::FileException::invalidFile);
    }
  });
  // Items nested 100 deep: each holds the next.
  Bytes deep = Concat({{0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}, Text("Item"), {0, 0, 0, 0}});
  for (int i = 1; i < 100; ++i) deep = Concat({deep, {0x01, 0x80, 0, 0, 0, 0}});
  deep = Concat({deep, {0x00, 0x00}});
  EXPECT_THROW(Load(deep, [](fw::Archive& ar) { ar.ReadObject(); }), fw::FileException);
}

TEST(Archive, EveryTruncationOfAGoodArchiveFailsCleanly) {
  const Bytes good = ObjectsGolden();
  for (std::size_t size = 0; size < good.size(); ++size) {
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_THROW(Load(cut,
                      [](fw::Archive& ar) {
                        for (int i = 0; i < 4; ++i) ar.ReadObject();
                      }),
                 fw::FileException)
        << size;
  }
}

}  // namespace
