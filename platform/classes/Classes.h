// Classes: the object bases of the class library — TObject, TPersistent with
// its assign operation, and TComponent with ownership and a name. Owners free
// what they own; a component may be freed before its owner, which then forgets
// it.
#pragma once

#include <string>
#include <vector>

#include "platform/classes/SysUtils.h"

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

}  // namespace velmorak
