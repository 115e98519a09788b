// The zvdb tool: a schema with every value form is created, read back by the
// engine and dumped back in the same forms; errors are one clear line.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "DbTestSupport.h"
#include "tools/zvdb/ZvdbCommands.h"

namespace velmorak {
namespace {

using namespace dbtest;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Zvdb(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunZvdb(args, out, err);
  return {status, out.str(), err.str()};
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const char* kSchema = R"({
  "version": "2.0", "compress": "ZLIB",
  "encrypt": {"algorithm": "Twofish", "mode": 1, "password": "s3cret"},
  "crc_check": true,
  "tables": [
    {"name": "Clients",
     "fields": [
       {"name": "Id", "type": "ftAutoInc"},
       {"name": "Nom", "type": "ftString", "size": 40},
       {"name": "Ville", "type": "ftString", "size": 20, "raw": true},
       {"name": "Solde", "type": "ftFloat"},
       {"name": "Actif", "type": "ftBoolean"},
       {"name": "Ne", "type": "ftDate"},
       {"name": "Heure", "type": "ftTime"},
       {"name": "Vu", "type": "ftDateTime"},
       {"name": "Notes", "type": "ftMemo"},
       {"name": "Logo", "type": "ftBlob"}],
     "indexes": [
       {"name": "PK", "fields": ["Id"], "options": ["tiPrimary"]},
       {"name": "ByNom", "fields": ["Nom"], "options": ["tiCaseInsensitive"]}],
     "rows": [
       {"Nom": "Société Générale", "Ville": "Paris", "Solde": 12.5, "Actif": true, "Ne": "1899-12-30",
        "Heure": "13:45:07.250", "Vu": "2017-12-01T08:30:00.000", "Notes": "ligne 1\nligne 2", "Logo": {"base64": "AAEC/w=="}},
       {"Id": 10, "Nom": "Alpha", "Ville": "Lyon", "Solde": -3, "Actif": false, "Ne": "0001-01-01",
        "Heure": "00:00:00.000", "Vu": "0001-01-01T00:00:00.000", "Notes": "", "Logo": "raw"},
       {"Nom": "Zeta"}]},
    {"name": "Vide", "fields": [{"name": "X", "type": "ftInteger"}]}]
})";

TEST(Zvdb, CreateThenReadBackByEngineAndDump) {
  TempDir dir;
  const std::string schema = dir.File("s.json"), db = dir.File("c.zvc");
  Write(schema, kSchema);
  ToolRun r = Zvdb({"create", schema, db});
  ASSERT_EQ(r.status, 0) << r.err;

  // The engine reads what the tool wrote.
  TZvFileDatabase engine;
  engine.Open(db);
  ASSERT_TRUE(engine.GetFileIO()->EncryptEnabled());
  ASSERT_FALSE(engine.SetPassword("wrong"));
  ASSERT_TRUE(engine.SetPassword("s3cret"));
  TZvTableIO* t = engine.FindTableIO("Clients");
  t->Open();
  ASSERT_EQ(t->GetList(0)->size(), 3u);
  Row row(*t);
  row.Read(*t->GetList(2), 0);  // ByNom, case-insensitive: Alpha first
  EXPECT_EQ(row.GetText(1), "Alpha");
  EXPECT_EQ(row.GetNum<std::int32_t>(0), 10);
  row.Read(*t->GetList(0), 0);
  EXPECT_EQ(row.GetText(1), "Soci\xE9t\xE9 G\xE9n\xE9rale");  // stored in ANSI
  EXPECT_EQ(row.GetNum<std::int32_t>(0), 1);
  EXPECT_EQ(row.GetNum<std::int32_t>(5), 693594);
  EXPECT_EQ(row.GetNum<std::int32_t>(6), 49507250);
  EXPECT_EQ(row.GetBlob(9), std::string("\x00\x01\x02\xff", 4));
  row.Read(*t->GetList(0), 2);
  EXPECT_EQ(row.GetNum<std::int32_t>(0), 11);  // autoinc continues after 10
  engine.Close();

  r = Zvdb({"dump", db, "--password", "s3cret", "--format", "json", "--table", "clients"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* piece :
       {R"("Nom": "Société Générale")", R"("Ne": "1899-12-30")", R"("Heure": "13:45:07.250")",
        R"("Vu": "2017-12-01T08:30:00.000")", R"("Notes": "ligne 1\nligne 2")",
        R"("Logo": {"base64": "AAEC/w=="})", R"("Actif": true)", R"("Solde": 12.5)", R"("Id": 11)"})
    EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n" << r.out;

  r = Zvdb({"tables", db, "--password", "s3cret"});
  EXPECT_EQ(r.out,
            "Clients\t3 record(s)\t10 field(s)\t2 index(es)\nVide\t0 record(s)\t1 field(s)\t0 index(es)\n");
  r = Zvdb({"dump", db, "--password", "s3cret", "--format", "csv", "--table", "Clients"});
  EXPECT_NE(r.out.find("\"ligne 1\nligne 2\""), std::string::npos) << r.out;
  r = Zvdb({"check", db, "--password", "s3cret"});
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST(Zvdb, ErrorsAreOneClearLine) {
  TempDir dir;
  const std::string schema = dir.File("s.json"), db = dir.File("c.zvc");
  Write(schema, kSchema);
  ASSERT_EQ(Zvdb({"create", schema, db}).status, 0);
  struct Case {
    std::vector<std::string> args;
    std::string schema;  // written first when not empty
    std::string message;
    int status;
  } cases[] = {
      {{"dump", db, "--password", "nope"}, "", "zvdb: Access denied\n", 1},
      {{"tables", db}, "", "zvdb: Access denied\n", 1},
      {{"dump", dir.File("none.zvc")}, "", "zvdb: Cannot open file " + dir.File("none.zvc") + "\n", 1},
      {{"create", schema, dir.File("x.zvc")},
       R"({"tables": [{"name": "T", "fields": [{"name": "N", "type": "ftString", "size": 3}], "rows": [{"N": "toolong"}]}]})",
       "zvdb: schema: table 'T', field 'N': text longer than 3 characters\n",
       1},
      {{"create", schema, dir.File("x.zvc")},
       R"({"tables": [{"name": "T", "fields": [{"name": "N", "type": "ftVarBytes"}]}]})",
       "zvdb: schema: table 'T', field 'N': unknown type 'ftVarBytes'\n",
       1},
      {{"create", schema, dir.File("x.zvc")},
       R"({"tables": [{"name": "T", "fields": [{"name": "D", "type": "ftDate"}], "rows": [{"D": "2023-02-30"}]}]})",
       "zvdb: schema: table 'T', field 'D': a date YYYY-MM-DD expected\n",
       1},
      {{"create", schema, dir.File("x.zvc")},
       R"({"tables": [{"name": "T", "fields": [{"name": "K", "type": "ftInteger"}], "indexes": [{"name": "U", "fields": ["K"], "options": ["tiUnique"]}], "rows": [{"K": 1}, {"K": 1}]}]})",
       "zvdb: schema: table 'T': Invalid unique field value '1'\n",
       1},
      {{"create", schema, dir.File("x.zvc")},
       "{\"tables\": [",
       "zvdb: JSON error at line 1, column 13: value expected\n",
       1},
  };
  for (const Case& c : cases) {
    if (!c.schema.empty()) Write(schema, c.schema);
    const ToolRun r = Zvdb(c.args);
    EXPECT_EQ(r.status, c.status) << c.message;
    EXPECT_EQ(r.err, c.message);
  }
  EXPECT_EQ(Zvdb({"frobnicate", db}).status, 2);
}

TEST(Zvdb, CheckReportsDamage) {
  TempDir dir;
  const std::string schema = dir.File("s.json"), db = dir.File("c.zvc");
  Write(schema, R"({"tables": [{"name": "T", "fields": [{"name": "N", "type": "ftString", "size": 4}],
    "indexes": [{"name": "ByN", "fields": ["N"]}], "rows": [{"N": "b"}, {"N": "a"}, {"N": "c"}]}]})");
  ASSERT_EQ(Zvdb({"create", schema, db}).status, 0);
  ASSERT_EQ(Zvdb({"check", db}).status, 0);
  auto bytes = Slurp(db);
  // Swap the order of the chain: the head (record 1, "a") now follows "c".
  const std::uint8_t* h = bytes.data() + zvfmt::kDataAreaOffset;
  const std::int32_t tab = zvfmt::GetI32(h + zvfmt::kThIndexEntries + zvfmt::kIeIndexTabOffset);
  zvfmt::PutI32(bytes.data() + zvfmt::kDataAreaOffset + zvfmt::kThIndexEntries + zvfmt::kIeHead,
                0);                                       // head "b"
  zvfmt::PutI32(bytes.data() + tab + 4 + 2 * 8 + 4, 1);   // "c" -> "a"
  zvfmt::PutI32(bytes.data() + tab + 4 + 1 * 8 + 4, -1);  // "a" ends it
  Spit(db, bytes);
  const ToolRun r = Zvdb({"check", db});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("index 'ByN': record 1 comes after record 2 out of order"), std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace velmorak
