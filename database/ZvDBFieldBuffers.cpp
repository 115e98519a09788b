// ZvDBFieldBuffers: the value carriers between a caller's record and table
// storage, their text forms for messages, and the blob stream that loads on
// first read.
#include <cmath>
#include <cstring>
#include <ctime>

#include "database/ZvDBTableIO.h"
#include "platform/classes/DateUtils.h"

namespace velmorak {

using namespace zvfmt;

// ---------------------------------------------------------------------------
// TOptimBlobStream

void TOptimBlobStream::Setup(std::int64_t ADescriptorOffset, bool AEncrypt, bool ACompress) {
  DescriptorOffset = ADescriptorOffset;
  Encrypt = AEncrypt;
  Compress = ACompress;
  Loaded = false;
  // A new record's value: what an earlier record left here is gone.
  TMemoryStream::SetSize(0);
}

void TOptimBlobStream::LoadIfNeeded() {
  if (DescriptorOffset == 0 || Loaded) return;
  Loaded = true;
  TZvDBFileIO* io = Database ? Database->GetFileIO() : FileIO;
  if (!io) DatabaseError(SDatabaseClosed);
  io->ReadFieldData(this, DescriptorOffset, Compress, Encrypt, true, kBlobDescriptorSize);
  TMemoryStream::Seek(0, TSeekOrigin::soBeginning);
}

std::int64_t TOptimBlobStream::Read(void* Buffer, std::int64_t Count) {
  LoadIfNeeded();
  return TMemoryStream::Read(Buffer, Count);
}

std::int64_t TOptimBlobStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  LoadIfNeeded();
  return TMemoryStream::Seek(Offset, Origin);
}

std::int64_t TOptimBlobStream::Write(const void* Buffer, std::int64_t Count) {
  Loaded = true;
  return TMemoryStream::Write(Buffer, Count);
}

void TOptimBlobStream::SetSize(std::int64_t NewSize) {
  Loaded = true;
  TMemoryStream::SetSize(NewSize);
}

const std::uint8_t* TOptimBlobStream::Data() {
  LoadIfNeeded();
  return Memory();
}

// ---------------------------------------------------------------------------
// TFieldBuffers

TFieldBufferItem& TFieldBuffers::Add(void* Data, std::uint8_t FieldType, int DataSize) {
  auto item = std::make_unique<TFieldBufferItem>();
  item->Buffer =
      IsBlobType(FieldType) && Data ? static_cast<void*>(*static_cast<TMemoryStream**>(Data)) : Data;
  item->FieldType = FieldType;
  item->DataSize = DataSize;
  FItems.push_back(std::move(item));
  return *FItems.back();
}

TFieldBufferItem& TFieldBuffers::AddStream(TMemoryStream* Stream, std::uint8_t FieldType) {
  TMemoryStream* s = Stream;
  return Add(&s, FieldType, 0);
}

TFieldBufferItem& TFieldBuffers::AddInactive(std::uint8_t FieldType) {
  TFieldBufferItem& item = Add(nullptr, FieldType, 0);
  item.Buffer = nullptr;
  item.Active = false;
  return item;
}

const void* TFieldBuffers::ValuePointer(TFieldBufferItem& Item) {
  if (IsBlobType(Item.FieldType)) {
    auto* s = static_cast<TMemoryStream*>(Item.Buffer);
    if (!s) return nullptr;
    if (auto* o = dynamic_cast<TOptimBlobStream*>(s)) return o->Data();
    return s->Memory();
  }
  return Item.Buffer;
}

int TFieldBuffers::ValueSize(TFieldBufferItem& Item) {
  if (IsBlobType(Item.FieldType)) {
    auto* s = static_cast<TMemoryStream*>(Item.Buffer);
    if (!s) return 0;
    if (auto* o = dynamic_cast<TOptimBlobStream*>(s)) o->Data();
    return static_cast<int>(s->Size());
  }
  return Item.Buffer ? Item.DataSize : 0;
}

namespace {

std::string DateText(std::int64_t day) {
  if (day < 1 || day > 3652059) return "";
  int y, m, d;
  CivilFromDayNumber(day, y, m, d);
  return Format("%02d/%02d/%04d", d, m, y);
}

std::string TimeText(std::int64_t ms) {
  if (ms < 0 || ms >= 86400000) return "";
  const std::int64_t s = ms / 1000;
  return Format("%02d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                static_cast<int>(s % 60));
}

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace

std::string TFieldBuffers::ValueAsText(TFieldBufferItem& Item) {
  try {
    const void* p = ValuePointer(Item);
    if (!p) return "";
    const int size = ValueSize(Item);
    switch (Item.FieldType) {
      case ftString:
      case ftFixedChar:
      case ftWideString:
      case ftGuid: {
        const auto* c = static_cast<const char*>(p);
        return std::string(c, strnlen(c, static_cast<std::size_t>(size)));
      }
      case ftSmallint:
        return size >= 2 ? std::to_string(Load<std::int16_t>(p)) : "";
      case ftWord:
        return size >= 2 ? std::to_string(Load<std::uint16_t>(p)) : "";
      case ftInteger:
      case ftAutoInc:
        return size >= 4 ? std::to_string(Load<std::int32_t>(p)) : "";
      case ftLargeint:
        return size >= 8 ? std::to_string(Load<std::int64_t>(p)) : "";
      case ftBoolean:
        return size >= 2 ? (Load<std::uint16_t>(p) ? "True" : "False") : "";
      case ftFloat:
      case ftCurrency:
        return size >= 8 ? Format("%.15g", Load<double>(p)) : "";
      case ftDate:
        return size >= 4 ? DateText(Load<std::int32_t>(p)) : "";
      case ftTime:
        return size >= 4 ? TimeText(Load<std::int32_t>(p)) : "";
      case ftDateTime: {
        if (size < 8) return "";
        const double v = Load<double>(p);
        if (!std::isfinite(v) || v < 0 || v > 4e17) return "";
        const auto ms = static_cast<std::int64_t>(v);
        const std::string date = DateText(ms / 86400000);
        return date.empty() ? "" : date + " " + TimeText(ms % 86400000);
      }
      default:
        if (IsBlobType(Item.FieldType)) {
          const auto* c = static_cast<const char*>(p);
          return std::string(c, strnlen(c, static_cast<std::size_t>(size)));
        }
        return "";
    }
  } catch (...) {
    return "";
  }
}

}  // namespace velmorak
