// ZvdbCommands: the commands of the zvdb tool. `create` writes a new file
// with the creator and appends the schema's rows through the engine itself;
// `tables`, `dump` and `check` read a file through the engine. Every failure
// is one line on the error stream and a non-zero exit status.
#include "tools/zvdb/ZvdbCommands.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <limits>
#include <memory>
#include <set>
#include <sstream>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"
#include "platform/classes/CodePages.h"
#include "platform/classes/DateUtils.h"
#include "tools/zvdb/Json.h"
#include "tools/zvdb/ZvDBCreator.h"

namespace velmorak {

using namespace zvfmt;

namespace {

constexpr std::int64_t kMsPerDay = 86400000;

class UsageError : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void Fail(const std::string& message) {
  throw Exception(message);
}

// --- dates -------------------------------------------------------------------

bool ParseDate(const std::string& s, std::int64_t& day) {
  int y, m, d;
  char tail;
  if (s.size() != 10 || std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return false;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  day = DayNumberFromCivil(y, m, d);
  int y2, m2, d2;
  CivilFromDayNumber(day, y2, m2, d2);
  return y2 == y && m2 == m && d2 == d;  // refuses 2023-02-30
}

bool ParseTime(const std::string& s, std::int64_t& ms) {
  int h, mi, sec, milli = 0;
  char tail;
  const int n = std::sscanf(s.c_str(), "%2d:%2d:%2d.%3d%c", &h, &mi, &sec, &milli, &tail);
  if (n != 4 && !(n == 3 && s.size() == 8)) return false;
  if (h > 23 || mi > 59 || sec > 59 || h < 0 || mi < 0 || sec < 0 || milli < 0) return false;
  ms = ((h * 60 + mi) * 60 + sec) * 1000LL + milli;
  return true;
}

std::string DateText(std::int64_t day) {
  if (day < 1 || day > 3652059) return Format("%lld", static_cast<long long>(day));
  int y, m, d;
  CivilFromDayNumber(day, y, m, d);
  return Format("%04d-%02d-%02d", y, m, d);
}

std::string TimeText(std::int64_t ms) {
  if (ms < 0 || ms >= kMsPerDay) return Format("%lld", static_cast<long long>(ms));
  return Format("%02d:%02d:%02d.%03d", static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
}

// --- base 64 -------------------------------------------------------------------

const char* kB64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ToBase64(const std::string& in) {
  std::string out;
  for (std::size_t i = 0; i < in.size(); i += 3) {
    std::uint32_t v = static_cast<std::uint8_t>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<std::uint8_t>(in[i + 1]) << 8;
    if (i + 2 < in.size()) v |= static_cast<std::uint8_t>(in[i + 2]);
    out += kB64[v >> 18 & 63];
    out += kB64[v >> 12 & 63];
    out += i + 1 < in.size() ? kB64[v >> 6 & 63] : '=';
    out += i + 2 < in.size() ? kB64[v & 63] : '=';
  }
  return out;
}

bool FromBase64(const std::string& in, std::string& out) {
  std::uint32_t acc = 0;
  int bits = 0;
  out.clear();
  for (const char c : in) {
    if (c == '=') break;
    const char* p = std::strchr(kB64, c);
    if (!p || !c) return false;
    acc = acc << 6 | static_cast<std::uint32_t>(p - kB64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>(acc >> bits & 0xFF);
    }
  }
  return true;
}

bool IsTextBlob(std::uint8_t t) {
  return t == ftMemo || t == ftFmtMemo || t == ftOraClob;
}

// --- opening -------------------------------------------------------------------

struct Options {
  std::string password;
  bool hasPassword = false;
  std::string table;
  std::string format = "text";
};

std::unique_ptr<TZvFileDatabase> OpenDatabase(const std::string& path, const Options& o,
                                              bool readOnly = true) {
  auto db = std::make_unique<TZvFileDatabase>();
  db->Open(path, readOnly);
  TZvDBFileIO& io = *db->GetFileIO();
  if (io.EncryptEnabled() && !(o.hasPassword && db->SetPassword(o.password))) Fail("Access denied");
  return db;
}

// --- values of a record ----------------------------------------------------------

// A record buffer over all the fields of a loaded table.
class Record {
 public:
  explicit Record(TZvTableIO& t) : FTable(t) {
    for (int i = 0; i < t.FieldDefs().Count(); ++i) {
      const bool blob = IsBlobType(t.FieldDefs().Items(i).FieldType);
      FValues.emplace_back(blob ? 0 : t.FieldByteSize(i), 0);
      FBlobs.push_back(blob ? std::make_unique<TOptimBlobStream>() : nullptr);
    }
  }
  TFieldBuffers& Buffers() {
    FBuffers.Clear();
    for (std::size_t i = 0; i < FValues.size(); ++i) {
      const std::uint8_t type = FTable.FieldDefs().Items(static_cast<int>(i)).FieldType;
      if (FBlobs[i])
        FBuffers.AddStream(FBlobs[i].get(), type);
      else
        FBuffers.Add(FValues[i].data(), type, static_cast<int>(FValues[i].size()));
    }
    return FBuffers;
  }
  std::uint8_t* Value(int i) { return FValues[static_cast<std::size_t>(i)].data(); }
  std::size_t Size(int i) const { return FValues[static_cast<std::size_t>(i)].size(); }
  TOptimBlobStream& Blob(int i) { return *FBlobs[static_cast<std::size_t>(i)]; }
  std::string BlobBytes(int i) {
    TOptimBlobStream& s = Blob(i);
    s.SetPosition(0);
    std::string b(static_cast<std::size_t>(s.Size()), '\0');
    if (!b.empty()) s.ReadBuffer(b.data(), static_cast<std::int64_t>(b.size()));
    return b;
  }

 private:
  TZvTableIO& FTable;
  std::vector<std::vector<std::uint8_t>> FValues;
  std::vector<std::unique_ptr<TOptimBlobStream>> FBlobs;
  TFieldBuffers FBuffers;
};

template <typename T>
T Get(const std::uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
void Put(std::uint8_t* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

std::string NumberText(double v) {
  if (!std::isfinite(v)) return "null";
  std::ostringstream s;
  s << std::setprecision(17) << v;
  return s.str();
}

// A field's value as JSON text (the forms create accepts).
std::string JsonValue(Record& r, TZvTableIO& t, int i) {
  const std::uint8_t type = t.FieldDefs().Items(i).FieldType;
  const std::uint8_t* p = r.Value(i);
  switch (type) {
    case ftString:
    case ftFixedChar: {
      const auto* c = reinterpret_cast<const char*>(p);
      return json::Quote(AnsiToUtf8(std::string(c, strnlen(c, r.Size(i)))));
    }
    case ftSmallint:
      return std::to_string(Get<std::int16_t>(p));
    case ftWord:
      return std::to_string(Get<std::uint16_t>(p));
    case ftBoolean:
      return Get<std::uint16_t>(p) ? "true" : "false";
    case ftInteger:
    case ftAutoInc:
      return std::to_string(Get<std::int32_t>(p));
    case ftLargeint:
      return std::to_string(Get<std::int64_t>(p));
    case ftDate:
      return json::Quote(DateText(Get<std::int32_t>(p)));
    case ftTime:
      return json::Quote(TimeText(Get<std::int32_t>(p)));
    case ftFloat:
    case ftCurrency:
      return NumberText(Get<double>(p));
    case ftDateTime: {
      const double v = Get<double>(p);
      if (!std::isfinite(v) || v < kMsPerDay || v > 3652060.0 * kMsPerDay) return NumberText(v);
      const auto ms = static_cast<std::int64_t>(v);
      return json::Quote(DateText(ms / kMsPerDay) + "T" + TimeText(ms % kMsPerDay));
    }
    default: {
      const std::string b = r.BlobBytes(i);
      if (IsTextBlob(type)) return json::Quote(AnsiToUtf8(b));
      return "{\"base64\": " + json::Quote(ToBase64(b)) + "}";
    }
  }
}

// The same value as plain text (text and csv formats).
std::string PlainValue(Record& r, TZvTableIO& t, int i) {
  const std::uint8_t type = t.FieldDefs().Items(i).FieldType;
  if (type == ftString || type == ftFixedChar || IsTextBlob(type)) {
    if (IsBlobType(type)) return AnsiToUtf8(r.BlobBytes(i));
    const auto* c = reinterpret_cast<const char*>(r.Value(i));
    return AnsiToUtf8(std::string(c, strnlen(c, r.Size(i))));
  }
  if (IsBlobType(type)) return ToBase64(r.BlobBytes(i));
  std::string j = JsonValue(r, t, i);
  if (!j.empty() && j.front() == '"') j = j.substr(1, j.size() - 2);
  return j;
}

// Puts a JSON value into field i; the error names the table and field.
void SetValue(Record& r, TZvTableIO& t, int i, const json::Value& v) {
  const TZvFieldDef& def = t.FieldDefs().Items(i);
  const std::string where = "table '" + t.TableName() + "', field '" + def.Name + "'";
  auto bad = [&](const std::string& what) { Fail("schema: " + where + ": " + what); };
  std::uint8_t* p = r.Value(i);
  auto integer = [&](std::int64_t lo, std::int64_t hi) -> std::int64_t {
    if (v.kind != json::Value::Number || !v.IsInteger()) bad("an integer expected");
    long long n = 0;
    try {
      n = std::stoll(v.text);
    } catch (const std::exception&) {
      bad("integer out of range");
    }
    if (n < lo || n > hi) bad("integer out of range");
    return n;
  };
  auto number = [&]() -> double {
    if (v.kind != json::Value::Number) bad("a number expected");
    return std::stod(v.text);
  };
  auto text = [&]() -> std::string {
    if (v.kind != json::Value::String) bad("a string expected");
    return v.text;
  };
  switch (def.FieldType) {
    case ftString:
    case ftFixedChar: {
      const std::string a = Utf8ToAnsi(text());
      if (a.size() > static_cast<std::size_t>(def.FieldSize))
        bad(Format("text longer than %d characters", def.FieldSize));
      std::memset(p, 0, r.Size(i));
      std::memcpy(p, a.data(), a.size());
      break;
    }
    case ftSmallint:
      Put(p, static_cast<std::int16_t>(integer(-32768, 32767)));
      break;
    case ftWord:
      Put(p, static_cast<std::uint16_t>(integer(0, 65535)));
      break;
    case ftBoolean:
      if (v.kind != json::Value::Bool) bad("true or false expected");
      Put<std::uint16_t>(p, v.boolean ? 1 : 0);
      break;
    case ftInteger:
    case ftAutoInc:
      Put(p, static_cast<std::int32_t>(integer(std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max())));
      break;
    case ftLargeint:
      Put(p, static_cast<std::int64_t>(integer(std::numeric_limits<std::int64_t>::min(),
                                               std::numeric_limits<std::int64_t>::max())));
      break;
    case ftFloat:
    case ftCurrency:
      Put(p, number());
      break;
    case ftDate: {
      std::int64_t day = 0;
      if (!ParseDate(text(), day)) bad("a date YYYY-MM-DD expected");
      Put(p, static_cast<std::int32_t>(day));
      break;
    }
    case ftTime: {
      std::int64_t ms = 0;
      if (!ParseTime(text(), ms)) bad("a time HH:MM:SS.mmm expected");
      Put(p, static_cast<std::int32_t>(ms));
      break;
    }
    case ftDateTime: {
      const std::string s = text();
      std::int64_t day = 0, ms = 0;
      if (s.size() < 19 || s[10] != 'T' || !ParseDate(s.substr(0, 10), day) || !ParseTime(s.substr(11), ms))
        bad("a date-time YYYY-MM-DDTHH:MM:SS.mmm expected");
      Put(p, static_cast<double>(day * kMsPerDay + ms));
      break;
    }
    default: {
      std::string bytes;
      if (v.kind == json::Value::String) {
        bytes = IsTextBlob(def.FieldType) ? Utf8ToAnsi(v.text) : v.text;
      } else if (const json::Value* b = v.kind == json::Value::Object ? v.Find("base64") : nullptr;
                 b && b->kind == json::Value::String) {
        if (!FromBase64(b->text, bytes)) bad("bad base64 text");
      } else {
        bad("a string or {\"base64\": ...} expected");
      }
      TOptimBlobStream& s = r.Blob(i);
      s.SetSize(0);
      if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    }
  }
}

// --- create ---------------------------------------------------------------------

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) Fail("cannot read " + path);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

int Create(const std::string& schemaPath, const std::string& out, std::ostream& os) {
  const json::Value schema = json::Parse(ReadFile(schemaPath));
  if (schema.kind != json::Value::Object) Fail("schema: an object expected");
  TZvCreateOptions opt;
  auto str = [](const json::Value* v, const std::string& where) {
    if (!v || v->kind != json::Value::String) Fail("schema: " + where + ": a string expected");
    return v->text;
  };
  if (const json::Value* v = schema.Find("version")) opt.Version = str(v, "version");
  if (const json::Value* v = schema.Find("compress"); v && v->kind != json::Value::Null)
    opt.CompressName = str(v, "compress");
  if (const json::Value* v = schema.Find("encrypt"); v && v->kind != json::Value::Null) {
    if (v->kind != json::Value::Object) Fail("schema: encrypt: an object or null expected");
    opt.EncryptName = str(v->Find("algorithm"), "encrypt.algorithm");
    const json::Value* mode = v->Find("mode");
    if (mode) {
      if (!mode->IsInteger() || std::stoi(mode->text) < 0 || std::stoi(mode->text) > 4)
        Fail("schema: encrypt.mode: 0 to 4 expected");
      opt.CipherMode = static_cast<std::uint8_t>(std::stoi(mode->text));
    }
    opt.Password = str(v->Find("password"), "encrypt.password");
  }
  if (const json::Value* v = schema.Find("crc_check")) {
    if (v->kind != json::Value::Bool) Fail("schema: crc_check: true or false expected");
    opt.CrcCheck = v->boolean;
  }
  // The modules must exist before a file names them.
  {
    TZvDBFileIO probe(nullptr);
    if (!opt.CompressName.empty()) probe.CompressMgr().SetAlgoName(opt.CompressName);
    if (!opt.EncryptName.empty()) probe.EncryptMgr().SetAlgoName(opt.EncryptName);
  }

  std::vector<TZvCreateTable> tables;
  const json::Value* tv = schema.Find("tables");
  if (!tv || tv->kind != json::Value::Array) Fail("schema: tables: an array expected");
  for (const json::Value& t : tv->items) {
    TZvCreateTable table;
    table.Name = str(t.Find("name"), "table name");
    const std::string where = "table '" + table.Name + "'";
    const json::Value* fields = t.Find("fields");
    if (!fields || fields->kind != json::Value::Array)
      Fail("schema: " + where + ": fields: an array expected");
    for (const json::Value& f : fields->items) {
      TZvCreateField field;
      field.Name = str(f.Find("name"), where + ": field name");
      const std::string fw = where + ", field '" + field.Name + "'";
      const std::string type = str(f.Find("type"), fw + ": type");
      field.FieldType = FieldTypeByName(type);
      if (!field.FieldType) Fail("schema: " + fw + ": unknown type '" + type + "'");
      if (const json::Value* size = f.Find("size")) {
        if (!size->IsInteger()) Fail("schema: " + fw + ": size: an integer expected");
        field.FieldSize = std::stoi(size->text);
      } else if (IsTextType(field.FieldType)) {
        Fail("schema: " + fw + ": size missing");
      }
      if (const json::Value* raw = f.Find("raw")) {
        if (raw->kind != json::Value::Bool) Fail("schema: " + fw + ": raw: true or false expected");
        field.DataProcessMode = raw->boolean ? 1 : 0;
      }
      table.Fields.push_back(field);
    }
    if (const json::Value* indexes = t.Find("indexes")) {
      if (indexes->kind != json::Value::Array) Fail("schema: " + where + ": indexes: an array expected");
      for (const json::Value& x : indexes->items) {
        TZvCreateIndex index;
        index.Name = str(x.Find("name"), where + ": index name");
        const std::string iw = where + ", index '" + index.Name + "'";
        const json::Value* keys = x.Find("fields");
        if (!keys || keys->kind != json::Value::Array) Fail("schema: " + iw + ": fields: an array expected");
        for (const json::Value& k : keys->items) {
          const std::string name = str(&k, iw + ": field");
          auto it = std::find_if(table.Fields.begin(), table.Fields.end(), [&](const TZvCreateField& f) {
            return f.Name.size() == name.size() &&
                   std::equal(f.Name.begin(), f.Name.end(), name.begin(), [](char a, char b) {
                     return std::tolower(static_cast<unsigned char>(a)) ==
                            std::tolower(static_cast<unsigned char>(b));
                   });
          });
          if (it == table.Fields.end()) Fail("schema: " + iw + ": unknown field '" + name + "'");
          index.FieldNumbers.push_back(static_cast<std::int32_t>(it - table.Fields.begin()));
        }
        if (const json::Value* options = x.Find("options")) {
          for (const json::Value& o : options->items) {
            const std::string name = str(&o, iw + ": option");
            if (name == "tiPrimary")
              index.Options |= IndexOptionBit(tiPrimary);
            else if (name == "tiUnique")
              index.Options |= IndexOptionBit(tiUnique);
            else if (name == "tiDescending")
              index.Options |= IndexOptionBit(tiDescending);
            else if (name == "tiCaseInsensitive")
              index.Options |= IndexOptionBit(tiCaseInsensitive);
            else
              Fail("schema: " + iw + ": unknown option '" + name + "'");
          }
        }
        table.Indexes.push_back(index);
      }
    }
    tables.push_back(std::move(table));
  }
  const std::vector<std::uint8_t> image = [&] {
    try {
      return ZvCreateDatabaseImage(opt, tables);
    } catch (const EDatabaseError& e) {
      Fail(std::string("schema: ") + e.what());
    }
  }();
  {
    TFileStream f(out, TFileStream::fmCreate);
    f.WriteBuffer(image.data(), static_cast<std::int64_t>(image.size()));
  }

  // The rows go in through the engine, as any writer's would.
  Options o;
  o.password = opt.Password;
  o.hasPassword = true;
  std::unique_ptr<TZvFileDatabase> db = OpenDatabase(out, o, false);
  std::size_t rows = 0;
  for (const json::Value& t : tv->items) {
    const json::Value* rv = t.Find("rows");
    if (!rv) continue;
    TZvTableIO* table = db->FindTableIO(t.Find("name")->text);
    table->Open();
    const std::string where = "table '" + table->TableName() + "'";
    if (rv->kind != json::Value::Array) Fail("schema: " + where + ": rows: an array expected");
    for (const json::Value& row : rv->items) {
      if (row.kind != json::Value::Object) Fail("schema: " + where + ": a row must be an object");
      Record r(*table);
      for (const auto& [name, value] : row.members) {
        const int i = table->FieldDefs().IndexOfName(name);
        if (i < 0) Fail("schema: " + where + ", field '" + name + "': no such field");
        SetValue(r, *table, i, value);
      }
      try {
        table->AppendRecord(r.Buffers(), false, nullptr, nullptr);
      } catch (const EDatabaseError& e) {
        Fail("schema: " + where + ": " + e.what());
      }
      ++rows;
    }
    table->Close();
  }
  db->GetFileIO()->Flush();
  db->Close();
  os << "created " << out << ": " << tables.size() << " table(s), " << rows << " row(s)\n";
  return 0;
}

// --- tables, dump ------------------------------------------------------------------

int Tables(const std::string& path, const Options& o, std::ostream& os) {
  auto db = OpenDatabase(path, o);
  for (int t = 0; t < db->TableCount(); ++t) {
    TZvTableIO& table = *db->TableIO(t);
    table.Open();
    os << AnsiToUtf8(table.TableName()) << "\t" << table.GetList(0)->size() << " record(s)\t"
       << table.FieldDefs().Count() << " field(s)\t" << table.IndexDefs().Count() << " index(es)\n";
    table.Close();
  }
  return 0;
}

std::string Csv(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

int Dump(const std::string& path, const Options& o, std::ostream& os) {
  if (o.format != "text" && o.format != "csv" && o.format != "json")
    throw UsageError("unknown format '" + o.format + "' (text, csv or json)");
  auto db = OpenDatabase(path, o);
  std::vector<TZvTableIO*> chosen;
  for (int t = 0; t < db->TableCount(); ++t) chosen.push_back(db->TableIO(t));
  if (!o.table.empty()) {
    TZvTableIO* one = db->FindTableIO(Utf8ToAnsi(o.table));
    if (!one) Fail("Table '" + o.table + "' not found");
    chosen = {one};
  }
  if (o.format == "json") os << "{\"tables\": [";
  bool firstTable = true;
  for (TZvTableIO* table : chosen) {
    table->Open();
    const TRecordList& list = *table->GetList(0);
    const int n = table->FieldDefs().Count();
    if (o.format == "json") {
      os << (firstTable ? "" : ",") << "\n  {\"name\": " << json::Quote(AnsiToUtf8(table->TableName()))
         << ", \"rows\": [";
    } else {
      if (o.format == "text")
        os << (firstTable ? "" : "\n") << "# " << AnsiToUtf8(table->TableName()) << "\n";
      for (int i = 0; i < n; ++i)
        os << (i ? (o.format == "csv" ? "," : "\t") : "") << AnsiToUtf8(table->FieldDefs().Items(i).Name);
      os << "\n";
    }
    for (std::size_t k = 0; k < list.size(); ++k) {
      Record r(*table);
      table->ReadRecord(r.Buffers(), list, static_cast<int>(k));
      if (o.format == "json") {
        os << (k ? "," : "") << "\n    {";
        for (int i = 0; i < n; ++i)
          os << (i ? ", " : "") << json::Quote(AnsiToUtf8(table->FieldDefs().Items(i).Name)) << ": "
             << JsonValue(r, *table, i);
        os << "}";
      } else {
        for (int i = 0; i < n; ++i) {
          const std::string v = PlainValue(r, *table, i);
          os << (i ? (o.format == "csv" ? "," : "\t") : "") << (o.format == "csv" ? Csv(v) : v);
        }
        os << "\n";
      }
    }
    if (o.format == "json") os << (list.empty() ? "" : "\n  ") << "]}";
    table->Close();
    firstTable = false;
  }
  if (o.format == "json") os << "\n]}\n";
  return 0;
}

// --- check ------------------------------------------------------------------------

int Check(const std::string& path, const Options& o, std::ostream& os) {
  auto db = OpenDatabase(path, o);
  TZvDBFileIO& io = *db->GetFileIO();
  const std::int64_t size = io.FileSize();
  int problems = 0;
  auto report = [&](const std::string& table, const std::string& what) {
    os << "table '" << AnsiToUtf8(table) << "': " << what << "\n";
    ++problems;
  };
  for (int t = 0; t < db->TableCount(); ++t) {
    TZvTableIO& table = *db->TableIO(t);
    const std::string name = table.TableName();
    try {
      table.Open();
    } catch (const Exception& e) {
      report(name, e.what());
      continue;
    }
    const std::int32_t n = table.RecordCount();
    const TRecordTabItems& tab = table.RecordTab();
    std::int32_t live = 0;
    std::set<std::pair<std::int64_t, std::int64_t>> areas;
    for (std::int32_t k = 0; k < n; ++k) {
      const TRecordTabItem& item = tab[static_cast<std::size_t>(k)];
      if (item.DeleteFlag > 1) report(name, Format("record %d has delete flag %d", k, item.DeleteFlag));
      if (item.DeleteFlag != 0) continue;
      ++live;
      if (item.DataOffset < kDataAreaOffset ||
          item.DataOffset + static_cast<std::int64_t>(table.RecordSize()) > size) {
        report(name, Format("record %d lies outside the file (offset %d)", k, item.DataOffset));
        continue;
      }
      std::vector<std::uint8_t> rec(static_cast<std::size_t>(table.RecordSize()));
      io.ReadBuffer(item.DataOffset, rec.data(), table.RecordSize());
      for (int i = 0; i < table.FieldDefs().Count(); ++i) {
        if (!IsBlobType(table.FieldDefs().Items(i).FieldType)) continue;
        const std::uint8_t* d = rec.data() + table.FieldOffsets()[static_cast<std::size_t>(i)];
        const std::int32_t at = GetI32(d + kBdDataOffset), stored = GetI32(d + kBdDataSize),
                           area = GetI32(d + kBdAreaSize);
        const std::string field = table.FieldDefs().Items(i).Name;
        if (stored < 0 || area <= stored || area % kBlobAreaStep != 0 || at < kDataAreaOffset ||
            static_cast<std::int64_t>(at) + area > size) {
          report(name, Format("record %d, field '%s': blob descriptor (%d, %d, %d) is inconsistent", k,
                              field.c_str(), at, stored, area));
          continue;
        }
        if (!areas.insert({at, area}).second)
          report(name, Format("record %d, field '%s': blob area at %d is shared", k, field.c_str(), at));
        TMemoryStream value;
        try {
          table.ReadKeyField(&value, k, i);
        } catch (const Exception& e) {
          report(name, Format("record %d, field '%s': %s", k, field.c_str(), e.what()));
        }
      }
    }
    for (int j = 0; j < table.IndexDefs().Count(); ++j) {
      const TZvIndexDef& def = table.IndexDefs().Items(j);
      const std::string index = "index '" + def.Name + "'";
      if (n == 0) continue;
      TIntegerAry blocks;
      TIndexTabItems items;
      try {
        io.ReadIndexTab(table.Header(), j, blocks, items);
      } catch (const Exception& e) {
        report(name, index + ": " + e.what());
        continue;
      }
      for (std::int32_t k = 0; k < n; ++k)
        if (items[static_cast<std::size_t>(k)].RecIndex != k)
          report(name, Format("%s: item %d names record %d", index.c_str(), k,
                              items[static_cast<std::size_t>(k)].RecIndex));
      std::vector<std::uint8_t> seen(static_cast<std::size_t>(n), 0);
      const std::uint8_t* e = table.Header() + kThIndexEntries + j * kIndexEntrySize;
      std::int32_t k = GetI32(e + kIeHead), prev = -1, linkedLive = 0;
      Record a(table), b(table);
      for (std::int32_t steps = 0; k != -1; ++steps) {
        if (k < 0 || k >= n) {
          report(name, Format("%s: the chain links to record %d of %d", index.c_str(), k, n));
          break;
        }
        if (seen[static_cast<std::size_t>(k)] || steps >= n) {
          report(name, Format("%s: the chain loops at record %d", index.c_str(), k));
          break;
        }
        seen[static_cast<std::size_t>(k)] = 1;
        if (tab[static_cast<std::size_t>(k)].DeleteFlag == 0) {
          ++linkedLive;
          if (prev >= 0) {
            // Consecutive live records must be in key order.
            int c = 0;
            for (std::size_t m = 0; m < def.FieldNumbers.size() && c == 0; ++m) {
              const int f = def.FieldNumbers[m];
              TMemoryStream va, vb;
              table.ReadKeyField(&va, prev, f);
              table.ReadKeyField(&vb, k, f);
              c = TZvTableIO::CompareFieldValues(
                  va.Memory(), static_cast<int>(va.Size()), vb.Memory(), static_cast<int>(vb.Size()),
                  table.FieldDefs().Items(f).FieldType, false, def.Has(tiCaseInsensitive));
            }
            if (def.Has(tiDescending)) c = -c;
            if (c > 0)
              report(name,
                     Format("%s: record %d comes after record %d out of order", index.c_str(), k, prev));
            if (c == 0 && (def.Has(tiPrimary) || def.Has(tiUnique)))
              report(name, Format("%s: records %d and %d share a unique key", index.c_str(), prev, k));
          }
          prev = k;
        }
        k = items[static_cast<std::size_t>(k)].Next;
      }
      if (linkedLive != live)
        report(name,
               Format("%s: the chain links %d of the %d live records", index.c_str(), linkedLive, live));
    }
    table.Close();
  }
  if (problems == 0) os << "ok: " << db->TableCount() << " table(s) checked\n";
  return problems == 0 ? 0 : 1;
}

const char* kUsage =
    "usage: zvdb create SCHEMA.json OUT\n"
    "       zvdb tables FILE [--password P]\n"
    "       zvdb dump FILE [--password P] [--table T] [--format text|csv|json]\n"
    "       zvdb check FILE [--password P]\n";

}  // namespace

int RunZvdb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError("a command is needed");
    const std::string& cmd = args[0];
    std::vector<std::string> positional;
    Options o;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      auto value = [&]() -> std::string {
        if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
        return args[++i];
      };
      if (a == "--password") {
        o.password = Utf8ToAnsi(value());
        o.hasPassword = true;
      } else if (a == "--table") {
        o.table = value();
      } else if (a == "--format") {
        o.format = value();
      } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
        throw UsageError("unknown option " + a);
      } else {
        positional.push_back(a);
      }
    }
    if (cmd == "create") {
      if (positional.size() != 2) throw UsageError("create needs SCHEMA.json and OUT");
      return Create(positional[0], positional[1], out);
    }
    if (positional.size() != 1) throw UsageError(cmd + " needs one FILE");
    if (cmd == "tables") return Tables(positional[0], o, out);
    if (cmd == "dump") return Dump(positional[0], o, out);
    if (cmd == "check") return Check(positional[0], o, out);
    throw UsageError("unknown command '" + cmd + "'");
  } catch (const UsageError& e) {
    err << "zvdb: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "zvdb: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace velmorak
