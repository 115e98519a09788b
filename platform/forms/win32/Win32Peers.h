// Win32Peers: the window behind each control. Windowed controls (forms,
// panels, edits, the memo, buttons, the folder chooser) get a real window;
// the others (labels, pictures, separators, progress bars, group boxes) are
// drawn by the nearest windowed parent, their host, in its WM_PAINT.
// Every window carries the control's name as a property ("VelmorakControl",
// a global atom), so a test driver in another process can find it by name.
#pragma once

#include "platform/forms/win32/Win32Common.h"

namespace velmorak::win32 {

class TPeer : public TControlPeer {
 public:
  explicit TPeer(TControl& AControl) : Control(AControl) {}
  ~TPeer() override;
  void Changed(TChange What) override;
  void SetFocus() override;

  // Creates the window (windowed controls only).
  virtual void Create() {}
  // Notifications the host forwards from its child window.
  virtual void Command(WORD Code) {}
  virtual bool DrawItem(const DRAWITEMSTRUCT& Item) { return false; }
  virtual HBRUSH CtlColor(HDC Dc) { return nullptr; }

  TControl& Control;
  HWND Handle = nullptr;
  bool Hot = false;

 protected:
  // Makes Handle a window of the given class inside the host.
  void CreateChild(const wchar_t* ClassName, DWORD Style, DWORD ExStyle, int HeightOverride = 0);
  void InvalidateOnHost();
  void UpdateTooltip();
  std::wstring FTipText;
};

// Gives Control and its children their peers and windows.
void RealizeTree(TControl& Control);
// The window that draws (or holds) Control, and Control's offset in it.
HWND HostOf(TControl& Control, int& X, int& Y);
TPeer* PeerOf(HWND Window);
// The top-level window of the form holding Control.
HWND TopLevelOf(TControl& Control);
void RegisterWindowClasses();
extern HINSTANCE Instance;

}  // namespace velmorak::win32
