// StdCtrls: behaviour of labels, edits, the numeric edit, the memo and the
// skinned button that holds whatever backend draws them.
#include "platform/forms/StdCtrls.h"

#include <cstdlib>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

namespace velmorak {

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  SetTransparent(true);
}

TLabel::~TLabel() = default;

void TLabel::SetBlinking(bool Value, TColor ABlinkColor, unsigned Interval) {
  FBlinking = Value;
  FBlinkColor = ABlinkColor;
  FBlinkPhase = false;
  if (!FBlinkTimer) {
    FBlinkTimer = new TTimer(this);
    FBlinkTimer->OnTimer = [this](TObject*) {
      FBlinkPhase = !FBlinkPhase;
      Changed(TChange::Color);
    };
  }
  FBlinkTimer->SetInterval(Interval);
  FBlinkTimer->SetEnabled(Value);
  Changed(TChange::Color);
}

std::string TLabel::LinkTarget() const {
  const std::string& text = Caption();
  if (text.find('@') != std::string::npos && text.find(':') == std::string::npos) return "mailto:" + text;
  return text;
}

void TLabel::Click() {
  if (!Enabled()) return;
  if (IsLink) WidgetSet().ShellOpen(ParentForm(), LinkTarget());
  TControl::Click();
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TEdit::SetMaxLength(int Value) {
  FMaxLength = Value;
  Changed(TChange::Style);
}

void TEdit::TextChanged() {
  if (OnChange) OnChange(this);
}

void TEdit::TypeText(const std::string& Characters) {
  for (std::size_t i = 0; i < Characters.size();) {
    std::size_t n = 1;
    while (i + n < Characters.size() && (static_cast<unsigned char>(Characters[i + n]) & 0xC0) == 0x80) ++n;
    if (FMaxLength > 0 && Utf8Length(FText) >= static_cast<std::size_t>(FMaxLength)) return;
    SetTextValue(FText + Characters.substr(i, n));
    i += n;
  }
}

void TEdit::ReplaceTextByUser(const std::string& Value) {
  SetTextValue(FMaxLength > 0 ? Utf8Left(Value, static_cast<std::size_t>(FMaxLength)) : Value);
}

void TEdit::KeyPressEnter() {
  if (!EnterMovesFocus) return;
  if (TForm* form = ParentForm()) form->SelectNext(this, true);
}

TNumEdit::TNumEdit(TComponent* AOwner) : TEdit(AOwner) {
  FText = DisplayText();
}

void TNumEdit::SetValue(long long AValue) {
  FValue = AValue;
  SetTextValue(DisplayText());
}

std::string TNumEdit::DisplayText() const {
  return FormatValue(FValue, DisplayFormat, WidgetSet().ThousandSeparator());
}

void TNumEdit::CommitUserText(const std::string& Typed) {
  // Accept the number as shown too: separators and blanks are dropped,
  // parentheses mean negative. An empty text is zero.
  std::string s = Typed;
  const std::string separators[] = {WidgetSet().ThousandSeparator(), " ", "\xC2\xA0", "\xE2\x80\xAF"};
  for (const std::string& drop : separators) {
    if (drop.empty()) continue;
    for (std::size_t at; (at = s.find(drop)) != std::string::npos;) s.erase(at, drop.size());
  }
  bool negative = false;
  if (s.size() >= 2 && s.front() == '(' && s.back() == ')') negative = true, s = s.substr(1, s.size() - 2);
  if (!s.empty() && s[0] == '-') negative = !negative, s.erase(0, 1);
  bool valid = s.size() <= 18;
  for (char c : s) valid = valid && c >= '0' && c <= '9';
  if (!valid) {
    // Not a number: the previous value comes back, as the user last saw it.
    FText.clear();
    SetValue(FValue);
    return;
  }
  const long long v = s.empty() ? 0 : std::strtoll(s.c_str(), nullptr, 10);
  SetValue(negative ? -v : v);
}

std::string TNumEdit::FormatValue(long long Value, const std::string& Format, const std::string& Separator) {
  // Sections: "positive;negative". In a section, ",0" is the number with
  // thousands separators; everything else is copied as it stands. The
  // negative section shows the magnitude, its literals say it is negative.
  std::string positive = Format, negative;
  const std::size_t semi = Format.find(';');
  if (semi != std::string::npos) positive = Format.substr(0, semi), negative = Format.substr(semi + 1);
  const bool useNegative = Value < 0 && !negative.empty();
  const std::string& section = useNegative ? negative : positive;
  unsigned long long magnitude =
      Value < 0 ? static_cast<unsigned long long>(-(Value + 1)) + 1 : static_cast<unsigned long long>(Value);
  std::string digits = std::to_string(magnitude);
  const bool grouped = section.find(',') != std::string::npos;
  std::string number;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (grouped && i > 0 && (digits.size() - i) % 3 == 0) number += Separator;
    number += digits[i];
  }
  if (Value < 0 && !useNegative) number = "-" + number;
  std::string out;
  bool placed = false;
  for (char c : section) {
    if (c == ',' || c == '0' || c == '#') {
      if (!placed) out += number, placed = true;
    } else {
      out += c;
    }
  }
  return placed ? out : out + number;
}

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TMemo::SetLines(std::vector<std::string> Value) {
  FLines = std::move(Value);
  Changed(TChange::Lines);
}

std::string TMemo::Text() const {
  std::string out;
  for (std::size_t i = 0; i < FLines.size(); ++i) {
    if (i) out += "\r\n";
    out += FLines[i];
  }
  return out;
}

TSkinButton::TSkinButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetFont(TFont::Make("Tahoma", 13, true, clWhite));
}

void TSkinButton::SetGlyph(const TPicture& Value) {
  FGlyph.Assign(Value);
  Changed(TChange::Picture);
}

}  // namespace velmorak
