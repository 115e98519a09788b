// Win32Paint: how the controls without a window of their own look, and the
// skinned button. Everything is drawn with GDI+ into the host window's
// back buffer, so a page paints in one piece without flicker.
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "platform/forms/win32/Win32Common.h"

namespace velmorak::win32 {

std::wstring Widen(const std::string& Utf8) {
  if (Utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, Utf8.data(), static_cast<int>(Utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* Wide, int Length) {
  if (Length <= 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, Wide, Length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Wide, Length, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(const std::wstring& Wide) {
  return Narrow(Wide.data(), static_cast<int>(Wide.size()));
}

COLORREF ToColorRef(TColor Color) {
  if (IsSystemColor(Color)) return GetSysColor(static_cast<int>(Color & 0xFF));
  return static_cast<COLORREF>(Color & 0xFFFFFF);
}

Gdiplus::Color ToGdiColor(TColor Color, BYTE Alpha) {
  const COLORREF c = ToColorRef(Color);
  return Gdiplus::Color(Alpha, GetRValue(c), GetGValue(c), GetBValue(c));
}

HBRUSH CachedBrush(TColor Color) {
  static std::map<COLORREF, HBRUSH> brushes;
  const COLORREF c = ToColorRef(Color);
  HBRUSH& b = brushes[c];
  if (!b) b = CreateSolidBrush(c);
  return b;
}

Gdiplus::Bitmap* LoadPicture(const std::string& Name) {
  static std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> cache;
  auto it = cache.find(Name);
  if (it != cache.end()) return it->second.get();
  std::unique_ptr<Gdiplus::Bitmap> bitmap;
  const std::wstring wide = Widen(Name);
  if (HRSRC res = FindResourceW(nullptr, wide.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */)) {
    const DWORD size = SizeofResource(nullptr, res);
    const void* data = LockResource(LoadResource(nullptr, res));
    // GDI+ reads from a stream; the stream owns a copy of the bytes.
    if (HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size)) {
      memcpy(GlobalLock(copy), data, size);
      GlobalUnlock(copy);
      IStream* stream = nullptr;
      if (CreateStreamOnHGlobal(copy, TRUE, &stream) == S_OK) {
        std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream));
        // Decode now: the stream goes away with this function.
        if (decoded && decoded->GetLastStatus() == Gdiplus::Ok) {
          bitmap = std::make_unique<Gdiplus::Bitmap>(decoded->GetWidth(), decoded->GetHeight(),
                                                     PixelFormat32bppPARGB);
          Gdiplus::Graphics g(bitmap.get());
          g.DrawImage(decoded.get(), 0, 0, decoded->GetWidth(), decoded->GetHeight());
        }
        stream->Release();
      } else {
        GlobalFree(copy);
      }
    }
  }
  Gdiplus::Bitmap* result = bitmap.get();
  cache[Name] = std::move(bitmap);
  return result;
}

namespace {
std::string FontKey(const TFont& f) {
  return f.Name + "/" + std::to_string(f.Height) + "/" + std::to_string(f.Style);
}
}  // namespace

namespace {
struct TGdiFontEntry {
  std::unique_ptr<Gdiplus::Font> Font;
  bool FakeBold = false;
};

// The ink one sample drawn in Font leaves on a small canvas.
double InkOf(const Gdiplus::Font& Font) {
  constexpr int kSide = 96;
  Gdiplus::Bitmap canvas(kSide, kSide / 2, PixelFormat32bppPARGB);
  {
    Gdiplus::Graphics g(&canvas);
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0, 0, 0));
    g.DrawString(L"HIlm", -1, &Font, Gdiplus::PointF(2, 2), &ink);
  }
  double sum = 0;
  Gdiplus::Color c;
  for (int y = 0; y < kSide / 2; ++y)
    for (int x = 0; x < kSide; ++x)
      if (canvas.GetPixel(x, y, &c) == Gdiplus::Ok) sum += c.GetA();
  return sum;
}

// Wine ships its Tahoma in the regular weight only, and its GDI+ answers a
// bold request for it with the bold's wider spacing but the regular strokes:
// thin letters spread apart. A bold that leaves hardly more ink than the
// regular weight is such a stand-in; that face gets its bold drawn by hand
// instead (the regular letters twice, a pixel apart), at the regular
// spacing, as GDI does when it emboldens a face itself.
bool HasRealBold(const Gdiplus::FontFamily& Family, int Style) {
  if (!Family.IsStyleAvailable(Style | Gdiplus::FontStyleBold)) return false;
  const Gdiplus::Font regular(&Family, 24, Style, Gdiplus::UnitPixel);
  const Gdiplus::Font bold(&Family, 24, Style | Gdiplus::FontStyleBold, Gdiplus::UnitPixel);
  return InkOf(bold) > 1.2 * InkOf(regular);
}

TGdiFontEntry& FontEntry(const TFont& Font) {
  static std::map<std::string, TGdiFontEntry> cache;
  TGdiFontEntry& entry = cache[FontKey(Font)];
  if (entry.Font) return entry;
  int style = Gdiplus::FontStyleRegular;
  if (Font.Underline()) style |= Gdiplus::FontStyleUnderline;
  // GDI+ draws only outline fonts: the bitmap MS Sans Serif gives way to its
  // outline successors, and any missing face to Tahoma, then to the system's
  // sans-serif.
  std::vector<std::wstring> names{Widen(Font.Name)};
  if (Font.Name == "MS Sans Serif") names.push_back(L"Microsoft Sans Serif");
  names.push_back(L"Tahoma");
  const auto size = static_cast<Gdiplus::REAL>(Font.Height);
  for (const std::wstring& name : names) {
    Gdiplus::FontFamily family(name.c_str());
    if (family.GetLastStatus() != Gdiplus::Ok) continue;
    const bool realBold = Font.Bold() && HasRealBold(family, style);
    entry.Font = std::make_unique<Gdiplus::Font>(
        &family, size, realBold ? style | Gdiplus::FontStyleBold : style, Gdiplus::UnitPixel);
    if (entry.Font->GetLastStatus() == Gdiplus::Ok) {
      entry.FakeBold = Font.Bold() && !realBold;
      return entry;
    }
    entry.Font.reset();
  }
  entry.Font = std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), size,
                                               Font.Bold() ? style | Gdiplus::FontStyleBold : style,
                                               Gdiplus::UnitPixel);
  return entry;
}

