// Field values: text and variant conversions per stored type with their
// limits and errors, date-time rounding, blobs and memos, calculated and
// lookup fields, persistent fields for part of a table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "TestSupport.h"
#include "platform/classes/CodePages.h"
#include "platform/classes/DateTime.h"

namespace velmorak::test {
namespace {

// One of each stored type the main table lacks.
std::shared_ptr<TMemTable> MakeTypesTable() {
  auto t = std::make_shared<TMemTable>();
  t->Columns = {
      {"W", ftWord}, {"L", ftLargeint}, {"C", ftCurrency}, {"F", ftFixedChar, 3}, {"AI", ftAutoInc}};
  return t;
}

struct ConversionCase {
  const char* Field;
  std::string Text;
  std::string Expected;  // AsString afterwards, or the EConvertError message
  bool Fails;
};

void RunConversions(TDataSet& ds, const std::vector<ConversionCase>& cases) {
  for (const ConversionCase& c : cases) {
    TField* f = ds.FieldByName(c.Field);
    const std::string before = f->AsString();
    const TDataSetState state = ds.State();
    if (c.Fails) {
      try {
        f->SetAsString(c.Text);
        ADD_FAILURE() << c.Field << " took '" << c.Text << "'";
      } catch (const EConvertError& e) {
        EXPECT_EQ(c.Expected, e.Message()) << c.Field << " '" << c.Text << "'";
      }
      // The record keeps its value and the dataset its state.
      EXPECT_EQ(before, f->AsString()) << c.Field << " '" << c.Text << "'";
      EXPECT_EQ(state, ds.State()) << c.Field << " '" << c.Text << "'";
    } else {
      f->SetAsString(c.Text);
      EXPECT_EQ(c.Expected, f->AsString()) << c.Field << " '" << c.Text << "'";
    }
  }
}

TEST(FieldConversions, TextPerStoredTypeWithLimitsAndErrors) {
  FormatSettingsScope iso(IsoSettings());
  auto table = MakeTable();
  TMemDataSet ds(nullptr, table);
  ds.Open();
  AddRows(ds, {{1, "A"}});
  ds.Edit();
  const std::string accented = Utf8ToAnsi1252("Société Générale");
  RunConversions(
      ds, {
              {"ID", "42", "42", false},
              {"ID", " -7 ", "-7", false},
              {"ID", "2147483647", "2147483647", false},
              {"ID", "-2147483648", "-2147483648", false},
              {"ID", "2147483648",
               "Value 2147483648 is out of range for field 'ID' (-2147483648 to 2147483647)", true},
              {"ID", "12a", "'12a' is not a valid integer value", true},
              {"ID", "1.5", "'1.5' is not a valid integer value", true},
              {"ID", "99999999999999999999", "'99999999999999999999' is not a valid integer value", true},
              {"ID", "+", "'+' is not a valid integer value", true},
              {"Qty", "32767", "32767", false},
              {"Qty", "-32768", "-32768", false},
              {"Qty", "32768", "Value 32768 is out of range for field 'Qty' (-32768 to 32767)", true},
              {"Price", "1.5", "1.5", false},
              {"Price", "-2.5e3", "-2500", false},
              {"Price", ".5", "0.5", false},
              {"Price", "0.1", "0.1", false},
              {"Price", "1e308", "1E308", false},
              {"Price", "1e309", "'1e309' is not a valid floating point value", true},
              {"Price", "1,000.5", "'1,000.5' is not a valid floating point value", true},
              {"Price", "1 000", "'1 000' is not a valid floating point value", true},
              {"Price", "inf", "'inf' is not a valid floating point value", true},
              {"Price", "NaN", "'NaN' is not a valid floating point value", true},
              {"Price", "1e", "'1e' is not a valid floating point value", true},
              {"Flag", "TRUE", "true", false},
              {"Flag", "False", "false", false},
              {"Flag", "yes", "'yes' is not a valid boolean value", true},
              {"Flag", "1", "'1' is not a valid boolean value", true},
              {"Born", "2024-02-29", "2024-02-29", false},
              {"Born", "0001-01-01", "0001-01-01", false},
              {"Born", "9999-12-31", "9999-12-31", false},
              {"Born", "2024-02-29T10:00:00.000", "2024-02-29", false},
              {"Born", "2023-02-29", "'2023-02-29' is not a valid date", true},
              {"Born", "2024-13-01", "'2024-13-01' is not a valid date", true},
              {"Born", "10000-01-01", "'10000-01-01' is not a valid date", true},
              {"At", "23:59:59.999", "23:59:59.999", false},
              {"At", "10:05", "10:05:00.000", false},
              {"At", "10:05:07", "10:05:07.000", false},
              {"At", "24:00:00", "'24:00:00' is not a valid time", true},
              {"At", "10:60", "'10:60' is not a valid time", true},
              {"Stamp", "2024-02-29T13:05:09.007", "2024-02-29T13:05:09.007", false},
              {"Stamp", "2024-02-29 13:05:09.007", "2024-02-29T13:05:09.007", false},
              {"Stamp", "2024-02-29", "2024-02-29T00:00:00.000", false},
              {"Stamp", "13:05", "1899-12-30T13:05:00.000", false},
              {"Stamp", "9999-12-31T23:59:59.999", "9999-12-31T23:59:59.999", false},
              {"Stamp", "0001-01-01T00:00:00.000", "0001-01-01T00:00:00.000", false},
              {"Stamp", "2024-02-30T00:00:00", "'2024-02-30T00:00:00' is not a valid date and time", true},
              {"Stamp", "2024-02-29X13:05", "'2024-02-29X13:05' is not a valid date and time", true},
              {"Name", "abcdefghijklmnop", "abcdefghij", false},
              {"Name", accented, Utf8ToAnsi1252("Société Gé"), false},
              {"Notes", "any text at all", "any text at all", false},
          });
  // An empty text clears a field that is not text.
  for (const char* name : {"ID", "Price", "Flag", "Born", "At", "Stamp"}) {
    ds.FieldByName(name)->SetAsString("");
    EXPECT_TRUE(ds.FieldByName(name)->IsNull()) << name;
  }
  ds.Cancel();

  TMemDataSet types(nullptr, MakeTypesTable());
  types.Open();
  types.Append();
  RunConversions(types,
                 {
                     {"W", "65535", "65535", false},
                     {"W", "0", "0", false},
                     {"W", "-1", "Value -1 is out of range for field 'W' (0 to 65535)", true},
                     {"W", "65536", "Value 65536 is out of range for field 'W' (0 to 65535)", true},
                     {"L", "9223372036854775807", "9223372036854775807", false},
                     {"L", "-9223372036854775808", "-9223372036854775808", false},
                     {"L", "9223372036854775808", "'9223372036854775808' is not a valid integer value", true},
                     {"C", "1234567.25", "1234567.25", false},
                     {"F", "abcd", "abc", false},
                     {"AI", "7", "7", false},
                 });
}

TEST(FieldConversions, TheFormatSettingsDecideTheForms) {
  TFormatSettings fr = DefaultFormatSettings();
  fr.DecimalSeparator = ',';
  fr.ThousandSeparator = ' ';
  fr.ShortDateFormat = "dd/mm/yyyy";
  fr.LongTimeFormat = "hh:nn:ss";
  FormatSettingsScope scope(fr);
  TMemDataSet ds(nullptr, MakeTable());
  ds.Open();
  ds.Append();
  RunConversions(ds, {
                         {"Price", "1,5", "1,5", false},
                         {"Price", "1.5", "'1.5' is not a valid floating point value", true},
                         {"Price", "1 234,5", "'1 234,5' is not a valid floating point value", true},
                         {"Born", "05/01/2024", "05/01/2024", false},
                         {"Born", "5/1/2024", "05/01/2024", false},
                         {"Born", "2024-01-05", "'2024-01-05' is not a valid date", true},
                         {"Stamp", "05/01/2024 07:08:09", "05/01/2024 07:08:09", false},
                         {"Flag", "true", "True", false},
                     });
}

TEST(FieldConversions, VariantsPerType) {
  FormatSettingsScope iso(IsoSettings());
  TMemDataSet ds(nullptr, MakeTable());
  ds.SetName("T");
  ds.Open();
  ds.Append();
  TField* id = ds.FieldByName("ID");
  id->SetValue(Variant("12"));
  EXPECT_EQ(12, id->AsInteger());
  id->SetValue(Variant(3.0));
  EXPECT_EQ(3, id->AsInteger());
  EXPECT_THROW_MSG(id->SetValue(Variant(1.5)), EConvertError, "'1.5' is not a valid integer value");
  EXPECT_EQ(varInteger, id->Value().VarType());
  TField* price = ds.FieldByName("Price");
  price->SetValue(Variant(1234567.0));  // what a numeric edit hands over, thousands and all
  EXPECT_EQ(1234567.0, price->AsFloat());
  EXPECT_EQ(varDouble, price->Value().VarType());
  EXPECT_THROW(price->SetAsFloat(INFINITY), EConvertError);
  TField* name = ds.FieldByName("Name");
  name->SetValue(Variant(42));
  EXPECT_EQ("42", name->AsString());
  EXPECT_EQ(varString, name->Value().VarType());
  name->SetValue(Variant::Null());
  EXPECT_TRUE(name->IsNull());
  EXPECT_EQ(varNull, name->Value().VarType());
  EXPECT_THROW_MSG(name->SetValue(Variant::Array({Variant(1)})), EDatabaseError,
                   "T: Invalid variant type conversion for field 'Name'");
  ds.FieldByName("Flag")->SetValue(Variant(true));
  EXPECT_EQ(varBoolean, ds.FieldByName("Flag")->Value().VarType());
  // A date-time value keeps its date in a date field, its time in a time
  // field, both in a date-time field.
  const TDateTime when = EncodeDate(2024, 1, 2) + EncodeTime(18, 0, 0, 0);
  for (const char* f : {"Born", "At", "Stamp"}) ds.FieldByName(f)->SetValue(Variant::FromDateTime(when));
  EXPECT_EQ(EncodeDate(2024, 1, 2), ds.FieldByName("Born")->AsDateTime());
  EXPECT_EQ(EncodeTime(18, 0, 0, 0), ds.FieldByName("At")->AsDateTime());
  EXPECT_EQ(when, ds.FieldByName("Stamp")->AsDateTime());
  EXPECT_EQ(varDate, ds.FieldByName("Born")->Value().VarType());
  EXPECT_THROW_MSG(ds.FieldByName("Stamp")->SetAsDateTime(3e6), EConvertError,
                   "'3000000' is not a valid date and time");
}

TEST(FieldConversions, DateTimesRoundToTheMillisecond) {
  TMemDataSet ds(nullptr, MakeTable());
  ds.Open();
  ds.Append();
  TField* stamp = ds.FieldByName("Stamp");
  TField* at = ds.FieldByName("At");
  int truncationWrong = 0;
  for (const TDateTime day : {EncodeDate(2024, 2, 29), EncodeDate(9999, 12, 31), EncodeDate(1, 1, 1)}) {
    for (int ms = 0; ms < 1000; ++ms) {
      const TDateTime t = EncodeTime(23, 59, 59, ms);
      // Before 30 December 1899 the time counts away from zero.
      const TDateTime v = day >= 0 ? day + t : day - t;
      stamp->SetAsDateTime(v);
      at->SetAsDateTime(v);
      int h, n, s, m, y, mo, d;
      DecodeTime(stamp->AsDateTime(), h, n, s, m);
      DecodeDate(stamp->AsDateTime(), y, mo, d);
      ASSERT_EQ(ms, m) << y << " " << ms;
      ASSERT_EQ(59, s);
      ASSERT_EQ(v, stamp->AsDateTime());
      DecodeTime(at->AsDateTime(), h, n, s, m);
      ASSERT_EQ(ms, m);
      if (static_cast<std::int64_t>(std::fabs(v) * MSecsPerDay) % 1000 != ms) ++truncationWrong;
    }
  }
  // The values above include many that a truncating conversion gets wrong.
  EXPECT_GT(truncationWrong, 100);

  // A time of day before 1899 survives.
  const TDateTime old = EncodeDate(1800, 6, 15) - EncodeTime(18, 30, 0, 250);
  stamp->SetAsDateTime(old);
  EXPECT_EQ(old, stamp->AsDateTime());
  int h, n, s, m;
  DecodeTime(stamp->AsDateTime(), h, n, s, m);
  EXPECT_EQ(18, h);
  EXPECT_EQ(250, m);

  // A stored value that does not convert reads as 0.
  for (double stored : {1e300, -5.0, static_cast<double>(NAN), 3652060.0 * MSecsPerDay}) {
    stamp->SetData(&stored, true);
    EXPECT_EQ(0, stamp->AsDateTime()) << stored;
  }
  const std::int32_t badTime = 86400000;
  at->SetData(&badTime, true);
  EXPECT_EQ(0, at->AsDateTime());
}

TEST(BlobFields, StreamsFilesTextAndNotifications) {
  auto table = MakeTable();
  TMemDataSet ds(nullptr, table);
  ds.SetName("T");
  ds.Open();
  AddRows(ds, {{1, "A"}});
  auto* notes = static_cast<TBlobField*>(ds.FieldByName("Notes"));
  auto* data = static_cast<TBlobField*>(ds.FieldByName("Data"));
  EXPECT_STREQ("TMemoField", notes->ClassName());
  EXPECT_TRUE(notes->IsNull());
  EXPECT_THROW_MSG(notes->SetAsString("x"), EDatabaseError, "T: Dataset not in edit or insert mode");
  int changes = 0;
  notes->OnChange = [&](TField*) { ++changes; };
  ds.Edit();
  notes->SetAsString("hello");
  EXPECT_EQ(1, changes);
  EXPECT_TRUE(ds.Modified());
  const std::string bytes("\0\x01\xff\0z", 5);
  TMemoryStream in;
  in.WriteBuffer("skip", 4);
  in.WriteBuffer(bytes.data(), 5);
  in.SetPosition(4);
  data->LoadFromStream(in);  // from the stream's position on
  ds.Post();
  EXPECT_EQ("hello", notes->AsString());
  EXPECT_EQ(bytes, data->AsString());
  EXPECT_EQ(5, data->BlobSize());
  EXPECT_EQ(varString, data->Value().VarType());

  // Cancel drops a blob write.
  ds.Edit();
  notes->SetAsString("discarded");
  ds.Cancel();
  EXPECT_EQ("hello", notes->AsString());

  // Files both ways.
  const std::string path = (std::filesystem::temp_directory_path() / "dataset_blob_test.bin").string();
  data->SaveToFile(path);
  ds.Edit();
  data->Clear();
  EXPECT_TRUE(data->IsNull());
  data->LoadFromFile(path);
  ds.Post();
  std::remove(path.c_str());
  EXPECT_EQ(bytes, data->AsString());
  TMemoryStream out;
  data->SaveToStream(out);
  EXPECT_EQ(5, out.Size());
  EXPECT_EQ(0, std::memcmp(out.Memory(), bytes.data(), 5));
  EXPECT_THROW(data->LoadFromFile(path), EFOpenError);
}

TEST(CalculatedFields, ComputedOnReadAndAfterEachChange) {
  auto table = MakeTable();
  {
    TMemDataSet fill(nullptr, table);
    fill.Open();
    AddRows(fill, {{1, "A"}, {2, "B"}});
  }
  TMemDataSet ds(nullptr, table);
  ds.SetName("T");
  TIntegerField id(nullptr);
  id.SetFieldName("ID");
  id.SetDataSet(&ds);
  TStringField name(nullptr);
  name.SetFieldName("Name");
  name.SetDataSet(&ds);
  TStringField label(nullptr);
  label.SetFieldName("Label");
  label.SetSize(20);
  label.SetFieldKind(fkCalculated);
  label.SetDataSet(&ds);
  bool touchData = false;
  ds.OnCalcFields = [&](TDataSet*) {
    label.SetAsString(name.AsString() + "#" + id.AsString());
    if (touchData) id.SetAsInteger(0);
  };
  ds.Open();
  EXPECT_EQ(-1, label.FieldNo());
  EXPECT_EQ("A#1", label.AsString());
  ds.Next();
  EXPECT_EQ("B#2", label.AsString());
  EXPECT_THROW_MSG(label.SetAsString("x"), EDatabaseError, "T: Dataset not in edit or insert mode");
  ds.Edit();
  name.SetAsString("Z");
  EXPECT_EQ("Z#2", label.AsString());  // before the post
  ds.Post();
  EXPECT_EQ("Z#2", label.AsString());
  touchData = true;
  EXPECT_THROW_MSG(ds.First(), EDatabaseError, "T: Field 'ID' cannot be modified");
  touchData = false;
  ds.Close();
  EXPECT_EQ(3, ds.FieldCount());  // persistent fields stay after close
}

TEST(CalculatedFields, LookupFieldsReadAnotherDataSet) {
  auto cities = std::make_shared<TMemTable>();
  cities->Columns = {{"ID", ftInteger}, {"Name", ftString, 20}};
  TMemDataSet cityDs(nullptr, cities);
  cityDs.Open();
  AddRows(cityDs, {{10, "Oran"}, {20, "Alger"}});
  cityDs.First();

  auto table = MakeTable();
  TMemDataSet ds(nullptr, table);
  ds.Open();
  for (int q : {20, 10, 30}) {
    ds.Append();
    ds.FieldByName("Qty")->SetAsInteger(q);
    ds.Post();
  }
  ds.Close();
  TSmallintField qty(nullptr);
  qty.SetFieldName("Qty");
  qty.SetDataSet(&ds);
  TStringField city(nullptr);
  city.SetFieldName("City");
  city.SetFieldKind(fkLookup);
  city.LookupDataSet = &cityDs;
  city.KeyFields = "Qty";
  city.LookupKeyFields = "ID";
  city.LookupResultField = "Name";
  city.SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ("Alger", city.AsString());
  ds.Next();
  EXPECT_EQ("Oran", city.AsString());
  ds.Next();
  EXPECT_TRUE(city.IsNull());
  EXPECT_EQ(1, cityDs.RecNo());  // the lookups did not move the other dataset
}

TEST(PersistentFields, PartOfATableAndTheirBinding) {
  FormatSettingsScope iso(IsoSettings());
  auto table = MakeTable();
  {
    TMemDataSet fill(nullptr, table);
    fill.Open();
    fill.Append();
    fill.FieldByName("Name")->SetAsString("A");
    fill.FieldByName("Price")->SetAsString("2.5");
    fill.FieldByName("Born")->SetAsString("2020-05-06");
    fill.Post();
  }
  TMemDataSet ds(nullptr, table);
  ds.SetName("T");
  TStringField name(nullptr);
  name.SetFieldName("name");  // the data's spelling is "Name"
  name.SetSize(3);            // the data's size wins at binding
  name.SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ(1, ds.FieldCount());
  EXPECT_EQ(10, ds.FieldDefs().Count());
  EXPECT_EQ(2, name.FieldNo());
  EXPECT_EQ(10, name.Size());
  ds.Edit();
  name.SetAsString("Longer one");
  ds.Post();
  ds.Close();
  TMemDataSet all(nullptr, table);
  all.Open();
  EXPECT_EQ("Longer one", all.FieldByName("Name")->AsString());
  EXPECT_EQ("2.5", all.FieldByName("Price")->AsString());
  EXPECT_EQ("2020-05-06", all.FieldByName("Born")->AsString());
  all.Close();
  EXPECT_EQ(0, all.FieldCount());  // default fields go with the close

  TIntegerField ghost(nullptr);
  ghost.SetFieldName("Ghost");
  ghost.SetDataSet(&ds);
  EXPECT_THROW_MSG(ds.Open(), EDatabaseError, "T: Field 'Ghost' not found");
  EXPECT_FALSE(ds.Active());
  ghost.SetDataSet(nullptr);
  TStringField wrong(nullptr);
  wrong.SetFieldName("ID");
  wrong.SetDataSet(&ds);
  EXPECT_THROW_MSG(ds.Open(), EDatabaseError,
                   "T: Type mismatch for field 'ID', expecting: ftString actual: ftInteger");
  wrong.SetDataSet(nullptr);
  ds.Open();
  EXPECT_THROW_MSG(wrong.SetDataSet(&ds), EDatabaseError,
                   "T: Cannot perform this operation on an open dataset");
  TStringField dup(nullptr);
  dup.SetFieldName("NAME");
  ds.Close();
  EXPECT_THROW_MSG(dup.SetDataSet(&ds), EDatabaseError, "T: Duplicate field name 'NAME'");
}

}  // namespace
}  // namespace velmorak::test
