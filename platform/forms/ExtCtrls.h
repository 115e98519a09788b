// ExtCtrls: the panel pages are shown in, pictures, gradient separators, the
// percentage progress bar, the timer, and the application-wide components
// (balloon hints, skin controller, named picture store).
#pragma once

#include <map>
#include <string>

#include "platform/forms/Controls.h"

namespace velmorak {

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* AOwner) : TWinControl(AOwner) {}
  const char* ClassName() const override { return "TPanel"; }
  // No frame is drawn when false (the work area has no border sides).
  bool BorderSides = true;
};

class TImage : public TControl {
 public:
  explicit TImage(TComponent* AOwner) : TControl(AOwner) {}
  const char* ClassName() const override { return "TImage"; }

  const TPicture& Picture() const { return FPicture; }
  void SetPicture(const TPicture& Value);
  bool Stretch = false;

 private:
  TPicture FPicture;
};

// A horizontal line drawn with a gradient that fades out at both ends.
class TSeparator : public TControl {
 public:
  explicit TSeparator(TComponent* AOwner) : TControl(AOwner) {}
  const char* ClassName() const override { return "TSeparator"; }
  TColor LineColor = RGBToColor(0x84, 0xC0, 0xFF);
};

// A progress bar from Min to Max that shows its position as a percentage.
class TProgressBar : public TControl {
 public:
  explicit TProgressBar(TComponent* AOwner) : TControl(AOwner) {}
  const char* ClassName() const override { return "TProgressBar"; }

  int Min = 0;
  int Max = 100;
  int Position() const { return FPosition; }
  void SetPosition(int Value);
  // The percentage shown: position between Min and Max, rounded down.
  int Percent() const;
  void SetPercent(int Value);
  bool ShowPercent = true;
  TColor BarFrom = RGBToColor(0x00, 0xD5, 0x80);
  TColor BarTo = RGBToColor(0x01, 0x7A, 0x96);

 private:
  int FPosition = 0;
};

// Fires OnTimer every Interval milliseconds while enabled, from the event loop.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner) : TComponent(AOwner) {}
  ~TTimer() override;
  const char* ClassName() const override { return "TTimer"; }

  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TNotifyEvent OnTimer;

 private:
  void Restart();
  unsigned FInterval = 1000;
  bool FEnabled = false;
  int FId = 0;
};

// Shows the hints of the whole application as balloons.
class TBalloonHints : public TComponent {
 public:
  explicit TBalloonHints(TComponent* AOwner);
  const char* ClassName() const override { return "TBalloonHints"; }
  void SetFont(const TFont& Value);
  void SetFrameColor(TColor Value);
};

// Chooses the skin every skinned control of the application is drawn with.
class TSkinController : public TComponent {
 public:
  explicit TSkinController(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TSkinController"; }
  void SetSkinName(const std::string& Value);
};

// Pictures stored under names, for HTML lines that name them in IMG tags.
class TPictureContainer : public TComponent {
 public:
  explicit TPictureContainer(TComponent* AOwner) : TComponent(AOwner) {}
  const char* ClassName() const override { return "TPictureContainer"; }
  void Add(const std::string& AName, const TPicture& Picture) { FItems[AName] = Picture; }
  // The picture stored under AName, or null.
  const TPicture* Find(const std::string& AName) const;
  std::size_t Count() const { return FItems.size(); }

 private:
  std::map<std::string, TPicture> FItems;
};

}  // namespace velmorak
