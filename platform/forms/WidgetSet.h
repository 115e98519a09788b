// WidgetSet: the one interface between the portable controls and the backend
// that makes them visible. The controls hold their whole state; a backend
// only mirrors it. Two backends exist: real windows (win32/) and plain state
// with a virtual clock and scripted answers (headless/). The program picks one
// at start-up with SetWidgetSet; until then the headless one is in use.
//
// Peers: when a control is realised (its form is shown, or it is parented to a
// realised control) the backend gives it a peer, which hears of every change
// of the control's state and may call the control back with what the user did.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmorak {

class TControl;
class TForm;
class TSplash;
struct TFont;

// What changed on a control, so a peer redraws or updates only that.
enum class TChange { Bounds, Visible, Enabled, Text, Color, Font, Picture, Value, Lines, Style, Focus };

class TControlPeer {
 public:
  virtual ~TControlPeer() = default;
  virtual void Changed(TChange What) = 0;
  virtual void SetFocus() {}
};

// Message dialog kinds, buttons and results, as the class library names them
// (the dialogs themselves are the dialog service's, Dialogs.h).
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : unsigned {
  mbYes = 1,
  mbNo = 2,
  mbOK = 4,
  mbCancel = 8,
  mbAbort = 16,
  mbRetry = 32,
  mbIgnore = 64,
  mbAll = 128,
  mbNoToAll = 256,
  mbYesToAll = 512,
  mbHelp = 1024,
};
using TMsgDlgButtons = unsigned;
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;

  // Gives Control (and, for a container, every child) a peer when it has none.
  virtual void Realize(TControl& Control) = 0;

  // The clock: a wait that pumps no messages, and a millisecond counter.
  virtual void Sleep(unsigned Milliseconds) = 0;
  virtual std::uint64_t TickCount() = 0;

  // Timers run on the event loop. Returns an id for StopTimer.
  virtual int StartTimer(unsigned Interval, std::function<void()> OnTimer) = 0;
  virtual void StopTimer(int Id) = 0;

  // The event loop: runs until the application is terminated.
  virtual void RunLoop() = 0;
  virtual void ProcessMessages() = 0;

  // The width in pixels of one line of Text drawn in Font, as the backend
  // draws it; a page uses it to place a mark beside a piece of text whose
  // width depends on the fonts the system has. The default is an estimate
  // of about half the height per character.
  virtual int TextWidth(const TFont& Font, const std::string& Text);

  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual std::string ThousandSeparator() = 0;

  // Opens a document or web address with the shell's verb "open".
  virtual void ShellOpen(TForm* Owner, const std::string& Target) = 0;

  // The splash has no peer of the ordinary kind: it is drawn at once on each
  // change (its sequence pumps no messages), shown, faded and closed.
  virtual void SplashPaint(TSplash& Splash) = 0;
  virtual void SplashShow(TSplash& Splash) = 0;
  virtual void SplashClose(TSplash& Splash) = 0;
};

TWidgetSet& WidgetSet();
// Takes ownership; returns the previous one.
std::unique_ptr<TWidgetSet> SetWidgetSet(std::unique_ptr<TWidgetSet> AWidgetSet);

}  // namespace velmorak
