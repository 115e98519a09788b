// Win32WidgetSet: the backend of real windows (user32, comctl32, gdi32 and
// GDI+ for drawing, pictures from the program's resources, shell32 and ole32
// for the folder chooser and opening web addresses). The program entry makes
// it the widget set before creating its first form; while it is the widget
// set, the dialog service shows real dialogs too (Win32Dialogs.h).
#pragma once

#include <memory>

#include "platform/forms/WidgetSet.h"

namespace velmorak {

std::unique_ptr<TWidgetSet> CreateWin32WidgetSet();

}  // namespace velmorak
