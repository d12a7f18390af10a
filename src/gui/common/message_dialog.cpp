#include "gui/common/message_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include "gui/common/dialog_owner.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo::gui {

namespace {

constexpr int kGlyphSize = 16;
// The glyph and the space between it and the caption.
constexpr int kGlyphWidth = kGlyphSize + 4;
constexpr int kIconSize = 32;

QColor Q(TColor c) { return QPainterCanvas::ToQColor(c); }

// A blank transparent pixmap of the given size, with a painter ready on it.
QPixmap Blank(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  return pm;
}

void DrawBadge(QPainter& p, const QColor& fill, const QString& sign, bool cross) {
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient g(QPointF(12, 10), 20);
  g.setColorAt(0, fill.lighter(150));
  g.setColorAt(1, fill);
  p.setBrush(g);
  p.setPen(QPen(fill.darker(150), 1.2));
  p.drawEllipse(QRectF(2, 2, 28, 28));
  if (cross) {
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
    return;
  }
  QFont f("Arial");
  f.setBold(true);
  f.setPixelSize(21);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, sign);
}

}  // namespace

QFont ToQFont(const TFont& font) {
  QFont f(QString::fromStdString(font.name));
  f.setPointSize(font.size > 0 ? font.size : 1);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  return f;
}

QPixmap StandardIconPicture(TDefaultIcons icon) {
  if (icon == icCustom || icon == icNone) return {};
  QPixmap pm = Blank(kIconSize);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (icon) {
    case icWarning: {  // IcoWARNING: a yellow triangle with "!"
      QPainterPath tri;
      tri.moveTo(16, 2.5);
      tri.lineTo(30, 28.5);
      tri.lineTo(2, 28.5);
      tri.closeSubpath();
      QLinearGradient g(0, 0, 0, 32);
      g.setColorAt(0, QColor(255, 236, 120));
      g.setColorAt(1, QColor(246, 190, 0));
      p.setBrush(g);
      p.setPen(QPen(QColor(150, 110, 0), 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPath(tri);
      p.setPen(Qt::NoPen);
      p.setBrush(Qt::black);
      p.drawRoundedRect(QRectF(14.5, 10, 3, 11), 1.2, 1.2);
      p.drawEllipse(QRectF(14.3, 22.5, 3.4, 3.4));
      break;
    }
    case icError:  // IcoERROR: a red disc with a white cross
      DrawBadge(p, QColor(205, 30, 30), QString(), true);
      break;
    case icInformation:  // IcoINFORMATION: a blue disc with "i"
      DrawBadge(p, QColor(30, 100, 210), "i", false);
      break;
    case icConfirmation:  // IcoCONFIRMATION: a blue disc with "?"
      DrawBadge(p, QColor(40, 120, 190), "?", false);
      break;
    default:
      break;
  }
  return pm;
}

QPixmap TransparentPicture(const Image& picture) {
  if (picture.Empty()) return {};
  QImage img(picture.Data(), picture.Width(), picture.Height(),
             static_cast<qsizetype>(picture.Stride()), QImage::Format_RGB888);
  QPixmap pm = QPixmap::fromImage(img.copy());
  const QColor key = Q(picture.Pixel(0, picture.Height() - 1));
  pm.setMask(pm.createMaskFromColor(key, Qt::MaskInColor));
  return pm;
}

QPixmap DrawnGlyph(TButtonType type) {
  if (type == btCustom) return {};
  QPixmap pm = Blank(kGlyphSize);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const auto pen = [](const QColor& c, double w) {
    return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  };
  switch (type) {
    case btOk:  // a green tick
      p.setPen(pen(QColor(20, 140, 40), 2.6));
      p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
      break;
    case btTous:  // two ticks
      p.setPen(pen(QColor(20, 140, 40), 2.0));
      p.drawPolyline(QPolygonF({QPointF(1.5, 8), QPointF(4.5, 11), QPointF(9.5, 4)}));
      p.drawPolyline(QPolygonF({QPointF(6.5, 9), QPointF(9, 12), QPointF(14.5, 4.5)}));
      break;
    case btAnnuler:  // GlyphAnnuler: a red cross
    case btAbandonner:
      p.setPen(pen(QColor(200, 30, 30), 2.6));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
    case btIgnorer:  // GlyphIgnore: a grey circle struck through
      p.setPen(pen(QColor(90, 90, 90), 1.8));
      p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
      p.drawLine(QPointF(4.6, 11.4), QPointF(11.4, 4.6));
      break;
    case btQuitter:  // GlyphQuit: a door with an arrow going out
      p.setPen(pen(QColor(110, 70, 30), 1.4));
      p.setBrush(QColor(190, 140, 80));
      p.drawRect(QRectF(2.5, 1.5, 7, 13));
      p.setPen(pen(QColor(200, 30, 30), 1.8));
      p.drawLine(QPointF(7, 8), QPointF(14, 8));
      p.drawPolyline(QPolygonF({QPointF(11.5, 5.5), QPointF(14, 8), QPointF(11.5, 10.5)}));
      break;
    case btAide:  // a blue "?"
    case btRecommencer: {
      if (type == btAide) {
        QFont f("Arial");
        f.setBold(true);
        f.setPixelSize(15);
        p.setFont(f);
        p.setPen(QColor(30, 90, 200));
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "?");
      } else {  // a circular arrow
        p.setPen(pen(QColor(30, 120, 60), 2.0));
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 120, 60));
        p.drawPolygon(QPolygonF({QPointF(9, 0.5), QPointF(14, 3.5), QPointF(9, 6.5)}));
      }
      break;
    }
    case btEnregistrer:  // GlyphRecord: a floppy disc
      p.setPen(pen(QColor(20, 40, 110), 1.0));
      p.setBrush(QColor(50, 80, 170));
      p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
      p.setBrush(Qt::white);
      p.setPen(Qt::NoPen);
      p.drawRect(QRectF(4, 2, 8, 5));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(4.5, 9.5, 7, 5));
      break;
    case btCustom:
      break;
  }
  return pm;
}

