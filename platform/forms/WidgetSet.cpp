// WidgetSet: the backend in use. Until the program chooses, the headless one
// answers, so the portable classes can be used (and tested) without a screen.
#include "platform/forms/WidgetSet.h"

#include "platform/forms/Graphics.h"
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

int TWidgetSet::TextWidth(const TFont& Font, const std::string& Text) {
  // An average sans-serif character is a little over half as wide as the
  // font is high; bold adds a tenth.
  const double perChar = Font.Height * (Font.Bold() ? 0.6 : 0.55);
  return static_cast<int>(static_cast<double>(Utf8Length(Text)) * perChar + 0.5);
}

std::unique_ptr<TWidgetSet> SetWidgetSet(std::unique_ptr<TWidgetSet> AWidgetSet) {
  std::unique_ptr<TWidgetSet> previous = std::move(Current());
  Current() = std::move(AWidgetSet);
  return previous;
}

}  // namespace velmorak
