// StringList: a small ordered list of texts in the class library's shape —
// TStrings with Add, Clear, Count, IndexOf and change notifications that
// BeginUpdate/EndUpdate suspend (nested), TStringList as the concrete list.
// Texts are byte strings; IndexOf compares case-insensitively in ASCII, as
// names of tables and fields are looked up.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"

namespace velmorak {

class TStrings : public TPersistent {
 public:
  const char* ClassName() const override { return "TStrings"; }

  virtual int Count() const = 0;
  virtual const std::string& Strings(int Index) const = 0;
  virtual int Add(const std::string& S) = 0;
  virtual void Clear() = 0;

  // Position of S (case-insensitive), or -1.
  int IndexOf(const std::string& S) const;

  // While an update is open, OnChange is not raised; the outermost EndUpdate
  // raises it once.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  std::function<void(TObject* Sender)> OnChange;

 protected:
  void Changed();

 private:
  int FUpdateCount = 0;
};

class TStringList : public TStrings {
 public:
  const char* ClassName() const override { return "TStringList"; }
  int Count() const override { return static_cast<int>(FItems.size()); }
  const std::string& Strings(int Index) const override { return FItems.at(static_cast<std::size_t>(Index)); }
  int Add(const std::string& S) override;
  void Clear() override;

 private:
  std::vector<std::string> FItems;
};

}  // namespace velmorak
