// Draws the two icons of the print window's turn toggle (64 x 64 PNG and a 128 x 128 drawing
// for displays scaled above 100 %): released shows a picture upright on a portrait sheet,
// pressed the same picture turned a quarter counter-clockwise, filling the sheet sideways.
// The PNG files are kept in the repository and embedded as Qt resources; run this again after
// changing a drawing:
//   cmake --build BUILD --target korvalis_draw_turn_icons
//   BUILD/print/ui/korvalis_draw_turn_icons print/ui/turn_icons
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

constexpr int kSize = 64;
constexpr int kSupersample = 4;

const QColor kInk(46, 58, 72);
const QColor kSky(120, 170, 225);
const QColor kHill(70, 140, 90);
const QColor kSun(240, 190, 60);
const QColor kArrow(208, 96, 40);

/// A small landscape picture (sky, sun, hills) filling `r`, in picture coordinates.
void drawPicture(QPainter& p, const QRectF& r) {
  p.save();
  p.setClipRect(r);
  p.fillRect(r, kSky);
  p.setPen(Qt::NoPen);
  p.setBrush(kSun);
  p.drawEllipse(QPointF(r.left() + r.width() * 0.75, r.top() + r.height() * 0.3), r.height() * 0.16,
                r.height() * 0.16);
  QPainterPath hills;
  hills.moveTo(r.left(), r.bottom());
  hills.lineTo(r.left(), r.top() + r.height() * 0.7);
  hills.quadTo(r.left() + r.width() * 0.3, r.top() + r.height() * 0.35, r.left() + r.width() * 0.55,
               r.top() + r.height() * 0.72);
  hills.quadTo(r.left() + r.width() * 0.8, r.top() + r.height() * 0.5, r.right(),
               r.top() + r.height() * 0.68);
  hills.lineTo(r.right(), r.bottom());
  hills.closeSubpath();
  p.setBrush(kHill);
  p.drawPath(hills);
  p.restore();
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r);
}

/// A portrait sheet with a folded corner.
void drawSheet(QPainter& p) {
  const QRectF sheet(14, 4, 36, 51);
  QPainterPath outline;
  outline.moveTo(sheet.topLeft());
  outline.lineTo(sheet.right() - 8, sheet.top());
  outline.lineTo(sheet.right(), sheet.top() + 8);
  outline.lineTo(sheet.bottomRight());
  outline.lineTo(sheet.bottomLeft());
  outline.closeSubpath();
  p.setPen(QPen(kInk, 1.4));
  p.setBrush(Qt::white);
  p.drawPath(outline);
  p.setBrush(QColor(220, 226, 234));
  QPainterPath fold;
  fold.moveTo(sheet.right() - 8, sheet.top());
  fold.lineTo(sheet.right() - 8, sheet.top() + 8);
  fold.lineTo(sheet.right(), sheet.top() + 8);
  p.drawPath(fold);
}

/// A curved arrow turning counter-clockwise, in the lower right corner.
void drawTurnArrow(QPainter& p) {
  p.setPen(QPen(kArrow, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const QRectF arc(40, 42, 18, 18);
  p.drawArc(arc, -60 * 16, 230 * 16);
  // Arrow head at the arc's end (170 degrees, on the left), pointing down.
  QPainterPath head;
  head.moveTo(36.5, 49.5);
  head.lineTo(41.5, 56.5);
  head.lineTo(45.5, 49.0);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kArrow);
  p.drawPath(head);
}

QImage drawIcon(bool turned, int size) {
  const int scale = kSupersample * size / kSize;
  QImage image(kSize * scale, kSize * scale, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(scale, scale);
  drawSheet(p);
  if (turned) {
    // The picture turned a quarter counter-clockwise, filling the sheet's height.
    p.save();
    p.translate(32, 30);
    p.rotate(-90);
    drawPicture(p, QRectF(-20, -12, 40, 24));
    p.restore();
    drawTurnArrow(p);
  } else {
    drawPicture(p, QRectF(18, 12, 28, 17));
    p.setPen(QPen(QColor(150, 160, 172), 1.2));
    for (int y : {35, 40, 45}) {
      p.drawLine(QPointF(18, y), QPointF(46, y));
    }
  }
  p.end();
  return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvalis_draw_turn_icons OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  bool ok = true;
  for (const bool turned : {false, true}) {
    const QString name = dir + (turned ? "/turned" : "/upright");
    ok = ok && drawIcon(turned, kSize).save(name + ".png") &&
         drawIcon(turned, 2 * kSize).save(name + "@2x.png");
  }
  return ok ? 0 : 1;
}