QIcon ButtonGlyph(TButtonType type, const QStyle* style) {
  QStyle::StandardPixmap sp;
  switch (type) {
    case btOk:
      sp = QStyle::SP_DialogOkButton;
      break;
    case btAbandonner:
      sp = QStyle::SP_DialogCancelButton;
      break;
    case btTous:
      sp = QStyle::SP_DialogYesToAllButton;
      break;
    case btAide:
      sp = QStyle::SP_DialogHelpButton;
      break;
    case btRecommencer:
      sp = QStyle::SP_DialogRetryButton;
      break;
    case btCustom:
      return {};
    default:
      return QIcon(DrawnGlyph(type));
  }
  if (style != nullptr) {
    QIcon icon = style->standardIcon(sp);
    if (!icon.isNull() && !icon.pixmap(kGlyphSize, kGlyphSize).isNull()) return icon;
  }
  return QIcon(DrawnGlyph(type));
}

// ---------------------------------------------------------------- TSimMemo

TSimMemo::TSimMemo(QWidget* parent) : QWidget(parent) { setObjectName("SimMemo"); }

void TSimMemo::SetContent(const TMemoLayout& layout, const TFont& font, TColor background) {
  layout_ = layout;
  font_ = font;
  background_ = background;
  update();
}

void TSimMemo::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QPainterCanvas canvas(painter);
  canvas.SetFont(font_);
  DrawMemo(canvas, layout_, width(), height(), background_);
}

// ---------------------------------------------------------------- TMessageDialog

