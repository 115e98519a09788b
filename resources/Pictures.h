// Pictures: the names under which the wizard's pictures are compiled into the
// program (resources/Install.rc), with the sizes they are drawn at
// (resources/draw-pictures.sh). Code refers to a picture only through these.
#pragma once

#include "platform/forms/Graphics.h"

namespace velmorak::pictures {

inline TPicture Banner() {
  return {"BANNER", 153, 401};
}
inline TPicture ArrowRight16() {
  return {"ARROW_RIGHT16", 16, 16};
}
inline TPicture ArrowLeft16() {
  return {"ARROW_LEFT16", 16, 16};
}
inline TPicture Cross16() {
  return {"CROSS16", 16, 16};
}
inline TPicture Check16() {
  return {"CHECK16", 16, 16};
}
inline TPicture SplashBackground() {
  return {"SPLASH_BG", 601, 371};
}
// The named splash pictures, 32 x 32.
inline TPicture SplashPicture(const char* name) {
  return {std::string("SPL_") + name, 32, 32};
}
inline TPicture FinishBanner() {
  return {"FINISH_BANNER", 406, 197};
}
inline TPicture Logo() {
  return {"LOGO", 550, 170};
}
inline TPicture Check128() {
  return {"CHECK128", 128, 128};
}

}  // namespace velmorak::pictures
