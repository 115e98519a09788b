// Parses arbitrary text as a filter over a small table that holds a field of
// every stored type and the edge values (empty and full texts, extreme
// integers, day 1, 23:59:59.999, a 10,000-character memo), then evaluates it
// on every record. The first byte of the input is the filter options, the
// rest the text. Allowed outcomes: success, or the engine's database error,
// a conversion error or a floating-point error, each with a message.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "database/ZvDBFilter.h"
#include "database/ZvDBTable.h"
#include "platform/classes/FormatSettings.h"
#include "tools/zvdb/ZvDBCreator.h"

using namespace velmorak;

namespace {

struct TFixture {
  std::string Path;
  std::unique_ptr<TZvTable> Table;
  std::unique_ptr<TFilterParser> Parser;

  TFixture() {
    FormatSettings().DecimalSeparator = '.';
    FormatSettings().ShortDateFormat = "dd/mm/yyyy";
    FormatSettings().DateSeparator = '/';
    Path = (std::filesystem::temp_directory_path() / ("filter-fuzz-" + std::to_string(std::rand()) + ".zvc"))
               .string();
    auto fld = [](const char* name, std::uint8_t type, std::int32_t size = 0) {
      return TZvCreateField{name, type, size, 0};
    };
    TZvCreateTable items{
        "Items",
        {fld("Id", ftAutoInc), fld("Name", ftString, 10), fld("Code", ftFixedChar, 4),
         fld("Small", ftSmallint), fld("W", ftWord), fld("Flag", ftBoolean), fld("Qty", ftInteger),
         fld("Big", ftLargeint), fld("Price", ftFloat), fld("Cost", ftCurrency), fld("Day", ftDate),
         fld("At", ftTime), fld("Stamp", ftDateTime), fld("Notes", ftMemo), fld("Pic", ftGraphic)},
        {TZvCreateIndex{"PK", IndexOptionBit(tiPrimary), {0}}}};
    ZvCreateDatabase(Path, {}, {items});
    Table = std::make_unique<TZvTable>(nullptr);
    Table->SetDatabaseName(Path);
    Table->SetTableName("Items");
    Table->Open();
    const struct {
      const char* Name;
      const char* Qty;
      const char* Big;
      const char* Price;
      const char* Day;
      const char* At;
      std::string Notes;
    } rows[] = {
        {"John", "1", "9007199254740993", "1.5", "15/03/2015", "10:30:00", "hello"},
        {"", "-2147483648", "-9223372036854775808", "-1e300", "01/01/0001", "23:59:59.999", ""},
        {"ABCDEFGHIJ", "2147483647", "9223372036854775807", "0", "31/12/9999", "00:00:00",
         std::string(10000, 'a') + "b"},
        {"\xC9t\xE9", "0", "0", "1e-300", "29/02/2024", "12:00:00", "x"},
    };
    for (const auto& r : rows) {
      Table->Append();
      Table->FieldByName("Name")->SetAsString(r.Name);
      Table->FieldByName("Code")->SetAsString("AB");
      Table->FieldByName("Small")->SetAsString("-32768");
      Table->FieldByName("W")->SetAsString("65535");
      Table->FieldByName("Flag")->SetAsString("True");
      Table->FieldByName("Qty")->SetAsString(r.Qty);
      Table->FieldByName("Big")->SetAsString(r.Big);
      Table->FieldByName("Price")->SetAsString(r.Price);
      Table->FieldByName("Cost")->SetAsString("0.25");
      Table->FieldByName("Day")->SetAsString(r.Day);
      Table->FieldByName("At")->SetAsString(r.At);
      Table->FieldByName("Stamp")->SetAsString(std::string(r.Day) + " " + r.At);
      Table->FieldByName("Notes")->SetAsString(r.Notes);
      Table->Post();
    }
    Parser = std::make_unique<TFilterParser>(Table.get());
  }
  ~TFixture() {
    Parser.reset();
    Table.reset();
    std::error_code ec;
    std::filesystem::remove(Path, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static TFixture fixture;
  if (Size == 0) return 0;
  const TFilterOptions options = TFilterOptions::FromBits(Data[0] & 3u);
  const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  try {
    fixture.Parser->Parse(text);
    for (fixture.Table->First(); !fixture.Table->Eof(); fixture.Table->Next()) {
      try {
        (void)fixture.Parser->Passes(options);
      } catch (const EMathError& e) {
        if (e.Message().empty()) std::abort();
      }
    }
  } catch (const EDatabaseError& e) {
    if (e.Message().empty()) std::abort();
  } catch (const EConvertError& e) {
    if (e.Message().empty()) std::abort();
  } catch (const EMathError& e) {
    if (e.Message().empty()) std::abort();
  }
  return 0;
}
