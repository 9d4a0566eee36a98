// Draws the twelve 19 x 19 emoticon pictures of the chat console and writes
// them as PNG files at 1x, 2x and 3x scale next to this file. The pictures are
// committed; this program is only run again when a face is redrawn:
//   g++ -std=c++20 -fPIC generate.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/gen
//   QT_QPA_PLATFORM=offscreen /tmp/gen resources/emoticons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 19;

const QColor kFace(255, 214, 51);
const QColor kAngryFace(255, 138, 61);
const QColor kOutline(92, 58, 0);
const QColor kFeature(60, 36, 0);

void Eyes(QPainter& p, qreal dy = 0, qreal r = 1.35) {
  p.setPen(Qt::NoPen);
  p.setBrush(kFeature);
  p.drawEllipse(QPointF(6.6, 7.4 + dy), r, r * 1.25);
  p.drawEllipse(QPointF(12.4, 7.4 + dy), r, r * 1.25);
}

QPen FeaturePen(qreal width = 1.4) {
  QPen pen(kFeature, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Smile(QPainter& p) {
  QPainterPath path(QPointF(5.3, 11.2));
  path.cubicTo(QPointF(7.0, 14.6), QPointF(12.0, 14.6), QPointF(13.7, 11.2));
  p.setBrush(Qt::NoBrush);
  p.setPen(FeaturePen());
  p.drawPath(path);
}

void Frown(QPainter& p, qreal y = 14.2) {
  QPainterPath path(QPointF(5.8, y));
  path.cubicTo(QPointF(7.4, y - 3.0), QPointF(11.6, y - 3.0), QPointF(13.2, y));
  p.setBrush(Qt::NoBrush);
  p.setPen(FeaturePen());
  p.drawPath(path);
}

void Face(QPainter& p, const QColor& fill) {
  p.setPen(QPen(kOutline, 1.2));
  QRadialGradient gradient(QPointF(7.5, 6.5), 11.0);
  gradient.setColorAt(0.0, fill.lighter(120));
  gradient.setColorAt(1.0, fill.darker(108));
  p.setBrush(gradient);
  p.drawEllipse(QPointF(9.5, 9.5), 8.7, 8.7);
}

void DrawSmile(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  Smile(p);
}

void DrawGrin(QPainter& p) {
  Face(p, kFace);
  Eyes(p, -0.4);
  QPainterPath mouth(QPointF(4.8, 10.6));
  mouth.lineTo(QPointF(14.2, 10.6));
  mouth.cubicTo(QPointF(13.6, 16.0), QPointF(5.4, 16.0), QPointF(4.8, 10.6));
  p.setPen(FeaturePen(1.0));
  p.setBrush(QColor(120, 20, 20));
  p.drawPath(mouth);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(5.6, 11.1, 7.8, 1.5));
}

void DrawWink(QPainter& p) {
  Face(p, kFace);
  p.setPen(Qt::NoPen);
  p.setBrush(kFeature);
  p.drawEllipse(QPointF(6.6, 7.4), 1.35, 1.7);
  QPainterPath lid(QPointF(10.8, 7.9));
  lid.quadTo(QPointF(12.4, 6.2), QPointF(14.0, 7.9));
  p.setBrush(Qt::NoBrush);
  p.setPen(FeaturePen(1.3));
  p.drawPath(lid);
  Smile(p);
}

void DrawTongue(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  p.setPen(FeaturePen(1.1));
  p.setBrush(QColor(235, 80, 100));
  p.drawRoundedRect(QRectF(8.4, 11.4, 4.0, 4.6), 2.0, 2.0);
  p.setPen(FeaturePen());
  p.drawLine(QPointF(5.4, 11.6), QPointF(13.6, 11.6));
}

void DrawCool(QPainter& p) {
  Face(p, kFace);
  p.setPen(QPen(QColor(20, 20, 20), 1.0));
  p.setBrush(QColor(25, 25, 35));
  p.drawLine(QPointF(2.2, 7.0), QPointF(16.8, 7.0));
  p.drawRoundedRect(QRectF(3.6, 6.0, 5.2, 3.8), 1.4, 1.4);
  p.drawRoundedRect(QRectF(10.2, 6.0, 5.2, 3.8), 1.4, 1.4);
  p.setPen(QPen(QColor(150, 190, 255), 0.8));
  p.drawLine(QPointF(4.6, 7.0), QPointF(6.0, 7.0));
  p.drawLine(QPointF(11.2, 7.0), QPointF(12.6, 7.0));
  Smile(p);
}

void DrawSurprised(QPainter& p) {
  Face(p, kFace);
  p.setPen(FeaturePen(0.9));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(6.5, 7.0), 2.0, 2.3);
  p.drawEllipse(QPointF(12.5, 7.0), 2.0, 2.3);
  p.setPen(Qt::NoPen);
  p.setBrush(kFeature);
  p.drawEllipse(QPointF(6.5, 7.3), 1.0, 1.1);
  p.drawEllipse(QPointF(12.5, 7.3), 1.0, 1.1);
  p.setPen(FeaturePen(1.1));
  p.setBrush(QColor(120, 20, 20));
  p.drawEllipse(QPointF(9.5, 13.0), 1.9, 2.3);
}

