#include "gui/app/cursor_pictures.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <map>
#include <mutex>

#include "core/common/palette.h"

namespace kinevo::gui {

namespace {

// Hot spots: crosshairs act at their centre (15, 15), arrows at their tip,
// pens at their point, the magnifier at the centre of its lens.
std::vector<TCursorDef> MakeDefs() {
  std::vector<TCursorDef> d = {
      {1, "AmortiExpHaut", 15, 15},   {2, "AmortiExpBas", 15, 15},
      {3, "AmortiLinHaut", 15, 15},   {4, "AmortiLinBas", 15, 15},
      {5, "DeformBasDroit", 15, 15},  {6, "DeformBasGauche", 15, 15},
      {7, "DeformHautDroit", 15, 15}, {8, "DeformHautGauche", 15, 15},
      {9, "Deformer", 15, 15},        {10, "Deplacer", 15, 15},
      {11, "Detection", 15, 15},      {12, "Dupliquer", 1, 1},
      {13, "Echelle", 15, 15},        {14, "Gomme", 4, 27},
      {15, "Inverser", 15, 15},       {16, "Marque", 15, 15},
  };
  for (int i = 0; i <= 9; ++i) d.push_back({17 + i, "Marque" + std::to_string(i), 15, 15});
  const std::vector<TCursorDef> rest = {
      {27, "Nesw", 15, 15}, {28, "Nwse", 15, 15}, {29, "Origine", 15, 15},
      {30, "Pan", 15, 15},  {31, "Pen", 2, 29},   {32, "Pen0", 2, 29},
  };
  d.insert(d.end(), rest.begin(), rest.end());
  for (int i = 1; i <= 9; ++i) d.push_back({32 + i, "Pen" + std::to_string(i), 2, 29});
  const std::vector<TCursorDef> last = {
      {42, "Reticule", 15, 15}, {43, "Rotation", 15, 15},  {44, "SelDeformer", 1, 1},
      {45, "Selection", 1, 1},  {46, "SelRotation", 1, 1}, {47, "SelGomme", 1, 1},
      {48, "Zoom", 12, 12},     {49, "ZoomX", 12, 12},     {50, "ZoomY", 12, 12},
  };
  d.insert(d.end(), last.begin(), last.end());
  return d;
}

QColor SystemColour(int k) {
  static const TGraphUtils palette;
  const TColor c = palette.ColorA(k);
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Every stroke is drawn twice: wide in white, then thin in the colour, so
// the cursor reads on dark and light pictures.
struct Pen2 {
  QPainter& p;
  QColor colour;
  void Path(const QPainterPath& path, bool fill = false) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(colour, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (fill) p.setBrush(colour);
    p.drawPath(path);
    p.setBrush(Qt::NoBrush);
  }
  void Line(double x0, double y0, double x1, double y1) {
    QPainterPath path(QPointF(x0, y0));
    path.lineTo(x1, y1);
    Path(path);
  }
  void Arrow(double x0, double y0, double x1, double y1, bool both = false) {
    Line(x0, y0, x1, y1);
    auto head = [this](double xa, double ya, double xb, double yb) {
      const QLineF l(QPointF(xb, yb), QPointF(xa, ya));
      QLineF a = l;
      a.setLength(4.5);
      a.setAngle(l.angle() + 35);
      QLineF b = l;
      b.setLength(4.5);
      b.setAngle(l.angle() - 35);
      QPainterPath path(a.p2());
      path.lineTo(xb, yb);
      path.lineTo(b.p2());
      path.closeSubpath();
      Path(path, true);
    };
    head(x0, y0, x1, y1);
    if (both) head(x1, y1, x0, y0);
  }
};

void Crosshair(Pen2& pen, double gap = 3) {
  pen.Line(15.5, 2, 15.5, 15.5 - gap);
  pen.Line(15.5, 15.5 + gap, 15.5, 29);
  pen.Line(2, 15.5, 15.5 - gap, 15.5);
  pen.Line(15.5 + gap, 15.5, 29, 15.5);
}

void Pointer(QPainter& p) {
  QPainterPath path(QPointF(1, 1));
  path.lineTo(1, 17);
  path.lineTo(5, 13);
  path.lineTo(8, 20);
  path.lineTo(10.5, 19);
  path.lineTo(7.5, 12);
  path.lineTo(13, 12);
  path.closeSubpath();
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(Qt::black);
  p.drawPath(path);
}

void Digit(QPainter& p, const QString& text, const QColor& c, const QRectF& r) {
  QFont f;
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) p.drawText(r.translated(dx, dy), Qt::AlignCenter, text);
  p.setPen(c);
  p.drawText(r, Qt::AlignCenter, text);
}

void Magnifier(Pen2& pen) {
  QPainterPath lens;
  lens.addEllipse(QPointF(12.5, 12.5), 8, 8);
  pen.Path(lens);
  pen.Line(18.5, 18.5, 28, 28);
  pen.Line(19.5, 18.5, 28, 27);
}

void PenShape(QPainter& p, const QColor& c) {
  QPainterPath body(QPointF(2, 29));
  body.lineTo(5, 21);
  body.lineTo(22, 4);
  body.lineTo(27, 9);
  body.lineTo(10, 26);
  body.closeSubpath();
  p.setPen(QPen(Qt::white, 3));
  p.drawPath(body);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(c);
  p.drawPath(body);
}

}  // namespace

const std::vector<TCursorDef>& CursorDefs() {
  static const std::vector<TCursorDef> defs = MakeDefs();
  return defs;
}

const TCursorDef* FindCursorDef(const std::string& name) {
  for (const auto& d : CursorDefs())
    if (d.name == name) return &d;
  return nullptr;
}

QImage DrawCursorPicture(const std::string& name) {
  if (FindCursorDef(name) == nullptr) return {};
  QImage im(32, 32, QImage::Format_ARGB32_Premultiplied);
  im.fill(Qt::transparent);
  QPainter p(&im);
  p.setRenderHint(QPainter::Antialiasing);
  Pen2 pen{p, Qt::black};
  auto starts = [&name](const char* prefix) { return name.rfind(prefix, 0) == 0; };

  if (name == "Marque" || (starts("Marque") && name.size() == 7)) {
    QColor c = Qt::black;
    if (name.size() == 7) {
      const int k = name[6] - '0';
      c = SystemColour(k == 0 ? 9 : k - 1);
    }
    pen.colour = c;
    Crosshair(pen);
    if (name.size() == 7) Digit(p, QString(QChar(name[6])), c, QRectF(19, 19, 12, 12));
  } else if (name == "Echelle") {
    Crosshair(pen);
    pen.colour = Qt::blue;
    pen.Arrow(19, 27, 30, 27, true);
  } else if (name == "Origine") {
    Crosshair(pen);
    pen.colour = Qt::red;
    pen.Arrow(19, 29, 30, 29);
    pen.Arrow(19, 29, 19, 19);
  } else if (name == "Reticule") {
    pen.Line(15.5, 0, 15.5, 31);
    pen.Line(0, 15.5, 31, 15.5);
  } else if (name == "Detection") {
    Crosshair(pen, 2);
    QPainterPath c;
    c.addEllipse(QPointF(15.5, 15.5), 7, 7);
    pen.Path(c);
  } else if (name == "Deplacer") {
    pen.Arrow(15.5, 15.5, 15.5, 2);
    pen.Arrow(15.5, 15.5, 15.5, 29);
    pen.Arrow(15.5, 15.5, 2, 15.5);
    pen.Arrow(15.5, 15.5, 29, 15.5);
  } else if (name == "Nesw") {
    pen.Arrow(6, 25, 25, 6, true);
  } else if (name == "Nwse") {
    pen.Arrow(6, 6, 25, 25, true);
  } else if (name == "Gomme") {
    // An eraser seen from the side, its rubbing end at the hot spot.
    p.save();
    p.translate(4, 27);
    p.rotate(-45);
    p.setPen(QPen(Qt::white, 3));
    p.drawRect(QRectF(0, -5, 26, 10));
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 160, 180));
    p.drawRect(QRectF(0, -5, 10, 10));
    p.setBrush(QColor(90, 140, 230));
    p.drawRect(QRectF(10, -5, 16, 10));
    p.restore();
  } else if (name == "Pan") {
    // An open hand: palm and four fingers.
    QPainterPath h;
    h.addRoundedRect(QRectF(8, 14, 15, 13), 5, 5);
    for (int i = 0; i < 4; ++i)
      h.addRoundedRect(QRectF(8 + i * 4, 5 + (i == 0 || i == 3 ? 3 : 0), 3.5, 12), 1.7, 1.7);
    h.addRoundedRect(QRectF(3, 15, 8, 3.5), 1.7, 1.7);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(h.simplified());
  } else if (starts("Pen")) {
    QColor c = QColor(255, 220, 120);
    if (name.size() == 4) {
      const int k = name[3] - '0';
      c = SystemColour(k == 0 ? 9 : k - 1);
      Digit(p, QString(QChar(name[3])), c, QRectF(18, 18, 12, 12));
    }
    PenShape(p, c);
  } else if (name == "Zoom" || name == "ZoomX" || name == "ZoomY") {
    Magnifier(pen);
    if (name == "Zoom") {
      pen.Line(8.5, 12.5, 16.5, 12.5);
      pen.Line(12.5, 8.5, 12.5, 16.5);
    } else if (name == "ZoomX") {
      pen.Arrow(7, 12.5, 18, 12.5, true);
    } else {
      pen.Arrow(12.5, 7, 12.5, 18, true);
    }
  } else if (name == "Rotation" || name == "SelRotation") {
    if (name == "SelRotation") Pointer(p);
    QPainterPath arc;
    const QRectF r = name == "Rotation" ? QRectF(6, 6, 19, 19) : QRectF(14, 14, 15, 15);
    arc.arcMoveTo(r, 90);
    arc.arcTo(r, 90, 270);
    pen.Path(arc);
    const QPointF end = arc.currentPosition();
    pen.Arrow(end.x() - 0.1, end.y() - 4, end.x(), end.y());
  } else if (name == "Selection") {
    Pointer(p);
  } else if (name == "SelGomme") {
    Pointer(p);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 160, 180));
    p.drawRect(QRectF(17, 20, 12, 7));
  } else if (name == "SelDeformer") {
    Pointer(p);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(15, 17, 13, 11));
  } else if (name == "Dupliquer") {
    Pointer(p);
    pen.Line(20, 24, 30, 24);
    pen.Line(25, 19, 25, 29);
  } else if (name == "Inverser") {
    pen.Arrow(4, 11, 27, 11);
    pen.Arrow(27, 20, 4, 20);
  } else if (name == "Deformer" || starts("Deform")) {
    QPainterPath box;
    box.addRect(QRectF(8, 8, 15, 15));
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawPath(box);
    if (name == "Deformer" || name == "DeformBasDroit" || name == "DeformHautGauche")
      pen.Arrow(4, 4, 27, 27, true);
    if (name == "Deformer" || name == "DeformBasGauche" || name == "DeformHautDroit")
      pen.Arrow(27, 4, 4, 27, true);
  } else if (starts("Amorti")) {
    // A damped oscillation (exponential or linear envelope) and an arrow up
    // or down for the direction of the change.
    const bool exp = starts("AmortiExp");
    const bool up = name.size() >= 4 && name.substr(name.size() - 4) == "Haut";
    QPainterPath w(QPointF(2, 15.5));
    for (int x = 2; x <= 24; ++x) {
      const double t = (x - 2) / 22.0;
      const double env = exp ? std::exp(-2.5 * t) : 1 - 0.85 * t;
      w.lineTo(x, 15.5 - 10 * env * std::sin(t * 4 * 3.14159265));
    }
    pen.Path(w);
    pen.colour = Qt::red;
    if (up)
      pen.Arrow(28, 24, 28, 6);
    else
      pen.Arrow(28, 6, 28, 24);
  }
  p.end();
  return im;
}

