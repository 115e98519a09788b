#include "platform/classes/Classes.h"

#include <algorithm>

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
