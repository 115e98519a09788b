// ZvDBProcess: registries, managers and the chunked cipher stream procedure.
#include "database/ZvDBProcess.h"

#include <string>
#include <vector>

#include "database/ZvDBCollation.h"
#include "database/ZvDBFileIO.h"

namespace velmorak {

int ProgressPercent(std::int64_t Done, std::int64_t Total) {
  if (Total == 0) return 0;
  const std::int64_t scaled = Done * 100;
  std::int64_t q = scaled / Total;
  const std::int64_t r2 = (scaled % Total) * 2;
  if (r2 > Total || (r2 == Total && (q & 1))) ++q;
  return static_cast<int>(q);
}

void TDataProcessAlgo::FireProgress(bool Encoding, int Percent) {
  const TOnProgressEvent& e = Encoding ? OnEncodeProgress : OnDecodeProgress;
  if (e) e(this, Percent);
}

// ---------------------------------------------------------------------------
// The chunked cipher procedure: one 4096-byte work buffer, separate read and
// write positions so Dest may be Source, one continuous cipher state.

void TEncryptAlgo::EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  ProcessStream(Source, Dest, DataSize, true);
}

void TEncryptAlgo::DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  ProcessStream(Source, Dest, DataSize, false);
}

void TEncryptAlgo::ProcessStream(TStream* Source, TStream* Dest, std::int64_t DataSize, bool Encoding) {
  if (!Source) return;
  if (!Dest) Dest = Source;
  if (DataSize < 0) {
    DataSize = Source->Size();
    Source->SetPosition(0);
  }
  constexpr std::int64_t kChunk = 4096;
  const std::int64_t total = DataSize;
  FireProgress(Encoding, ProgressPercent(0, total));
  std::uint8_t work[kChunk];
  struct Finally {
    TEncryptAlgo* self;
    bool enc;
    ~Finally() { self->FireProgress(enc, ProgressPercent(0, 0)); }
  } finally{this, Encoding};
  std::int64_t readPos = Source->Position();
  std::int64_t writePos = Dest->Position();
  std::int64_t done = 0;
  while (DataSize > 0) {
    Source->SetPosition(readPos);
    const std::int64_t n = Source->Read(work, std::min(DataSize, kChunk));
    if (n <= 0) break;
    if (Encoding)
      EncryptBuffer(work, work, n);
    else
      DecryptBuffer(work, work, n);
    Dest->SetPosition(writePos);
    Dest->WriteBuffer(work, n);
    readPos += n;
    writePos += n;
    DataSize -= n;
    done += n;
    FireProgress(Encoding, ProgressPercent(done, total));
  }
}

// ---------------------------------------------------------------------------
// Registries

namespace {

struct RegistryEntry {
  std::string Name;
  TDataProcessAlgoClass Class;
};

// Function-local statics, so registration from other units' static
// initialisers works whatever their order; freed at program end.
std::vector<RegistryEntry>& CompressRegistry() {
  static std::vector<RegistryEntry> r;
  return r;
}
std::vector<RegistryEntry>& EncryptRegistry() {
  static std::vector<RegistryEntry> r;
  return r;
}

void Register(std::vector<RegistryEntry>& r, TDataProcessAlgoClass c, const std::string& Name) {
  for (RegistryEntry& e : r)
    if (e.Class == c) {
      e.Name = Name;
      return;
    }
  r.push_back({Name, c});
}

int Lookup(const std::vector<RegistryEntry>& r, const std::string& Name) {
  for (std::size_t i = 0; i < r.size(); ++i)
    if (ZvCompareText(r[i].Name.data(), r[i].Name.size(), Name.data(), Name.size(), true) == 0)
      return static_cast<int>(i);
  return -1;
}

}  // namespace

void RegisterCompressAlgo(TDataProcessAlgoClass ModuleClass, const std::string& Name) {
  Register(CompressRegistry(), ModuleClass, Name);
}

void RegisterEncryptAlgo(TDataProcessAlgoClass ModuleClass, const std::string& Name) {
  Register(EncryptRegistry(), ModuleClass, Name);
}