// How far apart the two passes of a hand-drawn bold are.
Gdiplus::REAL FakeBoldOffset(const TFont& Font) {
  return std::max(0.8f, static_cast<Gdiplus::REAL>(Font.Height) / 22.0f);
}
}  // namespace

Gdiplus::Font* GdiFont(const TFont& Font) {
  return FontEntry(Font).Font.get();
}

bool FakeBold(const TFont& Font) {
  return FontEntry(Font).FakeBold;
}

TTextFormat::TTextFormat() : Gdiplus::StringFormat(Gdiplus::StringFormat::GenericTypographic()) {
  // Text is measured and drawn without the padding GDI+ adds by default, so
  // a line takes the width its glyphs take and a label fits where the page
  // was laid out for it.
  SetFormatFlags(GetFormatFlags() | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
}

void PaintText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font, const Gdiplus::RectF& Rect,
               const Gdiplus::StringFormat& Format, const Gdiplus::Brush& Brush) {
  Gdiplus::Font* font = GdiFont(Font);
  G.DrawString(Text.c_str(), -1, font, Rect, &Format, &Brush);
  if (FakeBold(Font)) {
    const Gdiplus::RectF shifted(Rect.X + FakeBoldOffset(Font), Rect.Y, Rect.Width, Rect.Height);
    G.DrawString(Text.c_str(), -1, font, shifted, &Format, &Brush);
  }
}

Gdiplus::RectF MeasureText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font,
                           const Gdiplus::RectF& Rect, const Gdiplus::StringFormat& Format) {
  Gdiplus::RectF used;
  G.MeasureString(Text.c_str(), -1, GdiFont(Font), Rect, &Format, &used);
  if (FakeBold(Font) && used.Width > 0) used.Width += FakeBoldOffset(Font);
  return used;
}

int MeasureTextWidth(const TFont& Font, const std::string& Text) {
  Gdiplus::Bitmap scratch(1, 1, PixelFormat32bppPARGB);
  Gdiplus::Graphics g(&scratch);
  PrepareGraphics(g);
  TTextFormat format;
  format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
  const Gdiplus::RectF used = MeasureText(g, Widen(Text), Font, Gdiplus::RectF(0, 0, 10000, 1000), format);
  return static_cast<int>(std::ceil(used.Width));
}

HFONT GdiHFont(const TFont& Font) {
  static std::map<std::string, HFONT> cache;
  HFONT& f = cache[FontKey(Font)];
  if (!f) {
    const std::wstring name = Widen(Font.Name);
    f = CreateFontW(-Font.Height, 0, 0, 0, Font.Bold() ? FW_BOLD : FW_NORMAL, FALSE, Font.Underline(), FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                    DEFAULT_PITCH | FF_SWISS, name.c_str());
  }
  return f;
}

