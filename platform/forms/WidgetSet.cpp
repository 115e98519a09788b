// WidgetSet: the backend in use. Until the program chooses, the headless one
// answers, so the portable classes can be used (and tested) without a screen.
#include "platform/forms/WidgetSet.h"

#include "platform/forms/headless/HeadlessWidgetSet.h"

namespace velmorak {

namespace {
std::unique_ptr<TWidgetSet>& Current() {
  static std::unique_ptr<TWidgetSet> current;
  return current;
}
}  // namespace

TWidgetSet& WidgetSet() {
  auto& current = Current();
  if (!current) current = std::make_unique<THeadlessWidgetSet>();
  return *current;
}

std::unique_ptr<TWidgetSet> SetWidgetSet(std::unique_ptr<TWidgetSet> AWidgetSet) {
  std::unique_ptr<TWidgetSet> previous = std::move(Current());
  Current() = std::move(AWidgetSet);
  return previous;
}

}  // namespace velmorak
