// Controls: the base of everything visible. TControl holds position, size,
// visibility, enabled state, text, colour, font and hint; TWinControl adds
// children, tab order and the input focus. A control is owned by a component
// (its form, usually) and shown inside its Parent; the two are independent,
// as in the class library: the owner frees, the parent shows.
//
// Contract with the backend: every state change goes through a setter, which
// tells the peer (if the control is realised) what changed. Calls coming back
// from the user (a typed text, a click) enter through the *ByUser / Click
// members, which update the state and fire the events.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/WidgetSet.h"

namespace velmorak {

class TWinControl;
class TForm;

enum class TAlign { alNone, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TControl : public TComponent {
  friend class TWinControl;

 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  const char* ClassName() const override { return "TControl"; }

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  // The form this control sits in (itself for a form), or null.
  TForm* ParentForm();

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to a shown top-level form visible too.
  virtual bool Showing() const;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);

  const std::string& Caption() const { return FText; }
  void SetCaption(const std::string& Value) { SetTextValue(Value); }

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value) { FShowHint = Value; }

  // Windowed controls get a window of their own from the backend; the others
  // are drawn by the nearest windowed parent.
  virtual bool IsWindowed() const { return false; }

  TNotifyEvent OnClick;
  // A click by the user (or a test): fires OnClick when enabled.
  virtual void Click();

  TControlPeer* Peer() const { return FPeer.get(); }
  void SetPeer(std::unique_ptr<TControlPeer> APeer) { FPeer = std::move(APeer); }
  // Destroys the peers of this control and of its children, deepest first.
  virtual void DestroyPeers();

 protected:
  void SetTextValue(const std::string& Value);
  void Changed(TChange What);
  // Called when the text changed through SetTextValue.
  virtual void TextChanged() {}
  std::string FText;

 private:
  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  TFont FFont;
  bool FTransparent = false;
  std::string FHint;
  bool FShowHint = false;
  std::unique_ptr<TControlPeer> FPeer;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner) : TControl(AOwner) {}
  ~TWinControl() override;
  const char* ClassName() const override { return "TWinControl"; }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }

  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int Value) { FTabOrder = Value; }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value) { FTabStop = Value; }
  virtual bool CanFocus() const;
  void SetFocus();
  bool Focused() const;
  // The user moved the focus here (backend callback).
  void FocusedByUser();

  bool IsWindowed() const override { return true; }
  void DestroyPeers() override;
  // Width and height of the area children are placed in.
  virtual int ClientWidth() const { return Width(); }
  virtual int ClientHeight() const { return Height(); }

 private:
  friend class TControl;
  std::vector<TControl*> FControls;
  int FTabOrder = 0;
  bool FTabStop = false;
};

// A container drawn by its parent, with no window of its own (the group box).
class TGraphicContainer : public TWinControl {
 public:
  using TWinControl::TWinControl;
  bool IsWindowed() const override { return false; }
  bool CanFocus() const override { return false; }
};

}  // namespace velmorak
