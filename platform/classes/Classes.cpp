#include "platform/classes/Classes.h"

#include <algorithm>
#include <cstring>

namespace velmorak {

void TPersistent::Assign(const TPersistent* Source) {
  const char* from = Source ? Source->ClassName() : "nil";
  throw EConvertAssign(Format("Cannot assign a %s to a %s", from, ClassName()));
}

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
  if (FOwner) FOwner->Insert(this);
}

TComponent::~TComponent() {
  // Free owned components last-created first, each one unlinking itself.
  while (!FComponents.empty()) delete FComponents.back();
  if (FOwner) FOwner->Remove(this);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  for (TComponent* c : FComponents)
    if (!AName.empty() && c->Name() == AName) return c;
  return nullptr;
}

void TComponent::Insert(TComponent* AComponent) { FComponents.push_back(AComponent); }

void TComponent::Remove(TComponent* AComponent) {
  auto it = std::find(FComponents.begin(), FComponents.end(), AComponent);
  if (it != FComponents.end()) FComponents.erase(it);
}

}  // namespace velmorak

namespace velmorak {

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::int64_t>(Count, 1 << 16)));
  std::int64_t done = 0;
  while (done < Count) {
    const std::int64_t n = std::min<std::int64_t>(Count - done, static_cast<std::int64_t>(buffer.size()));
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    done += n;
  }
  return done;
}

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::SetSize(std::int64_t) {}

std::int64_t THandleStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t n = os::FileRead(FHandle, Buffer, Count);
  return n < 0 ? 0 : n;
}

std::int64_t THandleStream::Write(const void* Buffer, std::int64_t Count) {
  const std::int64_t n = os::FileWrite(FHandle, Buffer, Count);
  return n < 0 ? 0 : n;
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return os::FileSeek(FHandle, Offset, Origin);
}

void THandleStream::SetSize(std::int64_t NewSize) {
  if (!os::FileSetSize(FHandle, NewSize)) throw EWriteError("Stream write error");
}

namespace {

os::THandle OpenOrRaise(const std::string& name, unsigned mode) {
  if (mode == TFileStream::fmCreate) {
    const os::THandle h = os::FileCreate(name);
    if (h == os::InvalidHandle)
      throw EFCreateError(
          Format("Cannot create file \"%s\". %s", name.c_str(), os::SysErrorMessage(os::LastOSError()).c_str()));
    return h;
  }
  const os::THandle h = os::FileOpen(name, mode);
  if (h == os::InvalidHandle)
    throw EFOpenError(
        Format("Cannot open file \"%s\". %s", name.c_str(), os::SysErrorMessage(os::LastOSError()).c_str()));
  return h;
}

}  // namespace

TFileStream::TFileStream(const std::string& AFileName, unsigned Mode)
    : THandleStream(OpenOrRaise(AFileName, Mode)), FFileName(AFileName) {}

TFileStream::~TFileStream() { os::FileClose(FHandle); }

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t available = Size() - FPosition;
  const std::int64_t n = std::max<std::int64_t>(0, std::min(Count, available));
  if (n > 0) std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const std::int64_t end = FPosition + Count;
  if (end > Size()) FData.resize(static_cast<std::size_t>(end));
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = end;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const std::int64_t base = Origin == TSeekOrigin::soBeginning ? 0
                            : Origin == TSeekOrigin::soCurrent ? FPosition
                                                               : Size();
  // Positions past the end are allowed, as on a file; a write there fills the gap with zeros.
  FPosition = std::max<std::int64_t>(0, base + Offset);
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  FData.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, NewSize)));
  if (FPosition > NewSize) FPosition = std::max<std::int64_t>(0, NewSize);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, os::fmOpenRead | os::fmShareDenyWrite);
  const std::int64_t n = f.Size();
  FData.resize(static_cast<std::size_t>(n));
  f.ReadBuffer(FData.data(), n);
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, TFileStream::fmCreate);
  f.WriteBuffer(FData.data(), Size());
}

}  // namespace velmorak
