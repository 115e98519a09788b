// Forms: showing and closing forms, tab order, the application object with its
// message boxes and default exception handler.
#include "platform/forms/Forms.h"

#include <algorithm>
#include <cmath>

#include "platform/classes/SysUtils.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Splash.h"

namespace velmorak {

TApplication* Application = nullptr;

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  // A form starts hidden, as designed forms do; white pages set their colour.
  SetVisible(false);
  SetFont(TFont::Make("MS Sans Serif", TFont::PointsToPixels(8)));
}

TForm::~TForm() {
  DestroyPeers();
}

void TForm::SetClientSize(int AWidth, int AHeight) {
  FClientWidth = AWidth, FClientHeight = AHeight;
  SetBounds(Left(), Top(), AWidth, AHeight);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

bool TForm::Showing() const {
  return Visible() && (!Parent() || Parent()->Showing());
}

void TForm::SetVisible(bool Value) {
  if (Value == Visible()) return;
  if (Value) {
    // A splash owned by the form closes itself when its form appears.
    for (int i = 0; i < ComponentCount(); ++i)
      if (auto* splash = dynamic_cast<TSplash*>(Components(i))) splash->OwnerShowing();
    // The window is made (still hidden), OnShow prepares it — placing it,
    // opening its first page — and only then does it appear, in one piece.
    if (!Peer() && (!Parent() || Parent()->Peer())) WidgetSet().Realize(*this);
    if (OnShow) OnShow(this);
    TWinControl::SetVisible(true);
  } else {
    TWinControl::SetVisible(false);
    if (OnHide) OnHide(this);
  }
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  Hide();
  if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  FActiveControl = Control;
}

void TForm::ControlRemoved(TControl* Control) {
  if (FActiveControl == Control) FActiveControl = nullptr;
}

namespace {
void CollectTabList(TWinControl* parent, std::vector<TWinControl*>& out) {
  std::vector<TWinControl*> children;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(parent->Controls(i))) children.push_back(w);
  std::stable_sort(children.begin(), children.end(),
                   [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
  for (TWinControl* w : children) {
    if (!w->Visible() || !w->Enabled()) continue;
    if (w->TabStop()) out.push_back(w);
    if (!dynamic_cast<TForm*>(w)) CollectTabList(w, out);
  }
}
}  // namespace

std::vector<TWinControl*> TForm::TabList() {
  std::vector<TWinControl*> list;
  CollectTabList(this, list);
  return list;
}

void TForm::SelectNext(TWinControl* Current, bool GoForward) {
  std::vector<TWinControl*> list = TabList();
  if (list.empty()) return;
  auto it = std::find(list.begin(), list.end(), Current);
  std::size_t index;
  if (it == list.end())
    index = GoForward ? 0 : list.size() - 1;
  else {
    const std::size_t at = static_cast<std::size_t>(it - list.begin());
    index = GoForward ? (at + 1) % list.size() : (at + list.size() - 1) % list.size();
  }
  list[index]->SetFocus();
}

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() = default;

void TApplication::Run() {
  if (FMainForm) FMainForm->Show();
  if (!FTerminated) WidgetSet().RunLoop();
}

void TApplication::ProcessMessages() {
  WidgetSet().ProcessMessages();
}

int TApplication::MessageDlg(const std::string& Text, TMsgDlgType Type, TMsgDlgButtons Buttons) {
  // Captioned with the kind of message, through the dialog service, so the
  // wizard's boxes and the engines' default dialogs take one path.
  return DialogBackend().MessageDlg(MsgDlgCaption(Type), Text, Type, Buttons);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, TMsgDlgType Type,
                             TMsgDlgButtons Buttons) {
  return DialogBackend().MessageDlg(Caption, Text, Type, Buttons);
}

void TApplication::ShowException(const std::exception& E) {
  // A cancelled operation ends in the silent abort: nothing to tell the user.
  if (dynamic_cast<const EAbort*>(&E)) return;
  std::string text = E.what();
  // A sentence ends with a full stop in the error box, as the class library does.
  if (!text.empty() && text.back() != '.') text += '.';
  DialogBackend().MessageDlg(FTitle, text, TMsgDlgType::mtError, mbOK);
}

void TApplication::Dispatch(const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (const std::exception& e) {
    ShowException(e);
  }
}

TApplication* CreateApplication() {
  DestroyApplication();
  Application = new TApplication();
  return Application;
}

void DestroyApplication() {
  delete Application;
  Application = nullptr;
}

int Round(double Value) {
  return static_cast<int>(std::nearbyint(Value));
}

}  // namespace velmorak
