// db_bench: one workload on our storage engine and on SQLite, in one run,
// with the same data: a table of an autoinc key, a 40-character indexed
// name, a city, a balance, a date-time and a memo on half the rows.
//
//   append N rows (one transaction per row on SQLite, as we do not flush per
//   record either), 10,000 point searches by name and 10,000 by key, a full
//   read of every record, 10,000 modifications, 1% deletions, reopen.
//
// SQLite runs with synchronous=OFF and journal_mode=MEMORY. Ours runs twice:
// plain, and with Blowfish encryption and zlib compression. Each phase prints
// its time and the ratio ours / SQLite.
//
//   db_bench [N] [DIR]        (defaults: 100000, the temporary folder)
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "database/ZvDB.h"
#include "database/ZvDBFileDatabase.h"
#include "tools/zvdb/ZvDBCreator.h"

using namespace velmorak;

namespace {

constexpr int kSearches = 10000;
constexpr int kModifications = 10000;

struct Data {
  std::vector<std::string> names, cities, memos;
  std::vector<double> balances, stamps;
};

Data MakeData(int n) {
  Data d;
  std::mt19937_64 rng(20171201);
  static const char* cities[] = {"Paris", "Lyon",   "Marseille", "Toulouse",
                                 "Nice",  "Nantes", "Lille",     "Rennes"};
  for (int i = 0; i < n; ++i) {
    char name[41];
    // Distinct names in random order: the index sees inserts everywhere.
    std::snprintf(name, sizeof name, "Client %016llx %08d", static_cast<unsigned long long>(rng()), i);
    d.names.push_back(name);
    d.cities.push_back(cities[rng() % 8]);
    d.balances.push_back(static_cast<double>(rng() % 1000000) / 100.0);
    d.stamps.push_back(static_cast<double>(693594 + 43000 + rng() % 3000) * 86400000.0);
    d.memos.push_back(i % 2 ? ""
                            : "Remarque " + std::to_string(i) + ": " + std::string(40 + rng() % 200, 'r'));
  }
  return d;
}

using Phases = std::map<std::string, double>;
const char* kPhaseOrder[] = {"append", "search by name", "search by key", "full read",
                             "modify", "delete",         "reopen"};

double Time(const std::function<void()>& fn) {
  const auto t0 = std::chrono::steady_clock::now();
  fn();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// ---------------------------------------------------------------------------
// SQLite

void Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", err);
    std::exit(1);
  }
}

sqlite3_stmt* Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  return s;
}

sqlite3* OpenSqlite(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Exec(db, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY;");
  return db;
}

volatile std::size_t g_sink = 0;  // keeps the reads from being optimised away

void ReadRow(sqlite3_stmt* s) {
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_int(s, 0));
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_bytes(s, 1));
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_bytes(s, 2));
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_double(s, 3));
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_double(s, 4));
  g_sink = g_sink + static_cast<std::size_t>(sqlite3_column_bytes(s, 5));
}

Phases RunSqlite(const Data& d, const std::string& path, const std::vector<int>& probes) {
  Phases p;
  std::filesystem::remove(path);
  sqlite3* db = OpenSqlite(path);
  Exec(db,
       "CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, city TEXT, balance REAL, stamp REAL, "
       "memo "
       "TEXT); CREATE INDEX t_name ON t(name);");
  const int n = static_cast<int>(d.names.size());
  p["append"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "INSERT INTO t(name, city, balance, stamp, memo) VALUES(?,?,?,?,?)");
    for (int i = 0; i < n; ++i) {
      sqlite3_bind_text(s, 1, d.names[i].c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(s, 2, d.cities[i].c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_double(s, 3, d.balances[i]);
      sqlite3_bind_double(s, 4, d.stamps[i]);
      if (d.memos[i].empty())
        sqlite3_bind_null(s, 5);
      else
        sqlite3_bind_text(s, 5, d.memos[i].c_str(), -1, SQLITE_STATIC);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
  });
  p["search by name"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "SELECT * FROM t WHERE name = ?");
    for (int i : probes) {
      sqlite3_bind_text(s, 1, d.names[static_cast<std::size_t>(i)].c_str(), -1, SQLITE_STATIC);
      if (sqlite3_step(s) == SQLITE_ROW) ReadRow(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
  });
  p["search by key"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "SELECT * FROM t WHERE id = ?");
    for (int i : probes) {
      sqlite3_bind_int(s, 1, i + 1);
      if (sqlite3_step(s) == SQLITE_ROW) ReadRow(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
  });
  p["full read"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "SELECT * FROM t");
    while (sqlite3_step(s) == SQLITE_ROW) ReadRow(s);
    sqlite3_finalize(s);
  });
  p["modify"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "UPDATE t SET balance = ?, city = ? WHERE id = ?");
    for (int m = 0; m < kModifications; ++m) {
      const int i = probes[static_cast<std::size_t>(m) % probes.size()];
      sqlite3_bind_double(s, 1, d.balances[static_cast<std::size_t>(i)] + 1);
      sqlite3_bind_text(s, 2, "Bordeaux", -1, SQLITE_STATIC);
      sqlite3_bind_int(s, 3, i + 1);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
  });
  p["delete"] = Time([&] {
    sqlite3_stmt* s = Prepare(db, "DELETE FROM t WHERE id = ?");
    for (int k = 0; k < n / 100; ++k) {
      sqlite3_bind_int(s, 1, k * 100 + 1);
      sqlite3_step(s);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
  });
  sqlite3_close(db);
  p["reopen"] = Time([&] {
    sqlite3* again = OpenSqlite(path);
    sqlite3_stmt* s = Prepare(again, "SELECT * FROM t WHERE id = ?");
    sqlite3_bind_int(s, 1, 2);
    if (sqlite3_step(s) == SQLITE_ROW) ReadRow(s);
    sqlite3_finalize(s);
    sqlite3_close(again);
  });
  return p;
}