void PrepareGraphics(Gdiplus::Graphics& G) {
  // Unhinted glyphs keep the widths the fonts were designed with, so text
  // measures the same at every size and position.
  G.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
  G.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  G.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  G.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
}

void DrawGradientText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font,
                      const Gdiplus::RectF& Rect, TColor From, TColor To,
                      const Gdiplus::StringFormat& Format) {
  if (From == clNone || To == clNone) {
    Gdiplus::SolidBrush brush(ToGdiColor(From == clNone ? To : From));
    PaintText(G, Text, Font, Rect, Format, brush);
    return;
  }
  // The gradient runs across the text actually drawn, not the whole box.
  Gdiplus::RectF bounds = MeasureText(G, Text, Font, Rect, Format);
  if (bounds.Width < 1) bounds = Rect;
  Gdiplus::LinearGradientBrush brush(Gdiplus::RectF(bounds.X - 1, bounds.Y, bounds.Width + 2, bounds.Height),
                                     ToGdiColor(From), ToGdiColor(To), Gdiplus::LinearGradientModeHorizontal);
  PaintText(G, Text, Font, Rect, Format, brush);
}

void PaintLabel(Gdiplus::Graphics& G, TLabel& Label, int X, int Y) {
  TTextFormat format;
  format.SetAlignment(Label.Alignment == TAlignment::taCenter         ? Gdiplus::StringAlignmentCenter
                      : Label.Alignment == TAlignment::taRightJustify ? Gdiplus::StringAlignmentFar
                                                                      : Gdiplus::StringAlignmentNear);
  if (!Label.WordWrap) format.SetFormatFlags(format.GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
  const Gdiplus::RectF rect(static_cast<Gdiplus::REAL>(X), static_cast<Gdiplus::REAL>(Y),
                            static_cast<Gdiplus::REAL>(Label.Width() + (Label.WordWrap ? 0 : 200)),
                            static_cast<Gdiplus::REAL>(Label.Height() + 4));
  // Paragraph by paragraph: an empty line keeps its height.
  const std::wstring text = Widen(Label.Caption());
  Gdiplus::Font* font = GdiFont(Label.Font());
  const Gdiplus::REAL lineHeight = font->GetHeight(&G);
  const bool gradient = Label.GradientFrom != clNone && !Label.Blinking();
  Gdiplus::REAL y = rect.Y;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring line = text.substr(start, end - start);
    if (line.empty()) {
      y += lineHeight;
    } else {
      const Gdiplus::RectF box(rect.X, y, rect.Width, rect.Y + rect.Height - y + lineHeight);
      if (gradient)
        DrawGradientText(G, line, Label.Font(), box, Label.GradientFrom, Label.GradientTo, format);
      else
        DrawGradientText(G, line, Label.Font(), box, Label.CurrentTextColor(), clNone, format);
      const Gdiplus::RectF used = MeasureText(G, line, Label.Font(), box, format);
      y += std::max(used.Height, lineHeight);
    }
    start = end + 1;
  }
}

void PaintImage(Gdiplus::Graphics& G, TImage& Image, int X, int Y) {
  Gdiplus::Bitmap* bitmap = LoadPicture(Image.Picture().Resource());
  if (!bitmap) return;
  if (Image.Stretch)
    G.DrawImage(bitmap, X, Y, Image.Width(), Image.Height());
  else
    G.DrawImage(bitmap, X, Y, static_cast<int>(bitmap->GetWidth()), static_cast<int>(bitmap->GetHeight()));
}

void PaintSeparator(Gdiplus::Graphics& G, TSeparator& Separator, int X, int Y) {
  Gdiplus::LinearGradientBrush brush(Gdiplus::Point(X, Y), Gdiplus::Point(X + Separator.Width(), Y),
                                     ToGdiColor(clWhite, 0), ToGdiColor(clWhite, 0));
  Gdiplus::Color colors[] = {ToGdiColor(Separator.LineColor, 0), ToGdiColor(Separator.LineColor),
                             ToGdiColor(Separator.LineColor, 0)};
  Gdiplus::REAL positions[] = {0.0f, 0.5f, 1.0f};
  brush.SetInterpolationColors(colors, positions, 3);
  G.FillRectangle(&brush, X, Y, Separator.Width(), 1);
}

