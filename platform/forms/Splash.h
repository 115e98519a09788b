// Splash: the timed start-up screen — a background picture drawn with an
// opacity, the program's name and version lines with gradient text, a
// progress bar and a list of HTML lines that may name pictures of a picture
// container. The sequence that drives it blocks the user-interface thread and
// pumps no messages, so every change is drawn at once: each setter ends with
// a paint unless an update (BeginUpdate/EndUpdate) is open, and EndUpdate
// paints once for everything done inside it.
//
// Life: created hidden -> Loaded (shows itself when designed visible) ->
// changes painted at once -> its owner form shows -> fades out and closes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/forms/Graphics.h"

namespace velmorak {

class TForm;
class TPictureContainer;
class TSplash;

enum class TSplashLocation { plDefault, plCustom };

struct TSplashTextLine {
  std::string Text;
  TFont Font;
  TSplashLocation Location = TSplashLocation::plDefault;
  int X = 0, Y = 0;
  TColor GradientFrom = clNone, GradientTo = clNone;
};

struct TSplashProgressBar {
  bool Visible = true;
  int Left = 0, Top = 0, Width = 100, Height = 20;
  double Min = 0, Max = 100, Step = 10;
  double Position = 0;
  bool ShowValue = false;
  TColor FillFrom = RGBToColor(0x00, 0xD5, 0x80), FillTo = RGBToColor(0x01, 0x7A, 0x96);
  TColor BorderColor = clGray;
};

// One run of an HTML line: a picture, a piece of text in a font, or a break.
struct THtmlRun {
  enum class TKind { Image, Text, Break } Kind = TKind::Text;
  std::string Text;  // the text, or the picture's name
  int FontSize = 0;  // points; 0: the base font's
  TColor Color = clNone;
};
// Reads the subset the splash lines use: IMG src, FONT size/color, br, and
// the entities &amp; &lt; &gt; &quot;. Unknown tags are skipped.
std::vector<THtmlRun> ParseHtmlLine(const std::string& Html);

class TSplashItem {
 public:
  explicit TSplashItem(TSplash& Owner) : FOwner(Owner) {}
  const std::string& HTMLText() const { return FText; }
  void SetHTMLText(const std::string& Value);
  void BeginUpdate();
  void EndUpdate();

 private:
  TSplash& FOwner;
  std::string FText;
};

class TSplash : public TComponent {
 public:
  explicit TSplash(TComponent* AOwner);
  ~TSplash() override;
  const char* ClassName() const override { return "TSplash"; }

  // Design-time settings, read by the backend at each paint.
  int Width = 400, Height = 300;
  TPicture Background;
  int Opacity = 255;  // 0..255
  bool AntiAlias = true;
  bool Fade = true;
  bool StayOnTop = true;
  bool CloseOnMainFormShow = true;
  bool DesignVisible = true;  // shown as soon as the owner's components are loaded
  TSplashTextLine AppName, AppVersion;
  TSplashProgressBar ProgressBar;
  TRect ListRect{0, 0, 0, 0};  // left, top, right, bottom
  TFont ListFont = TFont::Make("Tahoma", 11);
  TPictureContainer* Pictures = nullptr;

  // Called once the owner's components exist.
  void Loaded();
  void Show();
  bool Visible() const { return FVisible; }
  void Close();
  // Called by the owner form just before it shows.
  void OwnerShowing();

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool Updating() const { return FUpdateCount > 0; }

  // Setters that paint at once.
  void SetVersionText(const std::string& Value);
  void SetVersionCustomX(int X);
  void SetListRect(int ALeft, int ATop, int AWidth, int AHeight);
  void SetProgress(double Value);
  double Progress() const { return ProgressBar.Position; }

  // The HTML lines.
  TSplashItem* AddItem();
  void ClearItems();
  int ItemCount() const { return static_cast<int>(FItems.size()); }
  const TSplashItem& Item(int Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }

  // Hands the input focus to Form once the event loop runs.
  void FocusFormOnLoop(TForm* Form) { FFocusForm = Form; }
  TForm* FocusForm() const { return FFocusForm; }

  // Paints now unless an update is open.
  void Changed();
  int PaintCount() const { return FPaintCount; }

 private:
  friend class TSplashItem;
  std::vector<std::unique_ptr<TSplashItem>> FItems;
  int FUpdateCount = 0;
  bool FVisible = false;
  bool FClosed = false;
  int FPaintCount = 0;
  TForm* FFocusForm = nullptr;
};

}  // namespace velmorak
