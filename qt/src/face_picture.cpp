#include "tavirel/qt/face_picture.hpp"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace tavirel::qt {
namespace {

const QColor kBody(0x3a, 0x4a, 0x5c);
const QColor kDisplay(0x9c, 0xe0, 0x8a);
const QColor kPaper(0xfb, 0xfb, 0xf4);
const QColor kKey(0xd8, 0xdc, 0xe2);
const QColor kInk(0x20, 0x20, 0x20);

// The receipt coming out of the top of the body, with a few printed lines.
void DrawReceipt(QPainter& p) {
  p.setPen(QColor(0xa0, 0xa0, 0xa0));
  p.setBrush(kPaper);
  p.drawRect(QRect(3, 0, 10, 10));
  p.setPen(kInk);
  const int ends[] = {11, 9, 11, 7};  // lines of a receipt, of uneven lengths
  for (int i = 0; i < 4; ++i) p.drawLine(5, 2 + 2 * i, ends[i], 2 + 2 * i);
}

// The body with its customer display and a keypad of 3 x 2 keys.
void DrawBody(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kBody);
  p.drawRoundedRect(QRect(1, 9, 32, 12), 2, 2);
  p.fillRect(QRect(16, 11, 15, 4), kDisplay);
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < 3; ++col) p.fillRect(QRect(17 + col * 5, 16 + row * 2, 3, 1), kKey);
  }
}

// "FP" for fiscal printer beside the register.
void DrawLetters(QPainter& p) {
  QFont font("DejaVu Sans");
  font.setPixelSize(11);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kBody);
  p.drawText(QRect(34, 5, 14, 16), Qt::AlignCenter, "FP");
}

}  // namespace

QImage FacePicture() {
  QImage image(kFacePictureWidth, kFacePictureHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  DrawBody(p);
  DrawReceipt(p);
  DrawLetters(p);
  return image;
}

}  // namespace tavirel::qt
