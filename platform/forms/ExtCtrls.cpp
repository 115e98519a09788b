// ExtCtrls: pictures, the progress bar's percentage, timers on the backend's
// clock, and the components that set application-wide looks.
#include "platform/forms/ExtCtrls.h"

#include "platform/forms/Forms.h"

namespace velmorak {

void TImage::SetPicture(const TPicture& Value) {
  FPicture.Assign(Value);
  Changed(TChange::Picture);
}

void TProgressBar::SetPosition(int Value) {
  if (Value < Min) Value = Min;
  if (Value > Max) Value = Max;
  if (Value == FPosition) return;
  FPosition = Value;
  Changed(TChange::Value);
}

int TProgressBar::Percent() const {
  if (Max <= Min) return 0;
  return static_cast<int>((static_cast<long long>(FPosition - Min) * 100) / (Max - Min));
}

void TProgressBar::SetPercent(int Value) {
  SetPosition(Min + static_cast<int>((static_cast<long long>(Max - Min) * Value) / 100));
}

TTimer::~TTimer() {
  if (FId) WidgetSet().StopTimer(FId);
}

void TTimer::SetInterval(unsigned Value) {
  FInterval = Value;
  Restart();
}

void TTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  Restart();
}

void TTimer::Restart() {
  if (FId) WidgetSet().StopTimer(FId), FId = 0;
  if (FEnabled && FInterval > 0)
    FId = WidgetSet().StartTimer(FInterval, [this] {
      if (OnTimer) {
        if (Application)
          Application->Dispatch([this] { OnTimer(this); });
        else
          OnTimer(this);
      }
    });
}

TBalloonHints::TBalloonHints(TComponent* AOwner) : TComponent(AOwner) {
  if (Application) Application->HintsAsBalloons = true;
}

void TBalloonHints::SetFont(const TFont& Value) {
  if (Application) Application->HintFont = Value;
}

void TBalloonHints::SetFrameColor(TColor Value) {
  if (Application) Application->HintFrameColor = Value;
}

void TSkinController::SetSkinName(const std::string& Value) {
  if (Application) Application->SkinName = Value;
}

const TPicture* TPictureContainer::Find(const std::string& AName) const {
  auto it = FItems.find(AName);
  return it == FItems.end() ? nullptr : &it->second;
}

}  // namespace velmorak