// ---------------------------------------------------------------------------
// Managers

TDataProcessMgr::~TDataProcessMgr() = default;

TDataProcessAlgo& TDataProcessMgr::Selected() const {
  if (!FAlgo) DatabaseError(SGeneralError);
  return *FAlgo;
}

void TDataProcessMgr::EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  Selected().EncodeStream(Source, Dest, DataSize);
}

void TDataProcessMgr::DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  Selected().DecodeStream(Source, Dest, DataSize);
}

void TDataProcessMgr::Select(TDataProcessAlgoClass ModuleClass, bool Compression) {
  if (FAlgo && FAlgo->ClassType() == ModuleClass) return;
  FAlgo.reset();
  FAlgo = ModuleClass->Create(Owner);
  if (!Owner) return;
  TZvDBFileIO* owner = Owner;
  // The database is looked up at each call: a module outlives a close, and
  // the database's handlers may be assigned after the file was opened.
  auto relay = [owner](TOnProgressEvent TZvCustomDatabase::*event) {
    return [owner, event](TObject*, int Percent) {
      TZvCustomDatabase* db = owner->Database();
      if (db && db->*event) (db->*event)(db, Percent);
    };
  };
  if (Compression) {
    FAlgo->OnEncodeProgress = relay(&TZvCustomDatabase::OnCompressProgress);
    FAlgo->OnDecodeProgress = relay(&TZvCustomDatabase::OnUncompressProgress);
  } else {
    FAlgo->OnEncodeProgress = relay(&TZvCustomDatabase::OnEncryptProgress);
    FAlgo->OnDecodeProgress = relay(&TZvCustomDatabase::OnDecryptProgress);
  }
}

int TCompressMgr::CheckAlgoRegistered(const std::string& Name) {
  const int i = Lookup(CompressRegistry(), Name);
  if (i < 0) DatabaseErrorFmt("Compression algorithm module '%s' not found", Name);
  return i;
}

void TCompressMgr::SetAlgoName(const std::string& Name) {
  const int i = CheckAlgoRegistered(Name);
  if (i < 0) return;
  Select(CompressRegistry()[static_cast<std::size_t>(i)].Class, true);
}

int TEncryptMgr::CheckAlgoRegistered(const std::string& Name) {
  const int i = Lookup(EncryptRegistry(), Name);
  if (i < 0) DatabaseErrorFmt("Encryption algorithm module '%s' not found", Name);
  return i;
}

void TEncryptMgr::SetAlgoName(const std::string& Name) {
  const int i = CheckAlgoRegistered(Name);
  if (i < 0) return;
  Select(EncryptRegistry()[static_cast<std::size_t>(i)].Class, false);
}

TEncryptAlgo& TEncryptMgr::Cipher() const {
  return static_cast<TEncryptAlgo&>(Selected());
}

void TEncryptMgr::EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  TEncryptAlgo& c = Cipher();
  c.EncodeStream(Source, Dest, DataSize);
  c.Restart();
}

void TEncryptMgr::DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) {
  TEncryptAlgo& c = Cipher();
  c.DecodeStream(Source, Dest, DataSize);
  c.Restart();
}

void TEncryptMgr::EncryptBuffer(const void* Source, void* Dest, std::int64_t Size) {
  TEncryptAlgo& c = Cipher();
  c.EncryptBuffer(Source, Dest, Size);
  c.Restart();
}

void TEncryptMgr::DecryptBuffer(const void* Source, void* Dest, std::int64_t Size) {
  TEncryptAlgo& c = Cipher();
  c.DecryptBuffer(Source, Dest, Size);
  c.Restart();
}

void TEncryptMgr::SetMode(std::uint8_t Mode) {
  Cipher().SetMode(Mode);
}

void TEncryptMgr::InitKey(const std::string& Key) {
  Cipher().InitKey(Key);
}

void TEncryptMgr::Restart() {
  Cipher().Restart();
}

}  // namespace velmorak
