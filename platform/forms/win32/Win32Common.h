// Win32Common: what the files of the Windows backend share — the Windows and
// GDI+ headers, text conversion, colour resolution, pictures loaded from the
// program's resources, and the drawing of each kind of control. Only the
// backend's own files include it.
#pragma once

#include <objidl.h>
#include <propidl.h>
#include <windows.h>
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <commctrl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace velmorak::win32 {

std::wstring Widen(const std::string& Utf8);
std::string Narrow(const std::wstring& Wide);
std::string Narrow(const wchar_t* Wide, int Length);

COLORREF ToColorRef(TColor Color);
Gdiplus::Color ToGdiColor(TColor Color, BYTE Alpha = 255);
HBRUSH CachedBrush(TColor Color);

// The picture compiled in under Name (RCDATA), decoded once; null if absent.
Gdiplus::Bitmap* LoadPicture(const std::string& Name);
// A GDI+ font for a control font, falling back to Tahoma when the face is
// missing; owned by a cache.
Gdiplus::Font* GdiFont(const TFont& Font);
HFONT GdiHFont(const TFont& Font);
// True when Font asks for bold and the face has none: PaintText then draws
// the bold itself.
bool FakeBold(const TFont& Font);

// The string format every text of the backend is measured and drawn with.
class TTextFormat : public Gdiplus::StringFormat {
 public:
  TTextFormat();
};
// Draws (measures) Text in Font within Rect, with the hand-drawn bold where
// the face needs it.
void PaintText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font, const Gdiplus::RectF& Rect,
               const Gdiplus::StringFormat& Format, const Gdiplus::Brush& Brush);
Gdiplus::RectF MeasureText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font,
                           const Gdiplus::RectF& Rect, const Gdiplus::StringFormat& Format);
// The width of one line of Text, as PaintText draws it.
int MeasureTextWidth(const TFont& Font, const std::string& Text);

// Sets up GDI+ text quality on a graphics object.
void PrepareGraphics(Gdiplus::Graphics& G);

// Drawing of the controls that have no window: each draws at Origin (the
// control's top-left in the host's client area).
void PaintLabel(Gdiplus::Graphics& G, TLabel& Label, int X, int Y);
void PaintImage(Gdiplus::Graphics& G, TImage& Image, int X, int Y);
void PaintSeparator(Gdiplus::Graphics& G, TSeparator& Separator, int X, int Y);
void PaintProgressBar(Gdiplus::Graphics& G, TProgressBar& Bar, int X, int Y);
void PaintGroupBox(Gdiplus::Graphics& G, TGroupBox& Box, int X, int Y);
void PaintEditFrame(Gdiplus::Graphics& G, TEdit& Edit, int X, int Y, bool Hot);
// The skinned push button ("Black" skin), drawn over its whole window.
void PaintSkinButton(HDC Dc, TSkinButton& Button, const RECT& Rect, bool Pressed, bool Hot, bool Focused);

// Text with a horizontal gradient (or a plain colour when From is clNone).
void DrawGradientText(Gdiplus::Graphics& G, const std::wstring& Text, const TFont& Font,
                      const Gdiplus::RectF& Rect, TColor From, TColor To,
                      const Gdiplus::StringFormat& Format);

}  // namespace velmorak::win32