namespace {
void RoundedRect(Gdiplus::GraphicsPath& path, Gdiplus::REAL x, Gdiplus::REAL y, Gdiplus::REAL w,
                 Gdiplus::REAL h, Gdiplus::REAL r) {
  const Gdiplus::REAL d = r * 2;
  path.AddArc(x, y, d, d, 180, 90);
  path.AddArc(x + w - d, y, d, d, 270, 90);
  path.AddArc(x + w - d, y + h - d, d, d, 0, 90);
  path.AddArc(x, y + h - d, d, d, 90, 90);
  path.CloseFigure();
}
}  // namespace

void PaintProgressBar(Gdiplus::Graphics& G, TProgressBar& Bar, int X, int Y) {
  const Gdiplus::REAL w = static_cast<Gdiplus::REAL>(Bar.Width()),
                      h = static_cast<Gdiplus::REAL>(Bar.Height());
  Gdiplus::GraphicsPath frame;
  RoundedRect(frame, static_cast<Gdiplus::REAL>(X), static_cast<Gdiplus::REAL>(Y), w - 1, h - 1, 4);
  Gdiplus::SolidBrush back(Gdiplus::Color(255, 0xF4, 0xF7, 0xFB));
  G.FillPath(&back, &frame);
  const int percent = Bar.Percent();
  if (percent > 0) {
    const Gdiplus::REAL fill = (w - 3) * static_cast<Gdiplus::REAL>(percent) / 100.0f;
    Gdiplus::GraphicsPath bar;
    RoundedRect(bar, static_cast<Gdiplus::REAL>(X) + 1, static_cast<Gdiplus::REAL>(Y) + 1,
                std::max(fill, 6.0f), h - 3, 3);
    Gdiplus::LinearGradientBrush brush(Gdiplus::PointF(static_cast<Gdiplus::REAL>(X), 0),
                                       Gdiplus::PointF(static_cast<Gdiplus::REAL>(X) + w, 0),
                                       ToGdiColor(Bar.BarFrom), ToGdiColor(Bar.BarTo));
    G.FillPath(&brush, &bar);
  }
  Gdiplus::Pen pen(Gdiplus::Color(255, 0x9A, 0xB4, 0xD0));
  G.DrawPath(&pen, &frame);
  if (Bar.ShowPercent) {
    TTextFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    const std::wstring text = std::to_wstring(percent) + L" %";
    Gdiplus::SolidBrush ink(Gdiplus::Color(255, 0x1A, 0x42, 0x84));
    PaintText(G, text, TFont::Make("Tahoma", 11, true),
              Gdiplus::RectF(static_cast<Gdiplus::REAL>(X), static_cast<Gdiplus::REAL>(Y), w, h), format,
              ink);
  }
}

void PaintGroupBox(Gdiplus::Graphics& G, TGroupBox& Box, int X, int Y) {
  Gdiplus::GraphicsPath frame;
  RoundedRect(frame, static_cast<Gdiplus::REAL>(X), static_cast<Gdiplus::REAL>(Y),
              static_cast<Gdiplus::REAL>(Box.Width() - 1), static_cast<Gdiplus::REAL>(Box.Height() - 1), 5);
  Gdiplus::Pen pen(Gdiplus::Color(255, 0xD5, 0xE0, 0xEE));
  G.DrawPath(&pen, &frame);
}

void PaintEditFrame(Gdiplus::Graphics& G, TEdit& Edit, int X, int Y, bool Hot) {
  Gdiplus::SolidBrush fill(ToGdiColor(Edit.Color()));
  G.FillRectangle(&fill, X, Y, Edit.Width(), Edit.Height());
  Gdiplus::Pen pen(ToGdiColor(Hot ? Edit.FrameHotColor : Edit.FrameColor));
  G.SetSmoothingMode(Gdiplus::SmoothingModeNone);
  G.DrawRectangle(&pen, X, Y, Edit.Width() - 1, Edit.Height() - 1);
  G.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
}