// ---------------------------------------------------------------------------
// Ours

constexpr int fId = 0, fName = 1, fCity = 2, fBalance = 3, fStamp = 4, fMemo = 5;

struct OurRow {
  std::int32_t id = 0;
  char name[41] = {};
  char city[31] = {};
  double balance = 0, stamp = 0;
  TOptimBlobStream memo;
  TFieldBuffers buffers;

  OurRow() {
    buffers.Add(&id, ftAutoInc, 4);
    buffers.Add(name, ftString, 41);
    buffers.Add(city, ftString, 31);
    buffers.Add(&balance, ftFloat, 8);
    buffers.Add(&stamp, ftDateTime, 8);
    buffers.AddStream(&memo, ftMemo);
  }
  void Touch() {
    g_sink = g_sink + static_cast<std::size_t>(id) + std::strlen(name) + std::strlen(city) +
             static_cast<std::size_t>(balance + stamp);
    memo.Seek(0, TSeekOrigin::soEnd);  // loads the memo, as reading the column does
    g_sink = g_sink + static_cast<std::size_t>(memo.Size());
  }
};

Phases RunOurs(const Data& d, const std::string& path, const std::vector<int>& probes, bool processed,
               bool exclusive) {
  Phases p;
  TZvCreateOptions opt;
  if (processed) {
    opt.CompressName = "ZLIB";
    opt.EncryptName = "Blowfish";
    opt.CipherMode = 1;
    opt.Password = "bench";
  }
  ZvCreateDatabase(path, opt,
                   {{"Clients",
                     {{"Id", ftAutoInc, 0, 0},
                      {"Name", ftString, 40, 0},
                      {"City", ftString, 30, 0},
                      {"Balance", ftFloat, 0, 0},
                      {"Stamp", ftDateTime, 0, 0},
                      {"Memo", ftMemo, 0, 0}},
                     {{"PK", IndexOptionBit(tiPrimary), {fId}}, {"ByName", 0, {fName}}}}});
  auto open = [&] {
    auto db = std::make_unique<TZvFileDatabase>();
    db->Exclusive = exclusive;
    db->Open(path);
    db->SetPassword("bench");
    return db;
  };
  auto db = open();
  TZvTableIO* t = db->FindTableIO("Clients");
  t->Open();
  const int n = static_cast<int>(d.names.size());
  OurRow row;
  p["append"] = Time([&] {
    for (int i = 0; i < n; ++i) {
      row.id = 0;
      std::memset(row.name, 0, sizeof row.name);
      std::memcpy(row.name, d.names[static_cast<std::size_t>(i)].data(),
                  d.names[static_cast<std::size_t>(i)].size());
      std::memset(row.city, 0, sizeof row.city);
      std::memcpy(row.city, d.cities[static_cast<std::size_t>(i)].data(),
                  d.cities[static_cast<std::size_t>(i)].size());
      row.balance = d.balances[static_cast<std::size_t>(i)];
      row.stamp = d.stamps[static_cast<std::size_t>(i)];
      row.memo.Setup(0, false, false);
      const std::string& m = d.memos[static_cast<std::size_t>(i)];
      if (!m.empty()) row.memo.WriteBuffer(m.data(), static_cast<std::int64_t>(m.size()));
      t->AppendRecord(row.buffers, false, nullptr, nullptr);
    }
  });
  OurRow key, out;
  auto search = [&](int index, const std::function<void(int)>& setKey) {
    const TRecordList& list = *t->GetList(index + 1);
    for (int i : probes) {
      setKey(i);
      int cmp = 0;
      const int pos = t->SearchIndex(key.buffers, list, false, 0, cmp, index);
      if (cmp != 0) {
        std::fprintf(stderr, "ours: key %d not found\n", i);
        std::exit(1);
      }
      t->ReadRecord(out.buffers, list, pos);
      out.Touch();
    }
  };
  p["search by name"] = Time([&] {
    search(1, [&](int i) {
      std::memset(key.name, 0, sizeof key.name);
      std::memcpy(key.name, d.names[static_cast<std::size_t>(i)].data(),
                  d.names[static_cast<std::size_t>(i)].size());
    });
  });
  p["search by key"] = Time([&] { search(0, [&](int i) { key.id = i + 1; }); });
  p["full read"] = Time([&] {
    const TRecordList& list = *t->GetList(0);
    for (std::size_t k = 0; k < list.size(); ++k) {
      t->ReadRecord(out.buffers, list, static_cast<int>(k));
      out.Touch();
    }
  });
  p["modify"] = Time([&] {
    // The memo is not part of the change: its item is inactive and keeps its bytes.
    OurRow change;
    change.buffers.Items(fMemo).Active = false;
    for (int m = 0; m < kModifications; ++m) {
      const int i = probes[static_cast<std::size_t>(m) % probes.size()];
      key.id = i + 1;
      int cmp = 0;
      const int pos = t->SearchIndex(key.buffers, *t->GetList(1), false, 0, cmp, 0);
      const int physical = t->PhysicalPositionOf(*t->GetList(1), pos);
      t->ReadRecord(change.buffers, *t->GetList(0), physical);
      change.balance += 1;
      std::memset(change.city, 0, sizeof change.city);
      std::strcpy(change.city, "Bordeaux");
      t->ModifyRecord(change.buffers, physical, nullptr, nullptr, false);
    }
  });
  p["delete"] = Time([&] {
    for (int k = 0; k < n / 100; ++k) {
      key.id = k * 100 + 1;
      int cmp = 0;
      const int pos = t->SearchIndex(key.buffers, *t->GetList(1), false, 0, cmp, 0);
      t->DeleteRecord(t->PhysicalPositionOf(*t->GetList(1), pos), false);
    }
  });
  t->Close();
  db->Close();
  p["reopen"] = Time([&] {
    auto again = open();
    TZvTableIO* t2 = again->FindTableIO("Clients");
    t2->Open();
    OurRow r;
    t2->ReadRecord(r.buffers, *t2->GetList(0), 1);
    r.Touch();
  });
  return p;
}

