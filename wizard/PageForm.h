// PageForm: what every wizard page has in common — borderless, white,
// designed maximised, never a window of its own — and small makers for the
// labels the pages are laid out with.
#pragma once

#include <string>

#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace velmorak {

class TPageForm : public TForm {
 public:
  TPageForm(TComponent* AOwner, int DesignWidth, int DesignHeight) : TForm(AOwner) {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetWindowState(TWindowState::wsMaximized);
    SetColor(clWhite);
    SetClientSize(DesignWidth, DesignHeight);
  }

 protected:
  TLabel* AddLabel(TWinControl* parent, const char* name, int left, int top, int width, int height,
                   const std::string& text, const TFont& font) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(parent);
    l->SetBounds(left, top, width, height);
    l->SetCaption(text);
    l->SetFont(font);
    return l;
  }
};

}  // namespace velmorak