void PaintSkinButton(HDC Dc, TSkinButton& Button, const RECT& Rect, bool Pressed, bool Hot, bool Focused) {
  const int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
  Gdiplus::Bitmap buffer(w, h, PixelFormat32bppPARGB);
  {
    Gdiplus::Graphics g(&buffer);
    PrepareGraphics(g);
    // The "Black" skin: a dark glassy face, lighter under the mouse, darker
    // and shifted when pressed, dimmed when disabled.
    Gdiplus::SolidBrush back(ToGdiColor(clBtnFace));
    g.FillRectangle(&back, 0, 0, w, h);
    const bool enabled = Button.Enabled();
    BYTE top = Hot && enabled ? 0x5C : 0x46, bottom = Hot && enabled ? 0x1C : 0x0E;
    if (Pressed) std::swap(top, bottom);
    Gdiplus::GraphicsPath face;
    RoundedRect(face, 0.5f, 0.5f, static_cast<Gdiplus::REAL>(w) - 2, static_cast<Gdiplus::REAL>(h) - 2, 4);
    Gdiplus::LinearGradientBrush fill(
        Gdiplus::PointF(0, 0), Gdiplus::PointF(0, static_cast<Gdiplus::REAL>(h)),
        Gdiplus::Color(255, top, top, top), Gdiplus::Color(255, bottom, bottom, bottom));
    g.FillPath(&fill, &face);
    // A highlight across the upper half gives the glass look.
    Gdiplus::GraphicsPath gloss;
    RoundedRect(gloss, 2, 2, static_cast<Gdiplus::REAL>(w) - 5, static_cast<Gdiplus::REAL>(h) / 2 - 2, 3);
    Gdiplus::SolidBrush shine(Gdiplus::Color(Pressed ? 10 : 34, 255, 255, 255));
    g.FillPath(&shine, &gloss);
    Gdiplus::Pen border(Focused && enabled ? Gdiplus::Color(255, 0xE0, 0x8A, 0x1E)
                                           : Gdiplus::Color(255, 0, 0, 0));
    g.DrawPath(&border, &face);

    const std::wstring caption = Widen(Button.Caption());
    // The accelerator's "&" is not drawn; like the system with keyboard cues
    // hidden, the letter is not underlined either.
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
      if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
      shown += caption[i];
    }
    const TTextFormat format;
    const Gdiplus::RectF measured = MeasureText(
        g, shown, Button.Font(), Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(w), 100), format);
    Gdiplus::Bitmap* glyph = LoadPicture(Button.Glyph().Resource());
    const int glyphW = glyph ? 16 : 0, gap = glyph ? 6 : 0;
    const Gdiplus::REAL total = measured.Width + static_cast<Gdiplus::REAL>(glyphW + gap);
    Gdiplus::REAL x = (static_cast<Gdiplus::REAL>(w) - total) / 2 + (Pressed ? 1 : 0);
    const Gdiplus::REAL y = (static_cast<Gdiplus::REAL>(h) - measured.Height) / 2 + (Pressed ? 1 : 0);
    const int glyphY = (h - 16) / 2 + (Pressed ? 1 : 0);
    Gdiplus::ImageAttributes dim;
    Gdiplus::ColorMatrix grey = {{{0.3f, 0.3f, 0.3f, 0, 0},
                                  {0.59f, 0.59f, 0.59f, 0, 0},
                                  {0.11f, 0.11f, 0.11f, 0, 0},
                                  {0, 0, 0, 0.45f, 0},
                                  {0, 0, 0, 0, 1}}};
    dim.SetColorMatrix(&grey);
    auto drawGlyph = [&](Gdiplus::REAL gx) {
      if (!glyph) return;
      const Gdiplus::Rect dest(static_cast<int>(gx), glyphY, 16, 16);
      if (enabled)
        g.DrawImage(glyph, dest, 0, 0, static_cast<int>(glyph->GetWidth()),
                    static_cast<int>(glyph->GetHeight()), Gdiplus::UnitPixel);
      else
        g.DrawImage(glyph, dest, 0, 0, static_cast<int>(glyph->GetWidth()),
                    static_cast<int>(glyph->GetHeight()), Gdiplus::UnitPixel, &dim);
    };
    if (Button.GlyphPosition == TGlyphPosition::gpLeft) {
      drawGlyph(x);
      x += static_cast<Gdiplus::REAL>(glyphW + gap);
    }
    Gdiplus::SolidBrush ink(enabled ? Gdiplus::Color(255, 255, 255, 255)
                                    : Gdiplus::Color(255, 0x7A, 0x7A, 0x7A));
    PaintText(g, shown, Button.Font(), Gdiplus::RectF(x, y, measured.Width + 4, measured.Height + 2), format,
              ink);
    if (Button.GlyphPosition == TGlyphPosition::gpRight)
      drawGlyph(x + measured.Width + static_cast<Gdiplus::REAL>(gap) - 4);
  }
  Gdiplus::Graphics screen(Dc);
  screen.DrawImage(&buffer, Rect.left, Rect.top, w, h);
}

}  // namespace velmorak::win32
