// Classes: the object bases of the class library — TObject, TPersistent with
// its assign operation, TComponent with ownership and a name — and the
// streams: TStream, THandleStream, TFileStream and TMemoryStream. Owners free
// what they own; a component may be freed before its owner, which then forgets
// it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/SysUtils.h"
#include "platform/os/FileSystem.h"

namespace velmorak {

class TObject {
public:
  virtual ~TObject() = default;
  // The class name as the class library reports it ("TEnc_Blowfish").
  virtual const char* ClassName() const { return "TObject"; }
};

class TPersistent;

// Raised when Assign is given an object of a class it cannot copy from.
class EConvertAssign : public Exception {
public:
  using Exception::Exception;
};

class TPersistent : public TObject {
public:
  const char* ClassName() const override { return "TPersistent"; }
  // Copies the state of Source; the base accepts only null, which it refuses.
  virtual void Assign(const TPersistent* Source);
};

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const char* ClassName() const override { return "TComponent"; }

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  virtual void SetName(const std::string& Value) { FName = Value; }

  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents.at(static_cast<std::size_t>(Index)); }
  TComponent* FindComponent(const std::string& AName) const;

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::string FName;
  std::vector<TComponent*> FComponents;
};

// Stream errors, with the class library's message texts.
class EStreamError : public Exception {
public:
  using Exception::Exception;
};
class EFileStreamError : public EStreamError {
public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EFileStreamError {  // "Cannot create file "%s". %s"
public:
  using EFileStreamError::EFileStreamError;
};
class EFOpenError : public EFileStreamError {  // "Cannot open file "%s". %s"
public:
  using EFileStreamError::EFileStreamError;
};
class EReadError : public EStreamError {  // "Stream read error"
public:
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {  // "Stream write error"
public:
  using EStreamError::EStreamError;
};

using os::TSeekOrigin;

// A sequence of bytes with a position. Read and Write transfer what they can
// and return the count; ReadBuffer and WriteBuffer transfer all or raise.
class TStream : public TObject {
public:
  const char* ClassName() const override { return "TStream"; }

  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source at its position (Count 0: all of Source,
  // from its start). Returns the number copied.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t Value) { Seek(Value, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);
};

// A stream over an operating-system file handle; does not own the handle.
class THandleStream : public TStream {
public:
  explicit THandleStream(os::THandle AHandle) : FHandle(AHandle) {}
  const char* ClassName() const override { return "THandleStream"; }

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  os::THandle Handle() const { return FHandle; }

protected:
  os::THandle FHandle;
};

// A stream on a named file, which it opens and owns. Mode is fmCreate or an
// fm* access value ORed with an fm* sharing value (platform/os).
class TFileStream : public THandleStream {
public:
  static constexpr unsigned fmCreate = 0xFF00;
  TFileStream(const std::string& AFileName, unsigned Mode);
  ~TFileStream() override;
  const char* ClassName() const override { return "TFileStream"; }
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};

// A growable in-memory stream.
class TMemoryStream : public TStream {
public:
  const char* ClassName() const override { return "TMemoryStream"; }

  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t NewSize) override;
  void Clear() { FData.clear(), FPosition = 0; }

  std::uint8_t* Memory() { return FData.data(); }
  const std::uint8_t* Memory() const { return FData.data(); }
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);

private:
  std::vector<std::uint8_t> FData;
  std::int64_t FPosition = 0;
};

}  // namespace velmorak
