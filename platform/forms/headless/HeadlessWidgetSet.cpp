// HeadlessWidgetSet: virtual clock, timers and recorded splash frames.
#include "platform/forms/headless/HeadlessWidgetSet.h"

#include "platform/forms/Splash.h"

namespace velmorak {

void THeadlessWidgetSet::Sleep(unsigned Milliseconds) {
  // A plain wait pumps nothing: time passes, no timer fires.
  Waits.push_back(Milliseconds);
  FNow += Milliseconds;
}

int THeadlessWidgetSet::StartTimer(unsigned Interval, std::function<void()> OnTimer) {
  const int id = FNextTimer++;
  FTimers[id] = {Interval, FNow + Interval, std::move(OnTimer)};
  return id;
}

void THeadlessWidgetSet::StopTimer(int Id) {
  FTimers.erase(Id);
}

void THeadlessWidgetSet::AdvanceTime(unsigned Milliseconds) {
  const std::uint64_t end = FNow + Milliseconds;
  for (;;) {
    // The earliest due timer fires next; a handler may stop or start timers.
    auto next = FTimers.end();
    for (auto it = FTimers.begin(); it != FTimers.end(); ++it)
      if (it->second.Due <= end && (next == FTimers.end() || it->second.Due < next->second.Due)) next = it;
    if (next == FTimers.end()) break;
    if (next->second.Due > FNow) FNow = next->second.Due;
    next->second.Due = FNow + next->second.Interval;
    std::function<void()> handler = next->second.OnTimer;
    handler();
  }
  FNow = end;
}

void THeadlessWidgetSet::SplashPaint(TSplash& Splash) {
  TSplashFrame frame;
  frame.Time = FNow;
  frame.VersionText = Splash.AppVersion.Text;
  frame.VersionCustom = Splash.AppVersion.Location == TSplashLocation::plCustom;
  frame.VersionX = Splash.AppVersion.X;
  frame.ListLeft = Splash.ListRect.Left;
  frame.ListTop = Splash.ListRect.Top;
  frame.ListWidth = Splash.ListRect.Width();
  frame.ListHeight = Splash.ListRect.Height();
  for (int i = 0; i < Splash.ItemCount(); ++i) frame.Lines.push_back(Splash.Item(i).HTMLText());
  frame.Progress = Splash.Progress();
  SplashFrames.push_back(std::move(frame));
}

}  // namespace velmorak
