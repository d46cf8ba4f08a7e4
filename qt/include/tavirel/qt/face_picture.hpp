#pragma once
// The picture on the control's face: a small cash register, drawn here.
#include <QImage>

namespace tavirel::qt {

inline constexpr int kFacePictureWidth = 48;
inline constexpr int kFacePictureHeight = 22;

/// The 48 x 22 picture, drawn anew at each call.
QImage FacePicture();

}  // namespace tavirel::qt