TMessageDialog::TMessageDialog(const TUserDlgContent& c, QWidget* parent, int screenWidth)
    : QDialog(parent) {
  setObjectName("UserDlg");
  setWindowTitle(QString::fromStdString(c.title));
  const QFont font = ToQFont(c.font);
  setFont(font);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Q(c.backColor));
  pal.setColor(QPalette::Button, Q(c.backColor));
  setPalette(pal);
  setAutoFillBackground(true);

  QScreen* screen = parent != nullptr && parent->screen() != nullptr
                        ? parent->screen()
                        : QGuiApplication::primaryScreen();
  TUserDlgMetrics m;
  m.screenWidth =
      screenWidth > 0 ? screenWidth : (screen != nullptr ? screen->geometry().width() : 1024);

  // Pictures.
  QPixmap picture;
  if (c.icon == icCustom)
    picture = TransparentPicture(c.customIcon);
  else
    picture = StandardIconPicture(c.icon);
  TUserDlgContent content = c;
  if (content.icon == icCustom && picture.isNull()) content.icon = icNone;
  if (!picture.isNull()) m.iconSize = {picture.width(), picture.height()};
  for (const auto& b : c.buttons)
    m.glyphWidths.push_back(c.buttonsShowGlyph && b.type != btCustom ? kGlyphWidth : 0);
  if (!c.checkBoxCaption.empty()) {
    QCheckBox probe(QString::fromStdString(c.checkBoxCaption));
    probe.setFont(font);
    m.checkBoxHeight = probe.sizeHint().height();
  }

  // Text is measured on a device with the window's resolution, so that the
  // sizes match what the widgets will draw.
  QImage measureDevice(1, 1, QImage::Format_RGB32);
  const int dpm = qRound(logicalDpiX() / 0.0254);
  measureDevice.setDotsPerMeterX(dpm);
  measureDevice.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
  {
    QPainter mp(&measureDevice);
    QPainterCanvas canvas(mp);
    layout_ = LayoutUserDlg(canvas, content, m);
  }

  auto rect = [](const TPixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); };
  if (layout_.showIcon) {
    icon_ = new QLabel(this);
    icon_->setObjectName("Icon");
    icon_->setPixmap(picture);
    icon_->setGeometry(rect(layout_.icon));
  }
  memo_ = new TSimMemo(this);
  memo_->setGeometry(rect(layout_.memo));
  memo_->SetContent(layout_.memoLayout, c.font, c.backColor);

  for (std::size_t i = 0; i < c.buttons.size(); ++i) {
    auto* b = new QPushButton(QString::fromStdString(c.buttons[i].caption), this);
    b->setObjectName(QString("Btn%1").arg(i));
    b->setAutoDefault(false);
    b->setDefault(false);
    if (c.buttonsShowGlyph) {
      const QIcon glyph = ButtonGlyph(c.buttons[i].type, style());
      if (!glyph.isNull()) {
        b->setIcon(glyph);
        b->setIconSize(QSize(kGlyphSize, kGlyphSize));
      }
    }
    if (!c.buttonsCursor.empty()) {
      const QString path = QString(":/cursors/%1.png").arg(QString::fromStdString(c.buttonsCursor));
      if (QFile::exists(path)) b->setCursor(QCursor(QPixmap(path)));
    }
    b->setGeometry(rect(layout_.buttons[i]));
    connect(b, &QPushButton::clicked, this, &TMessageDialog::ButtonClicked);
    buttons_.push_back(b);
  }
  if (layout_.showSeparator) {
    separator_ = new QFrame(this);
    separator_->setObjectName("Separator");
    separator_->setFrameShape(QFrame::HLine);
    separator_->setFrameShadow(QFrame::Sunken);
    separator_->setLineWidth(1);
    separator_->setGeometry(rect(layout_.separator));
  }
  if (layout_.showCheckBox) {
    checkBox_ = new QCheckBox(QString::fromStdString(c.checkBoxCaption), this);
    checkBox_->setObjectName("CheckBox");
    checkBox_->setChecked(c.checkBoxCheck);
    checkBox_->setGeometry(rect(layout_.checkBox));
  }
  if (!buttons_.empty()) buttons_.front()->setFocus();

  // A fixed dialog border; with buttons no title-bar buttons at all.
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (layout_.closeBox) flags |= Qt::WindowCloseButtonHint;
  setWindowFlags(flags);
  setFixedSize(layout_.width, layout_.height);
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(layout_.width / 2, layout_.height / 2));
  }
}

bool TMessageDialog::CheckBoxChecked() const {
  return checkBox_ != nullptr && checkBox_->isChecked();
}

QPushButton* TMessageDialog::Button(int index) const {
  return index >= 0 && index < ButtonCount() ? buttons_[static_cast<std::size_t>(index)] : nullptr;
}

void TMessageDialog::ButtonClicked() {
  const auto* b = qobject_cast<const QPushButton*>(sender());
  if (b == nullptr) return;
  // The index is the number after "Btn" in the button's name.
  bool ok = false;
  const int index = b->objectName().mid(3).toInt(&ok);
  if (!ok) return;
  result_ = index;
  closing_ = true;
  accept();
}

void TMessageDialog::reject() {
  if (!buttons_.empty() && !closing_) return;
  QDialog::reject();
}

void TMessageDialog::closeEvent(QCloseEvent* event) {
  if (!buttons_.empty() && !closing_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

// ---------------------------------------------------------------- presenter

int32_t TQtUserDlgPresenter::Present(const TUserDlgContent& content, bool& checkBoxCheck) {
  TMessageDialog dlg(content, DialogOwner(parent_), screenWidth);
  if (onShown) {
    // Runs inside the modal loop, once the window is up.
    QTimer::singleShot(0, &dlg, [this, &dlg] { onShown(dlg); });
  }
  dlg.exec();
  if (dlg.HasCheckBox()) checkBoxCheck = dlg.CheckBoxChecked();
  return dlg.Result();
}

}  // namespace kinevo::gui
