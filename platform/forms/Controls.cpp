// Controls: state, parent links, focus and the change notifications that keep
// a backend peer in step with the control.
#include "platform/forms/Controls.h"

#include <algorithm>

#include "platform/forms/Forms.h"

namespace velmorak {

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {}

TControl::~TControl() {
  DestroyPeers();
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (TForm* form = FParent->ParentForm()) form->ControlRemoved(this);
  }
}

void TControl::DestroyPeers() {
  FPeer.reset();
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    DestroyPeers();
  }
  FParent = AParent;
  if (FParent) {
    FParent->FControls.push_back(this);
    if (FAlign == TAlign::alClient) SetBounds(0, 0, FParent->ClientWidth(), FParent->ClientHeight());
    // A control parented to something already on screen is realised at once.
    for (TControl* p = FParent; p; p = p->Parent())
      if (p->Peer()) {
        WidgetSet().Realize(*this);
        break;
      }
  }
}

TForm* TControl::ParentForm() {
  for (TControl* c = this; c; c = c->Parent())
    if (auto* f = dynamic_cast<TForm*>(c)) {
      // A page form parented into another form still counts as its own form.
      return f;
    }
  return nullptr;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  FLeft = ALeft, FTop = ATop, FWidth = AWidth, FHeight = AHeight;
  Changed(TChange::Bounds);
}

void TControl::SetAlign(TAlign Value) {
  FAlign = Value;
  if (FAlign == TAlign::alClient && FParent) SetBounds(0, 0, FParent->ClientWidth(), FParent->ClientHeight());
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Changed(TChange::Visible);
}

bool TControl::Showing() const {
  return FVisible && (!FParent || FParent->Showing());
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Changed(TChange::Enabled);
}

void TControl::SetTextValue(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  Changed(TChange::Text);
  TextChanged();
}

void TControl::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed(TChange::Color);
}

void TControl::SetFont(const TFont& Value) {
  if (Value == FFont) return;
  FFont = Value;
  Changed(TChange::Font);
}

void TControl::SetTransparent(bool Value) {
  FTransparent = Value;
  Changed(TChange::Color);
}

void TControl::Click() {
  if (FEnabled && OnClick) OnClick(this);
}

void TControl::Changed(TChange What) {
  if (FPeer) FPeer->Changed(What);
}

TWinControl::~TWinControl() {
  // Children outlive the parent link only when owned elsewhere: unlink them.
  DestroyPeers();
  for (TControl* c : FControls) c->FParent = nullptr;
  FControls.clear();
}

void TWinControl::DestroyPeers() {
  for (TControl* c : FControls) c->DestroyPeers();
  TControl::DestroyPeers();
}

bool TWinControl::CanFocus() const {
  return Showing() && Enabled();
}

void TWinControl::SetFocus() {
  TForm* form = ParentForm();
  if (!form) return;
  form->SetActiveControl(this);
  if (Peer()) Peer()->SetFocus();
}

bool TWinControl::Focused() const {
  TForm* form = const_cast<TWinControl*>(this)->ParentForm();
  return form && form->ActiveControl() == this;
}

void TWinControl::FocusedByUser() {
  if (TForm* form = ParentForm()) form->SetActiveControl(this);
}

}  // namespace velmorak
