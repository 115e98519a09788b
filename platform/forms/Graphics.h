// Graphics: colours, fonts and pictures as the controls hold them. A colour is
// 0x00BBGGRR, or a system colour (high byte 0x80) that the backend resolves;
// a font is a face name, a pixel height and a style; a picture is a reference
// to a named picture resource with its designed size. Nothing here draws: the
// backend turns these values into pixels.
#pragma once

#include <cstdint>
#include <string>

namespace velmorak {

using TColor = std::uint32_t;

constexpr TColor RGBToColor(unsigned r, unsigned g, unsigned b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr unsigned RedOf(TColor c) {
  return c & 0xFF;
}
constexpr unsigned GreenOf(TColor c) {
  return (c >> 8) & 0xFF;
}
constexpr unsigned BlueOf(TColor c) {
  return (c >> 16) & 0xFF;
}
constexpr bool IsSystemColor(TColor c) {
  return (c & 0xFF000000u) == 0x80000000u;
}

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = RGBToColor(0, 0, 0);
constexpr TColor clWhite = RGBToColor(0xFF, 0xFF, 0xFF);
constexpr TColor clRed = RGBToColor(0xFF, 0, 0);
constexpr TColor clBlue = RGBToColor(0, 0, 0xFF);
constexpr TColor clYellow = RGBToColor(0xFF, 0xFF, 0);
constexpr TColor clGray = RGBToColor(0x80, 0x80, 0x80);
// System colours: the low byte is the Windows COLOR_* index.
constexpr TColor clActiveCaption = 0x80000002;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor cl3DDkShadow = 0x80000015;
constexpr TColor clGradientActiveCaption = 0x8000001B;

enum class TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };

// A font as a control asks for it. Height is in pixels at 96 pixels per inch.
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = 11;
  unsigned Style = 0;  // TFontStyle bits
  TColor Color = clWindowText;

  static TFont Make(const std::string& name, int pixels, bool bold = false, TColor color = clWindowText) {
    TFont f;
    f.Name = name;
    f.Height = pixels;
    f.Style = bold ? static_cast<unsigned>(TFontStyle::fsBold) : 0;
    f.Color = color;
    return f;
  }
  // Points to pixels at 96 pixels per inch: 8 pt is 11 px.
  static int PointsToPixels(int points) { return (points * 96 + 36) / 72; }
  bool Bold() const { return Style & static_cast<unsigned>(TFontStyle::fsBold); }
  bool Underline() const { return Style & static_cast<unsigned>(TFontStyle::fsUnderline); }
  bool operator==(const TFont&) const = default;
};

// A picture held by name: the name of the picture resource compiled into the
// program, and the size the picture was drawn at. Copies share nothing.
class TPicture {
 public:
  TPicture() = default;
  TPicture(std::string resource, int width, int height)
      : FResource(std::move(resource)), FWidth(width), FHeight(height) {}

  void Assign(const TPicture& Source) { *this = Source; }
  bool Empty() const { return FResource.empty(); }
  const std::string& Resource() const { return FResource; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool operator==(const TPicture&) const = default;

 private:
  std::string FResource;
  int FWidth = 0;
  int FHeight = 0;
};

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

// Counts the characters of a UTF-8 text (what a user sees as its length).
std::size_t Utf8Length(const std::string& Text);
// The first Count characters of a UTF-8 text.
std::string Utf8Left(const std::string& Text, std::size_t Count);

}  // namespace velmorak
