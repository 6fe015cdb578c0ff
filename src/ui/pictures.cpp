#include "ui/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace keydesk {
namespace {

const QColor kCardBlue(24, 78, 140);
const QColor kCardLight(112, 168, 220);
const QColor kGold(226, 178, 60);

// A card with a chip and a magnetic stripe, filling rect.
void DrawCard(QPainter& painter, const QRectF& rect) {
  const qreal radius = rect.width() * 0.08;
  QLinearGradient face(rect.topLeft(), rect.bottomRight());
  face.setColorAt(0, kCardLight);
  face.setColorAt(1, kCardBlue);
  painter.setPen(QPen(kCardBlue.darker(140), qMax<qreal>(1, rect.width() / 32)));
  painter.setBrush(face);
  painter.drawRoundedRect(rect, radius, radius);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(30, 30, 40));
  painter.drawRect(
      QRectF(rect.left(), rect.top() + rect.height() * 0.18, rect.width(), rect.height() * 0.14));
  painter.setBrush(kGold);
  const QRectF chip(rect.left() + rect.width() * 0.14, rect.top() + rect.height() * 0.46,
                    rect.width() * 0.24, rect.height() * 0.26);
  painter.drawRoundedRect(chip, chip.width() * 0.15, chip.width() * 0.15);
}

}  // namespace

QPixmap KeyPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawCard(painter, QRectF(size * 0.06, size * 0.2, size * 0.88, size * 0.6));
  return picture;
}

QPixmap AboutPicture() {
  constexpr int kWidth = 132;
  constexpr int kHeight = 238;
  QPixmap picture(kWidth, kHeight);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, kHeight);
  sky.setColorAt(0, QColor(18, 44, 88));
  sky.setColorAt(1, QColor(70, 130, 190));
  painter.fillRect(picture.rect(), sky);

  // A hotel front, its windows lit, under the card.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 52, 72));
  painter.drawRect(QRectF(16, 118, 100, 120));
  painter.setBrush(QColor(250, 214, 120));
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; column < 4; ++column) {
      if ((row * 4 + column) % 3 == 1) continue;
      painter.drawRect(QRectF(26 + column * 22, 128 + row * 20, 12, 10));
    }
  }
  DrawCard(painter, QRectF(22, 34, 88, 58));
  return picture;
}

}  // namespace keydesk