void DrawSad(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  Frown(p);
}

void DrawConfused(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  QPainterPath mouth(QPointF(5.4, 13.0));
  mouth.cubicTo(QPointF(7.0, 10.6), QPointF(8.2, 10.6), QPointF(9.5, 12.4));
  mouth.cubicTo(QPointF(10.8, 14.2), QPointF(12.0, 14.2), QPointF(13.6, 11.8));
  p.setBrush(Qt::NoBrush);
  p.setPen(FeaturePen());
  p.drawPath(mouth);
}

void DrawEmbarrassed(QPainter& p) {
  Face(p, kFace);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(240, 90, 110, 170));
  p.drawEllipse(QPointF(4.6, 11.0), 2.0, 1.3);
  p.drawEllipse(QPointF(14.4, 11.0), 2.0, 1.3);
  // Eyes cast down: two small downward arcs.
  p.setBrush(Qt::NoBrush);
  p.setPen(FeaturePen(1.3));
  QPainterPath left(QPointF(5.0, 7.4));
  left.quadTo(QPointF(6.6, 9.0), QPointF(8.2, 7.4));
  QPainterPath right(QPointF(10.8, 7.4));
  right.quadTo(QPointF(12.4, 9.0), QPointF(14.0, 7.4));
  p.drawPath(left);
  p.drawPath(right);
  QPainterPath mouth(QPointF(7.2, 13.6));
  mouth.quadTo(QPointF(8.4, 12.6), QPointF(9.5, 13.4));
  mouth.quadTo(QPointF(10.6, 14.2), QPointF(11.8, 13.2));
  p.drawPath(mouth);
}

void DrawCrying(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  Frown(p, 14.6);
  QPainterPath tear(QPointF(5.6, 9.0));
  tear.cubicTo(QPointF(3.6, 12.0), QPointF(4.0, 14.2), QPointF(5.6, 14.2));
  tear.cubicTo(QPointF(7.2, 14.2), QPointF(7.6, 12.0), QPointF(5.6, 9.0));
  p.setPen(QPen(QColor(20, 80, 170), 0.8));
  p.setBrush(QColor(90, 170, 255));
  p.drawPath(tear);
}

void DrawIndifferent(QPainter& p) {
  Face(p, kFace);
  Eyes(p);
  p.setPen(FeaturePen());
  p.drawLine(QPointF(6.0, 12.8), QPointF(13.0, 12.8));
}

void DrawAngry(QPainter& p) {
  Face(p, kAngryFace);
  Eyes(p, 0.8, 1.2);
  p.setPen(FeaturePen(1.5));
  p.drawLine(QPointF(4.4, 4.8), QPointF(8.2, 6.6));
  p.drawLine(QPointF(14.6, 4.8), QPointF(10.8, 6.6));
  Frown(p, 14.4);
}

const std::function<void(QPainter&)> kFaces[] = {
    DrawSmile, DrawGrin,     DrawWink,        DrawTongue, DrawCool,        DrawSurprised,
    DrawSad,   DrawConfused, DrawEmbarrassed, DrawCrying, DrawIndifferent, DrawAngry,
};

const char* const kNames[] = {"smile",       "grin",      "wink",        "tongue",
                              "cool",        "surprised", "sad",         "confused",
                              "embarrassed", "crying",    "indifferent", "angry"};

} // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  for (int i = 0; i < 12; ++i) {
    for (int scale = 1; scale <= 3; ++scale) {
      QImage image(kSize * scale, kSize * scale, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(scale, scale);
      kFaces[i](p);
      p.end();
      const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
      const QString name = QStringLiteral("%1/%2-%3%4.png")
                               .arg(folder)
                               .arg(i, 2, 10, QLatin1Char('0'))
                               .arg(QString::fromLatin1(kNames[i]), suffix);
      if (!image.save(name)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
        return 1;
      }
    }
  }
  return 0;
}
