// A dragged layer rendered into real OLE streams on global memory and on a
// file, and read back as a drop target does.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "engine/layered/RWLayers.h"
#include "engine/layered/win/LayerDataSource.h"
#include "engine/pixels/AppValues.h"
#include "hostapi/toolhost.h"
#include "platform/win/ole_stream_file.h"
#include "../../layers/stack_support.h"

namespace {

std::uint64_t StreamSize(IStream* stream) {
  STATSTG stat = {};
  stream->Stat(&stat, STATFLAG_NONAME);
  return stat.cbSize.QuadPart;
}

std::uint64_t StreamPosition(IStream* stream) {
  LARGE_INTEGER zero = {};
  ULARGE_INTEGER position = {};
  stream->Seek(zero, STREAM_SEEK_CUR, &position);
  return position.QuadPart;
}

void SeekTo(IStream* stream, std::int64_t offset) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  stream->Seek(move, STREAM_SEEK_SET, nullptr);
}

// What a drop target does: the reference's bytes into a memory file, then
// the layer it names.
CLayerPtr ReadDropped(IStream* stream, std::uint32_t* resolution) {
  std::uint8_t bytes[lumora::kLayerRefBytes] = {};
  ULONG read = 0;
  stream->Read(bytes, sizeof bytes, &read);
  EXPECT_EQ(read, sizeof bytes);
  *resolution = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24);
  lumora::MemFile file;
  file.Attach(bytes, sizeof bytes);
  CLayer* copy = nullptr;
  CRWLayers(&file).ReadLayerRef(&copy);
  return CLayerPtr::Adopt(copy);
}

class LayerDataSource : public ::testing::Test {
 protected:
  void SetUp() override {
    lumora::SetLayerClipboardFormat(RegisterClipboardFormatA("Lumo40 W32 Layer"));
    format_.cfFormat = static_cast<CLIPFORMAT>(lumora::GetLayerClipboardFormat());
    format_.dwAspect = DVASPECT_CONTENT;
    format_.lindex = -1;
    format_.tymed = TYMED_ISTREAM;
    layer_ = lumora::testing::ColourLayer(RECT{2, 3, 12, 9}, 1, 2, 3, 77);
    layer_->PeekImage()->SetXRes(300);
    layer_->PeekImage()->SetYRes(150);
  }
  FORMATETC format_ = {};
  CLayerPtr layer_;
  CLayerDataSource source_;
};

TEST_F(LayerDataSource, EmptyMediumGetsAStreamAtItsEndThatNamesACopy) {
  source_.SetLayer(layer_.get());
  STGMEDIUM medium = {};
  ASSERT_TRUE(source_.OnRenderData(&format_, &medium));
  ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ISTREAM));
  EXPECT_EQ(StreamSize(medium.pstm), lumora::kLayerRefBytes);
  EXPECT_EQ(StreamPosition(medium.pstm), lumora::kLayerRefBytes);
  EXPECT_TRUE(LUPreview_IsEnabled());
  SeekTo(medium.pstm, 0);
  std::uint32_t resolution = 0;
  CLayerPtr copy = ReadDropped(medium.pstm, &resolution);
  ReleaseStgMedium(&medium);
  EXPECT_EQ(resolution, 300u | 150u << 16);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), layer_.get());
  EXPECT_EQ(copy->GetRefCount(), 1);
  EXPECT_EQ(copy->GetRect().left, 2);
  EXPECT_EQ(lumora::testing::PixelAt(copy->PeekImage(), 0, 0), (lumora::testing::Px{1, 2, 3}));
  EXPECT_EQ(copy->PeekMask()->Row(0)[0], 77);
}

TEST_F(LayerDataSource, WritesAtTheGivenStreamsPositionAndCutsItThere) {
  source_.SetLayer(layer_.get());
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  const char before[] = "0123456789";
  stream->Write(before, 10, nullptr);
  SeekTo(stream, 5);
  STGMEDIUM medium = {};
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = stream;
  ASSERT_TRUE(source_.OnRenderData(&format_, &medium));
  EXPECT_EQ(StreamSize(stream), 5 + lumora::kLayerRefBytes);
  EXPECT_EQ(StreamPosition(stream), 5 + lumora::kLayerRefBytes);
  SeekTo(stream, 5);
  std::uint32_t resolution = 0;
  EXPECT_TRUE(ReadDropped(stream, &resolution));
  stream->Release();
}