void Report(const char* title, const Phases& ours, const Phases& peer) {
  std::printf("\n%s\n%-16s %12s %12s %8s\n", title, "phase", "ours (s)", "SQLite (s)", "ratio");
  for (const char* phase : kPhaseOrder) {
    const double a = ours.at(phase), b = peer.at(phase);
    std::printf("%-16s %12.4f %12.4f %7.2fx\n", phase, a, b, b > 0 ? a / b : 0.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string dir = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
  const Data data = MakeData(n);
  std::vector<int> probes;
  std::mt19937 rng(5);
  for (int i = 0; i < kSearches; ++i) probes.push_back(static_cast<int>(rng() % static_cast<unsigned>(n)));

  std::printf("db_bench: %d rows, %d searches per kind, %d modifications, %d deletions; SQLite %s\n", n,
              kSearches, kModifications, n / 100, sqlite3_libversion());
  const std::string sq = dir + "/db_bench.sqlite", ours = dir + "/db_bench.zvc";
  const Phases peer = RunSqlite(data, sq, probes);
  Report("plain, exclusive open", RunOurs(data, ours, probes, false, true), peer);
  Report("plain, shared open", RunOurs(data, ours, probes, false, false), peer);
  Report("Blowfish + zlib, exclusive open", RunOurs(data, ours, probes, true, true), peer);
  std::filesystem::remove(sq);
  std::filesystem::remove(ours);
  return 0;
}
