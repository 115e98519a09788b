// ZvDBProcess: how stored values are compressed and enciphered. Modules
// (TDataProcessAlgo and its compression and encryption branches) enrol in two
// process-wide registries by name at program start; each open database owns
// one compression manager and one encryption manager that select a module by
// the name its options header gives and forward the work to it.
//
// Registries are filled during start-up (static initialisers of the module
// units) and only read afterwards, so lookups take no lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes/Classes.h"
#include "platform/classes/DBError.h"
#include "platform/dataset/DBTypes.h"

namespace velmorak {

class TZvDBFileIO;
class TDataProcessAlgo;

// Sender and a percentage from 0 to 100.
using TOnProgressEvent = std::function<void(TObject* Sender, int Percent)>;

// Done * 100 / Total rounded to the nearest integer, ties to even; 0 when
// Total is 0. Every progress figure of the engine is made this way.
int ProgressPercent(std::int64_t Done, std::int64_t Total);

// A module class: its name and a factory. Descriptors are constants with
// static storage duration.
struct TDataProcessAlgoClassInfo {
  const char* ClassName;
  std::unique_ptr<TDataProcessAlgo> (*Create)(TZvDBFileIO* Owner);
};
using TDataProcessAlgoClass = const TDataProcessAlgoClassInfo*;

class TDataProcessAlgo : public TObject {
 public:
  explicit TDataProcessAlgo(TZvDBFileIO* AOwner) : Owner(AOwner) {}
  virtual TDataProcessAlgoClass ClassType() const = 0;
  const char* ClassName() const override { return ClassType()->ClassName; }

  // Encode or decode Source into Dest (memory streams). What DataSize means
  // is the module's (see the two branches).
  virtual void EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) = 0;
  virtual void DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) = 0;

  TZvDBFileIO* Owner;
  TOnProgressEvent OnEncodeProgress;
  TOnProgressEvent OnDecodeProgress;

 protected:
  void FireProgress(bool Encoding, int Percent);
};

class TCompressAlgo : public TDataProcessAlgo {
 public:
  using TDataProcessAlgo::TDataProcessAlgo;
  virtual void SetLevel(std::uint8_t Level) {}
  virtual std::uint8_t GetLevel() const { return 1; }
};

// Encryption modules share one chunked stream procedure over their buffer
// operations: DataSize < 0 means all of Source from its start, otherwise
// DataSize bytes from Source's position; Dest null means in place. Output has
// exactly the length of the input.
class TEncryptAlgo : public TDataProcessAlgo {
 public:
  using TDataProcessAlgo::TDataProcessAlgo;
  virtual void SetMode(std::uint8_t Mode) {}
  virtual std::uint8_t GetMode() const { return 0; }
  virtual void InitKey(const std::string& Key) = 0;
  virtual void Restart() {}
  virtual void EncryptBuffer(const void* Source, void* Dest, std::int64_t Size) = 0;
  virtual void DecryptBuffer(const void* Source, void* Dest, std::int64_t Size) = 0;

  void EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;
  void DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;

 private:
  void ProcessStream(TStream* Source, TStream* Dest, std::int64_t DataSize, bool Encoding);
};

// Registration: a class already registered gets the new name; otherwise the
// pair is appended. Lookup is by whole name, case-insensitive.
void RegisterCompressAlgo(TDataProcessAlgoClass ModuleClass, const std::string& Name);
void RegisterEncryptAlgo(TDataProcessAlgoClass ModuleClass, const std::string& Name);

class TDataProcessMgr : public TObject {
 public:
  explicit TDataProcessMgr(TZvDBFileIO* AOwner) : Owner(AOwner) {}
  ~TDataProcessMgr() override;

  // Index of Name in the manager's registry; the base knows none (-1).
  virtual int CheckAlgoRegistered(const std::string& Name) { return -1; }
  // Selects the module registered under Name; keeps the current one (and its
  // keyed state) when it already has that class.
  virtual void SetAlgoName(const std::string& Name) = 0;
  virtual void EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize);
  virtual void DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize);

  TDataProcessAlgo* Algo() const { return FAlgo.get(); }
  TZvDBFileIO* Owner;

 protected:
  TDataProcessAlgo& Selected() const;
  // Steps 2-4 of selection: (re)create the module when its class differs and
  // attach the progress callbacks.
  void Select(TDataProcessAlgoClass ModuleClass, bool Compression);

  std::unique_ptr<TDataProcessAlgo> FAlgo;
};

class TCompressMgr : public TDataProcessMgr {
 public:
  using TDataProcessMgr::TDataProcessMgr;
  const char* ClassName() const override { return "TCompressMgr"; }
  int CheckAlgoRegistered(const std::string& Name) override;
  void SetAlgoName(const std::string& Name) override;
};

class TEncryptMgr : public TDataProcessMgr {
 public:
  using TDataProcessMgr::TDataProcessMgr;
  const char* ClassName() const override { return "TEncryptMgr"; }
  int CheckAlgoRegistered(const std::string& Name) override;
  void SetAlgoName(const std::string& Name) override;
  // Each stream and buffer operation restarts the cipher afterwards, so every
  // value starts from the initial chaining state.
  void EncodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;
  void DecodeStream(TStream* Source, TStream* Dest, std::int64_t DataSize) override;
  virtual void EncryptBuffer(const void* Source, void* Dest, std::int64_t Size);
  virtual void DecryptBuffer(const void* Source, void* Dest, std::int64_t Size);
  void SetMode(std::uint8_t Mode);
  void InitKey(const std::string& Key);
  void Restart();

 private:
  TEncryptAlgo& Cipher() const;
};

// Database errors are raised through the dataset framework's DatabaseError
// and DatabaseErrorFmt (platform/dataset/DBTypes.h).

inline constexpr const char* SGeneralError = "General error";

}  // namespace velmorak