TEST_F(LayerDataSource, RefusesWithoutLayerFormatOrStreamAndOnStreamFaults) {
  STGMEDIUM medium = {};
  EXPECT_FALSE(source_.OnRenderData(&format_, &medium));  // no layer
  source_.SetLayer(layer_.get());
  FORMATETC other = format_;
  other.cfFormat = CF_DIB;
  EXPECT_FALSE(source_.OnRenderData(&other, &medium));
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = nullptr;
  EXPECT_FALSE(source_.OnRenderData(&format_, &medium));
  EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));

  // A stream on a file opened for reading refuses every write.
  char path[MAX_PATH] = {};
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "lds", 0, path);
  IStream* readOnly = nullptr;
  ASSERT_EQ(SHCreateStreamOnFileA(path, STGM_READ | STGM_SHARE_DENY_NONE, &readOnly), S_OK);
  STGMEDIUM fileMedium = {};
  fileMedium.tymed = TYMED_ISTREAM;
  fileMedium.pstm = readOnly;
  EXPECT_FALSE(source_.OnRenderData(&format_, &fileMedium));
  EXPECT_TRUE(LUPreview_IsEnabled());
  readOnly->Release();
  DeleteFileA(path);
}

TEST_F(LayerDataSource, HoldsOneReferenceAndNamesOnlyTheLayerItHolds) {
  const int before = layer_->GetRefCount();
  source_.SetLayer(layer_.get());
  EXPECT_GT(layer_->GetRefCount(), before);
  STGMEDIUM medium = {};
  ASSERT_TRUE(source_.OnRenderData(&format_, &medium));
  source_.SetLayer(nullptr);
  EXPECT_EQ(layer_->GetRefCount(), before);
  SeekTo(medium.pstm, 0);
  std::uint32_t resolution = 0;
  EXPECT_FALSE(ReadDropped(medium.pstm, &resolution));  // no longer offered
  ReleaseStgMedium(&medium);
}

TEST(OleStreamFile, GrowsInWholeStepsAndFlushCutsToThePosition) {
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  const std::uint64_t page = info.dwPageSize;
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  {
    CMyOleStreamFile file(stream, 100, static_cast<std::uint32_t>(page + 1));
    EXPECT_EQ(StreamSize(stream), 0u) << "nothing reserved before the first write";
    // The first write reserves the initial size (one page) and runs past it.
    std::string bytes(page + 10, 'x');
    file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(StreamSize(stream), page + 10);
    // Later writes past the initial size grow it by whole steps (two pages).
    file.Write(bytes.data(), 10);
    EXPECT_EQ(StreamSize(stream), page + 2 * page);
    EXPECT_EQ(file.GetLength(), page + 20);
    file.SeekFromCurrent(-20);
    file.Flush();
    EXPECT_EQ(StreamSize(stream), page);
    EXPECT_EQ(file.GetPosition(), page);
    char back[4] = {};
    file.SeekFromCurrent(-4);
    EXPECT_EQ(file.Read(back, 4), 4u);
    EXPECT_EQ(file.Read(back, 4), 0u);
  }
  EXPECT_EQ(stream->Release(), 0u);  // the file held no reference
  EXPECT_THROW(CMyOleStreamFile(nullptr, 1, 1), lumora::FileException);
}

// The room reserved ahead of the writes never outlives the file: Close and
// the destructor cut the stream to the position as Flush does; a stream
// closed exactly at its end is left as it is.
TEST(OleStreamFile, CloseAndDestructionCutTheReserve) {
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  const std::uint64_t page = info.dwPageSize;
  for (const bool close : {true, false}) {
    SCOPED_TRACE(close ? "Close" : "destructor");
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    {
      CMyOleStreamFile file(stream, 1, 1);
      file.Write("abcdefg", 7);
      EXPECT_EQ(StreamSize(stream), page) << "the first write reserves one initial size";
      if (close) {
        file.Close();
        EXPECT_EQ(StreamSize(stream), 7u);
        file.Close();  // a second close does nothing
      }
    }
    EXPECT_EQ(StreamSize(stream), 7u);
    SeekTo(stream, 0);
    char back[8] = {};
    ULONG read = 0;
    EXPECT_EQ(stream->Read(back, 8, &read), S_OK);
    EXPECT_EQ(std::string(back, read), "abcdefg");
    EXPECT_EQ(stream->Release(), 0u);
  }
  // Closed exactly at its length: no cut, and nothing was reserved.
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  std::string whole(page, 'y');
  ULONG written = 0;
  ASSERT_EQ(stream->Write(whole.data(), static_cast<ULONG>(whole.size()), &written), S_OK);
  {
    CMyOleStreamFile file(stream, 1, 1);
    EXPECT_EQ(file.GetLength(), page);
    file.Close();
  }
  EXPECT_EQ(StreamSize(stream), page);
  EXPECT_EQ(stream->Release(), 0u);
}

}  // namespace
