// The native stand-ins for OLE services: memory streams and storages, advise holders, the
// recording device context and the registry readers' refusals.
#include <gtest/gtest.h>

#include <vector>

#include "component/control_sites.h"
#include "platform/native/recording_dc.h"
#include "platform/ole.h"

namespace {

TEST(MemoryStream, ReadWriteSeekAndClone) {
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, 1, &stream), S_OK);
  const char text[] = "abcdef";
  ULONG done = 0;
  ASSERT_EQ(stream->Write(text, 6, &done), S_OK);
  EXPECT_EQ(done, 6u);

  struct Step {
    LONGLONG move;
    DWORD origin;
    HRESULT result;
    ULONGLONG position;  // afterwards
  };
  const Step steps[] = {
      {0, STREAM_SEEK_SET, S_OK, 0},
      {2, STREAM_SEEK_CUR, S_OK, 2},
      {-1, STREAM_SEEK_END, S_OK, 5},
      {-6, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 5},  // before the start
      {0, 7, STG_E_INVALIDFUNCTION, 5},                 // no such origin
      {0x100000000LL, STREAM_SEEK_SET, STG_E_INVALIDFUNCTION, 5},
      {10, STREAM_SEEK_SET, S_OK, 10},  // beyond the end is allowed
  };
  for (const Step& step : steps) {
    LARGE_INTEGER move;
    move.QuadPart = step.move;
    EXPECT_EQ(stream->Seek(move, step.origin, nullptr), step.result) << step.move;
    LARGE_INTEGER none{};
    ULARGE_INTEGER position{};
    stream->Seek(none, STREAM_SEEK_CUR, &position);
    EXPECT_EQ(position.QuadPart, step.position) << step.move;
  }
  // Reading at the end gives nothing and says so.
  char buffer[8] = {};
  EXPECT_EQ(stream->Read(buffer, 4, &done), S_FALSE);
  EXPECT_EQ(done, 0u);

  IStream* clone = nullptr;
  ASSERT_EQ(stream->Clone(&clone), S_OK);
  LARGE_INTEGER start{};
  clone->Seek(start, STREAM_SEEK_SET, nullptr);
  EXPECT_EQ(clone->Read(buffer, 8, &done), S_FALSE);  // only 6 bytes
  EXPECT_EQ(done, 6u);
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
  clone->Release();
  stream->Release();
  EXPECT_EQ(CreateStreamOnHGlobal(reinterpret_cast<HGLOBAL>(8), 1, &stream), E_INVALIDARG);
}

TEST(MemoryStorage, NamedStreams) {
  IStorage* storage = nullptr;
  ASSERT_EQ(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, &storage),
            S_OK);
  IStream* stream = nullptr;
  ASSERT_EQ(storage->CreateStream(u"A", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream), S_OK);
  stream->Write("xy", 2, nullptr);
  stream->Release();
  EXPECT_EQ(storage->CreateStream(u"A", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream),
            STG_E_FILEALREADYEXISTS);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(storage->OpenStream(u"B", nullptr, STGM_READ, 0, &stream), STG_E_FILENOTFOUND);
  ASSERT_EQ(storage->RenameElement(u"A", u"B"), S_OK);
  ASSERT_EQ(storage->OpenStream(u"B", nullptr, STGM_READ, 0, &stream), S_OK);
  char buffer[2] = {};
  ULONG done = 0;
  stream->Read(buffer, 2, &done);
  EXPECT_EQ(std::string(buffer, done), "xy");
  stream->Release();
  EXPECT_EQ(storage->DestroyElement(u"B"), S_OK);
  EXPECT_EQ(storage->DestroyElement(u"B"), STG_E_FILENOTFOUND);
  storage->Release();
  EXPECT_EQ(StgCreateDocfile(u"file.stg", STGM_READWRITE, 0, &storage), STG_E_INVALIDPARAMETER);
}

