// HeadlessWidgetSet: the backend with no screen. Controls stay plain state;
// the clock is virtual (a wait advances it at once and is recorded); timers
// fire only when a test lets virtual time pass on the event loop; each immediate
// paint of the splash is recorded as a frame, so a test sees what the screen
// would have shown, and when.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/forms/WidgetSet.h"

namespace velmorak {

class THeadlessWidgetSet : public TWidgetSet {
 public:
  struct TSplashFrame {
    std::uint64_t Time;
    std::string VersionText;
    bool VersionCustom;
    int VersionX;
    int ListLeft, ListTop, ListWidth, ListHeight;
    std::vector<std::string> Lines;
    double Progress;
  };

  void Realize(TControl& Control) override {}

  void Sleep(unsigned Milliseconds) override;
  std::uint64_t TickCount() override { return FNow; }
  std::vector<unsigned> Waits;  // every Sleep, in order

  int StartTimer(unsigned Interval, std::function<void()> OnTimer) override;
  void StopTimer(int Id) override;
  // Lets Milliseconds of virtual time pass on the event loop, firing timers.
  void AdvanceTime(unsigned Milliseconds);
  std::size_t ActiveTimers() const { return FTimers.size(); }

  void RunLoop() override {}
  void ProcessMessages() override { AdvanceTime(0); }

  int ScreenWidth() override { return ScreenW; }
  int ScreenHeight() override { return ScreenH; }
  int ScreenW = 1024, ScreenH = 768;
  std::string ThousandSeparator() override { return Separator; }
  std::string Separator = " ";

  void ShellOpen(TForm* Owner, const std::string& Target) override { Opened.push_back(Target); }
  std::vector<std::string> Opened;

  void SplashPaint(TSplash& Splash) override;
  void SplashShow(TSplash& Splash) override { ++SplashShows; }
  void SplashClose(TSplash& Splash) override { ++SplashCloses; }
  std::vector<TSplashFrame> SplashFrames;
  int SplashShows = 0, SplashCloses = 0;

 private:
  struct TTimerEntry {
    unsigned Interval;
    std::uint64_t Due;
    std::function<void()> OnTimer;
  };
  std::uint64_t FNow = 0;
  int FNextTimer = 1;
  std::map<int, TTimerEntry> FTimers;
};

}  // namespace velmorak
