#include "gui/common/value_dialog_qt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "gui/common/dialog_owner.h"

namespace kinevo::gui {

namespace {

QFont ToQFont(const TFont& f) {
  QFont q(QString::fromStdString(f.name));
  q.setPointSize(f.size > 0 ? f.size : 9);
  q.setBold(f.bold);
  q.setItalic(f.italic);
  return q;
}

QRect ToQRect(const TPixelRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

}  // namespace

TValueEdit::TValueEdit(const IValueEntry& entry, QWidget* parent)
    : QLineEdit(parent), entry_(entry) {}

void TValueEdit::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  // Keys without text (arrows, Delete, shortcuts) behave as usual.
  if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const QChar ch = text.at(0);
  if (ch.unicode() == 8 || ch.unicode() == 13 || ch.unicode() == 10 || ch.unicode() == 27) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (ch.unicode() > 127) return;  // only plain characters can be numbers
  const char mapped = entry_.FilterChar(static_cast<char>(ch.unicode()));
  if (mapped == 0) return;
  insert(QString(QChar(mapped)));
}

TValueDialog::TValueDialog(IValueEntry& entry, QWidget* parent, int workAreaWidth)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      entry_(entry) {
  setWindowTitle(QString::fromStdString(entry.WindowCaption()));
  setFont(ToQFont(entry.WindowFont()));
  QPalette pal = palette();
  const TColor c = entry.WindowColor();
  pal.setColor(QPalette::Window, QColor(RedOf(c), GreenOf(c), BlueOf(c)));
  setPalette(pal);
  setAutoFillBackground(true);

  QScreen* screen = QApplication::primaryScreen();
  if (workAreaWidth <= 0) workAreaWidth = screen ? screen->availableGeometry().width() : 1024;

  const QFontMetrics fm(font());
  const QString promptText = QString::fromStdString(entry.Prompt());
  const QString noteText = QString::fromStdString(entry.Note());
  const int promptWidth = fm.horizontalAdvance(promptText);
  layout_ = entry.Layout(
      promptWidth,
      [&](int width) {
        return fm.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, noteText).height();
      },
      workAreaWidth);
  // Room for the whole title beside the window manager's buttons.
  const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
  const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 11 / 10 + 140;
  layout_ = WidenedTo(layout_, std::min(titleWidth, workAreaWidth * 9 / 10));

  if (!noteText.isEmpty()) {
    note_ = new QLabel(noteText, this);
    note_->setWordWrap(true);
    note_->setGeometry(ToQRect(layout_.note));
  }
  prompt_ = new QLabel(promptText, this);
  prompt_->setGeometry(QRect(layout_.prompt.left, layout_.edit.top, layout_.prompt.Width(),
                             IValueEntry::kEditHeight));
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  edit_ = new TValueEdit(entry, this);
  edit_->setMaxLength(IValueEntry::kMaxLength);
  edit_->setGeometry(ToQRect(layout_.edit));
  edit_->setText(QString::fromStdString(entry.InitialText()));
  prompt_->setBuddy(edit_);

  line_ = new QFrame(this);
  line_->setFrameShape(QFrame::HLine);
  line_->setFrameShadow(QFrame::Sunken);
  line_->setGeometry(ToQRect(layout_.line));

  ok_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "&Ok", this);
  ok_->setGeometry(ToQRect(layout_.button));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &TValueDialog::accept);

  status_ = new QLabel(QString::fromStdString(entry.RangeText()), this);
  status_->setGeometry(ToQRect(layout_.statusBar));
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setContentsMargins(4, 0, 4, 0);

  setFixedSize(layout_.clientWidth, layout_.clientHeight);
  if (screen) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(layout_.clientWidth / 2, layout_.clientHeight / 2));
  }
}

void TValueDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  edit_->setFocus();
  edit_->selectAll();
}

bool TValueDialog::TryToClose() {
  if (entry_.TryClose(edit_->text().toStdString())) {
    accepted_ = true;
    return true;
  }
  edit_->setFocus();
  edit_->selectAll();
  return false;
}

void TValueDialog::accept() {
  if (TryToClose()) QDialog::accept();
}

// Escape is a request to close like any other: only a valid value closes.
void TValueDialog::reject() {
  if (TryToClose()) QDialog::accept();
}

void TValueDialog::closeEvent(QCloseEvent* event) {
  if (accepted_) {
    event->accept();
    return;
  }
  if (TryToClose()) {
    event->accept();
    QDialog::accept();
  } else {
    event->ignore();
  }
}

void TQtValueDialogPresenter::Present(IValueEntry& entry) {
  TValueDialog dlg(entry, DialogOwner(parent_), workAreaWidth);
  if (onShown) {
    QTimer::singleShot(0, &dlg, [&] { onShown(dlg); });
  }
  dlg.exec();
}

}  // namespace kinevo::gui