TEST(AdviseHolders, ConnectionsAndNotices) {
  vk::testing::RecordingSink first;
  vk::testing::RecordingSink second;
  IOleAdviseHolder* holder = nullptr;
  ASSERT_EQ(CreateOleAdviseHolder(&holder), S_OK);
  DWORD a = 0;
  DWORD b = 0;
  ASSERT_EQ(holder->Advise(&first, &a), S_OK);
  ASSERT_EQ(holder->Advise(&second, &b), S_OK);
  EXPECT_NE(a, b);
  EXPECT_EQ(holder->Advise(nullptr, &b), E_INVALIDARG);
  holder->SendOnSave();
  ASSERT_EQ(holder->Unadvise(a), S_OK);
  EXPECT_EQ(holder->Unadvise(a), OLE_E_NOCONNECTION);
  holder->SendOnClose();
  EXPECT_EQ(first.calls, std::vector<std::string>{"OnSave"});
  EXPECT_EQ(second.calls, (std::vector<std::string>{"OnSave", "OnClose"}));
  holder->Release();  // lets go of the sinks still advised
  EXPECT_EQ(first.count, 1u);
  EXPECT_EQ(second.count, 1u);

  IDataAdviseHolder* data = nullptr;
  ASSERT_EQ(CreateDataAdviseHolder(&data), S_OK);
  FORMATETC format{0, nullptr, DVASPECT_CONTENT, -1, TYMED_NULL};
  ASSERT_EQ(data->Advise(nullptr, &format, ADVF_NODATA | ADVF_ONLYONCE, &first, &a), S_OK);
  data->SendOnDataChange(nullptr, 0, 0);
  data->SendOnDataChange(nullptr, 0, 0);  // the once-only sink is gone
  EXPECT_EQ(first.calls, (std::vector<std::string>{"OnSave", "OnDataChange"}));
  EXPECT_EQ(data->Unadvise(a), OLE_E_NOCONNECTION);
  data->Release();
  EXPECT_EQ(first.count, 1u);
}

TEST(RecordingDc, OnlyLiveRecordersAcceptCalls) {
  // Kept as a number so that the compiler does not take the stale handle for a dangling
  // pointer: it is only compared, never followed.
  volatile std::uintptr_t staleValue = 0;
  {
    vk::platform::RecordingDc dc(120, 144);
    staleValue = reinterpret_cast<std::uintptr_t>(dc.handle());
    EXPECT_EQ(GetDeviceCaps(dc.handle(), LOGPIXELSX), 120);
    EXPECT_EQ(GetDeviceCaps(dc.handle(), LOGPIXELSY), 144);
    EXPECT_EQ(SetTextAlign(dc.handle(), 30), 0u);  // the previous alignment
    EXPECT_EQ(SetTextAlign(dc.handle(), 0), 30u);
    EXPECT_EQ(TextOutA(dc.handle(), 1, 2, "abc", -1), 0);
    EXPECT_EQ(dc.calls().size(), 2u);
  }
  HDC stale = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(staleValue));
  EXPECT_EQ(Rectangle(stale, 0, 0, 1, 1), 0);
  EXPECT_EQ(SetTextAlign(stale, 30), GDI_ERROR);
  EXPECT_EQ(TextOutA(nullptr, 0, 0, "x", 1), 0);
  EXPECT_EQ(GetDeviceCaps(stale, LOGPIXELSX), 0);
}

TEST(OleRegistryReaders, UnregisteredClass) {
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  DWORD status = 7;
  EXPECT_EQ(OleRegGetMiscStatus(unknown, DVASPECT_CONTENT, &status), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(status, 0u);
  LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(OleRegGetUserType(unknown, USERCLASSTYPE_FULL, &name), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(name, nullptr);
  IEnumOLEVERB* verbs = nullptr;
  EXPECT_EQ(OleRegEnumVerbs(unknown, &verbs), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(OleRegGetMiscStatus(unknown, DVASPECT_CONTENT, nullptr), E_INVALIDARG);
}

}  // namespace
