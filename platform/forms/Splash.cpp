// Splash: state changes that paint at once, and the HTML subset of its lines.
#include "platform/forms/Splash.h"

#include <cctype>
#include <cstdlib>

#include "platform/forms/WidgetSet.h"

namespace velmorak {

namespace {

std::string Attribute(const std::string& tag, const std::string& name) {
  // name="value" or name=value, case-insensitive name.
  std::string lower = tag;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t at = lower.find(name + "=");
  if (at == std::string::npos) return {};
  at += name.size() + 1;
  if (at < tag.size() && (tag[at] == '"' || tag[at] == '\'')) {
    const char quote = tag[at];
    const std::size_t end = tag.find(quote, at + 1);
    return tag.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
  }
  const std::size_t end = tag.find_first_of(" >", at);
  return tag.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string Decode(const std::string& text) {
  static const std::pair<const char*, const char*> entities[] = {
      {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", "\xC2\xA0"}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool done = false;
    if (text[i] == '&')
      for (auto& [entity, value] : entities)
        if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
          out += value;
          i += std::char_traits<char>::length(entity);
          done = true;
          break;
        }
    if (!done) out += text[i++];
  }
  return out;
}

TColor ParseColor(const std::string& value) {
  if (value.size() != 7 || value[0] != '#') return clNone;
  char* end = nullptr;
  const unsigned long rgb = std::strtoul(value.c_str() + 1, &end, 16);
  if (*end) return clNone;
  return RGBToColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

std::vector<THtmlRun> ParseHtmlLine(const std::string& Html) {
  std::vector<THtmlRun> runs;
  struct FontState {
    int size;
    TColor color;
  };
  std::vector<FontState> fonts{{0, clNone}};
  std::size_t i = 0;
  while (i < Html.size()) {
    if (Html[i] == '<') {
      const std::size_t end = Html.find('>', i);
      if (end == std::string::npos) break;  // an unclosed tag ends the line
      const std::string tag = Html.substr(i + 1, end - i - 1);
      std::string name;
      for (char c : tag) {
        if (c == ' ' || c == '/') {
          if (!name.empty()) break;
          if (c == '/') name += c;
          continue;
        }
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      if (name == "IMG") {
        runs.push_back({THtmlRun::TKind::Image, Attribute(tag, "src"), 0, clNone});
      } else if (name == "BR") {
        runs.push_back({THtmlRun::TKind::Break, {}, 0, clNone});
      } else if (name == "FONT") {
        FontState f = fonts.back();
        if (std::string s = Attribute(tag, "size"); !s.empty()) f.size = std::atoi(s.c_str());
        if (std::string c = Attribute(tag, "color"); !c.empty()) f.color = ParseColor(c);
        fonts.push_back(f);
      } else if (name == "/FONT") {
        if (fonts.size() > 1) fonts.pop_back();
      }
      i = end + 1;
    } else {
      const std::size_t end = Html.find('<', i);
      const std::string text = Decode(Html.substr(i, end == std::string::npos ? std::string::npos : end - i));
      runs.push_back({THtmlRun::TKind::Text, text, fonts.back().size, fonts.back().color});
      i = end == std::string::npos ? Html.size() : end;
    }
  }
  return runs;
}

void TSplashItem::SetHTMLText(const std::string& Value) {
  FText = Value;
  FOwner.Changed();
}
void TSplashItem::BeginUpdate() {
  FOwner.BeginUpdate();
}
void TSplashItem::EndUpdate() {
  FOwner.EndUpdate();
}

TSplash::TSplash(TComponent* AOwner) : TComponent(AOwner) {}

TSplash::~TSplash() {
  if (FVisible) WidgetSet().SplashClose(*this);
}

void TSplash::Loaded() {
  if (DesignVisible) Show();
}

void TSplash::Show() {
  if (FVisible || FClosed) return;
  FVisible = true;
  WidgetSet().SplashShow(*this);
  Changed();
}

void TSplash::Close() {
  if (!FVisible) return;
  FVisible = false;
  FClosed = true;
  WidgetSet().SplashClose(*this);
}

void TSplash::OwnerShowing() {
  if (CloseOnMainFormShow) Close();
}

void TSplash::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TSplash::Changed() {
  if (FUpdateCount > 0 || !FVisible) return;
  ++FPaintCount;
  WidgetSet().SplashPaint(*this);
}

void TSplash::SetVersionText(const std::string& Value) {
  AppVersion.Text = Value;
  Changed();
}

void TSplash::SetVersionCustomX(int X) {
  AppVersion.Location = TSplashLocation::plCustom;
  AppVersion.X = X;
  Changed();
}

void TSplash::SetListRect(int ALeft, int ATop, int AWidth, int AHeight) {
  ListRect = {ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  Changed();
}

void TSplash::SetProgress(double Value) {
  ProgressBar.Position = Value;
  Changed();
}

TSplashItem* TSplash::AddItem() {
  // An empty new line draws nothing: the caller fills it inside an update.
  FItems.push_back(std::make_unique<TSplashItem>(*this));
  return FItems.back().get();
}

void TSplash::ClearItems() {
  FItems.clear();
  Changed();
}

}  // namespace velmorak
