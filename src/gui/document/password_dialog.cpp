#include "gui/document/password_dialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace kinevo::gui {

QPixmap TPasswordDlg::KeyPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 48.0, size / 48.0);
  const QColor gold(212, 160, 23), dark(120, 85, 10);
  p.setPen(QPen(dark, 2));
  p.setBrush(gold);
  // The bow: a ring.
  QPainterPath bow;
  bow.addEllipse(QPointF(14, 24), 11, 11);
  bow.addEllipse(QPointF(11, 24), 4, 4);
  bow.setFillRule(Qt::OddEvenFill);
  p.drawPath(bow);
  // The shank and its bits.
  QPainterPath shank;
  shank.addRect(24, 21, 21, 6);
  shank.addRect(36, 27, 4, 8);
  shank.addRect(42, 27, 3, 6);
  p.drawPath(shank.simplified());
  return pm;
}

TPasswordDlg::TPasswordDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle("Saisie du mot de passe");
  key_ = new QLabel(this);
  key_->setPixmap(KeyPixmap(48));
  auto* label = new QLabel("Mot de passe", this);
  edit_ = new QLineEdit(this);
  edit_->setEchoMode(QLineEdit::Password);
  edit_->setMinimumWidth(180);
  label->setBuddy(edit_);
  ok_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "&Ok", this);
  cancel_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "&Annuler", this);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(key_, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(label, 0, 1);
  grid->addWidget(edit_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  grid->addLayout(buttons, 2, 0, 1, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  // Password characters are shown as "*".
  QStyleOption opt;
  opt.initFrom(edit_);
  if (style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &opt, edit_) != '*') {
    edit_->setStyleSheet("lineedit-password-character: 42;");
  }
  adjustSize();
  if (QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

bool TQtPasswordPrompt::AskPassword(std::string& entered) {
  TPasswordDlg dlg(parent_);
  if (onShown) QTimer::singleShot(0, &dlg, [&] { onShown(dlg); });
  if (dlg.exec() != QDialog::Accepted) return false;
  entered = dlg.Edit()->text().toStdString();
  return true;
}

}  // namespace kinevo::gui
