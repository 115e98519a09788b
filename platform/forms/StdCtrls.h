// StdCtrls: the controls a page is made of — labels (word-wrapped, with a
// gradient, blinking, or a link that opens its text), single-line edits with
// a maximum length and a change event, the numeric edit, the read-only memo,
// the group box and the skinned push button with a glyph.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Controls.h"

namespace velmorak {

class TTimer;

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);
  ~TLabel() override;
  const char* ClassName() const override { return "TLabel"; }

  bool WordWrap = false;
  TAlignment Alignment = TAlignment::taLeftJustify;
  // Text drawn with a gradient from GradientFrom to GradientTo when both are
  // set (clNone: plain Font.Color).
  TColor GradientFrom = clNone;
  TColor GradientTo = clNone;

  // Blinking: the text alternates between Font.Color and BlinkColor.
  bool Blinking() const { return FBlinking; }
  void SetBlinking(bool Value, TColor ABlinkColor, unsigned Interval = 500);
  TColor BlinkColor() const { return FBlinkColor; }
  bool BlinkPhase() const { return FBlinkPhase; }
  TColor CurrentTextColor() const { return FBlinking && FBlinkPhase ? FBlinkColor : Font().Color; }

  // A link label opens its own text with the shell when clicked.
  bool IsLink = false;
  void Click() override;
  // The address a link label opens: its text, with "mailto:" before an
  // e-mail address.
  std::string LinkTarget() const;

 private:
  bool FBlinking = false;
  bool FBlinkPhase = false;
  TColor FBlinkColor = clNone;
  TTimer* FBlinkTimer = nullptr;
};

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);
  const char* ClassName() const override { return "TEdit"; }

  const std::string& Text() const { return FText; }
  // Sets the text from the program; fires OnChange when it differs.
  void SetText(const std::string& Value) { SetTextValue(Value); }

  // The most characters the user may enter (0: no limit). Like the class
  // library, it limits typing and pasting, not what the program sets.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);

  // What the user does: type characters at the end, one change per
  // character; replace the whole text (paste over a selection, or clear);
  // press Enter. Each honours MaxLength.
  void TypeText(const std::string& Characters);
  void ReplaceTextByUser(const std::string& Value);
  void ClearByUser() { ReplaceTextByUser(""); }
  virtual void KeyPressEnter();

  // The edit's frame: flat, in FrameColor, FrameHotColor under the mouse.
  TColor FrameColor = RGBToColor(0x84, 0xC0, 0xFF);
  TColor FrameHotColor = RGBToColor(0x00, 0x78, 0xD7);
  // Enter moves the focus to the next control in tab order.
  bool EnterMovesFocus = true;

  TNotifyEvent OnChange;

 protected:
  void TextChanged() override;

 private:
  int FMaxLength = 0;
};

// An edit holding a whole number, shown through a display format with a
// positive and a negative section (",0;(,0)": thousands separators, negative
// values in parentheses). While focused it shows the plain digits.
class TNumEdit : public TEdit {
 public:
  explicit TNumEdit(TComponent* AOwner);
  const char* ClassName() const override { return "TNumEdit"; }

  std::string DisplayFormat = ",0;(,0)";
  long long Value() const { return FValue; }
  void SetValue(long long AValue);
  // The text shown when the control is not focused.
  std::string DisplayText() const;
  // Takes what the user typed: digits with an optional leading minus sign;
  // anything else leaves the value as it was.
  void CommitUserText(const std::string& Typed);

  static std::string FormatValue(long long Value, const std::string& Format, const std::string& Separator);

 private:
  long long FValue = 0;
};

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* AOwner);
  const char* ClassName() const override { return "TMemo"; }

  const std::vector<std::string>& Lines() const { return FLines; }
  void SetLines(std::vector<std::string> Value);
  // The lines joined with CR LF, as a Windows edit control holds them.
  std::string Text() const;
  bool ReadOnly = true;
  bool VerticalScrollBar = true;

 private:
  std::vector<std::string> FLines;
};

class TGroupBox : public TGraphicContainer {
 public:
  explicit TGroupBox(TComponent* AOwner) : TGraphicContainer(AOwner) {}
  const char* ClassName() const override { return "TGroupBox"; }
};

enum class TGlyphPosition { gpLeft, gpRight };

// A push button drawn by the application's skin, with a glyph beside its
// caption and a hint.
class TSkinButton : public TWinControl {
 public:
  explicit TSkinButton(TComponent* AOwner);
  const char* ClassName() const override { return "TSkinButton"; }

  const TPicture& Glyph() const { return FGlyph; }
  void SetGlyph(const TPicture& Value);
  TGlyphPosition GlyphPosition = TGlyphPosition::gpLeft;

 private:
  TPicture FGlyph;
};

}  // namespace velmorak
