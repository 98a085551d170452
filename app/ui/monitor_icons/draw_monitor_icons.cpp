// Draws the three icons of the connection-monitor button (24 x 24 PNG): idle, no connection
// and connection. The PNG files are kept in the repository and embedded as Qt resources; run
// this again after changing a drawing:
//   cmake --build BUILD --target korvalis_draw_monitor_icons
//   BUILD/app/ui/korvalis_draw_monitor_icons app/ui/monitor_icons
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

constexpr int kSize = 24;
constexpr int kSupersample = 4;

/// A globe (circle with meridian and parallels) in `tint`, with a badge in the lower right.
QImage drawIcon(const QColor& tint, const QColor& badge, char mark) {
  QImage image(kSize * kSupersample, kSize * kSupersample, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(kSupersample, kSupersample);

  const QColor ink(46, 58, 72);
  painter.setPen(QPen(ink, 1.4));
  painter.setBrush(tint.lighter(170));
  painter.drawEllipse(QPointF(11, 11), 8.5, 8.5);
  painter.setPen(QPen(tint.darker(130), 1.1));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(11, 11), 3.6, 8.5);
  painter.drawLine(QPointF(2.5, 11), QPointF(19.5, 11));
  painter.drawLine(QPointF(4.2, 6.5), QPointF(17.8, 6.5));
  painter.drawLine(QPointF(4.2, 15.5), QPointF(17.8, 15.5));

  if (mark != ' ') {
    painter.setPen(QPen(Qt::white, 1.2));
    painter.setBrush(badge);
    painter.drawEllipse(QPointF(17.5, 17.5), 5.8, 5.8);
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (mark == 'x') {
      painter.drawLine(QPointF(15.2, 15.2), QPointF(19.8, 19.8));
      painter.drawLine(QPointF(19.8, 15.2), QPointF(15.2, 19.8));
    } else {
      QPainterPath tick;
      tick.moveTo(14.8, 17.6);
      tick.lineTo(16.9, 19.7);
      tick.lineTo(20.4, 15.4);
      painter.drawPath(tick);
    }
  }
  painter.end();
  return image.scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvalis_draw_monitor_icons OUTPUT_DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  const bool ok = drawIcon(QColor(140, 148, 158), QColor(), ' ').save(dir + "/monitor_idle.png") &&
                  drawIcon(QColor(120, 128, 138), QColor(208, 64, 56), 'x')
                      .save(dir + "/monitor_no_connection.png") &&
                  drawIcon(QColor(47, 126, 216), QColor(54, 160, 84), 'v')
                      .save(dir + "/monitor_connection.png");
  return ok ? 0 : 1;
}