namespace {

std::map<std::string, QCursor>& Registry() {
  static std::map<std::string, QCursor> r;
  return r;
}
bool registered = false;

}  // namespace

void NamedCursors::Register() {
  auto& r = Registry();
  r.clear();
  for (const auto& d : CursorDefs()) {
    const QString path = QStringLiteral(":/cursors/%1.png").arg(QString::fromStdString(d.name));
    QPixmap pm;
    if (!QFile::exists(path) || !pm.load(path)) pm = QPixmap::fromImage(DrawCursorPicture(d.name));
    r[d.name] = QCursor(pm, d.hotX, d.hotY);
  }
  registered = true;
}

bool NamedCursors::Registered() { return registered; }

QCursor NamedCursors::Get(const std::string& name) {
  if (name.empty()) return QCursor(Qt::ArrowCursor);
  auto& r = Registry();
  auto it = r.find(name);
  if (it != r.end()) return it->second;
  if (name == "SizeAll") return QCursor(Qt::SizeAllCursor);
  return QCursor(Qt::ArrowCursor);
}

QCursor NamedCursors::Get(int number) {
  for (const auto& d : CursorDefs())
    if (d.number == number) return Get(d.name);
  return QCursor(Qt::ArrowCursor);
}

}  // namespace kinevo::gui
