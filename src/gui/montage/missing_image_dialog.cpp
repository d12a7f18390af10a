#include "gui/montage/missing_image_dialog.h"

#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/montage/missing_image_dialog.h"

namespace kinevo::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

bool TBoiteInstant::Execute(TMontage& montage, std::function<double()> requiredDuration,
                            QWidget* parent) {
  TMissingImageModel model(montage, std::move(requiredDuration));
  if (!model.CanRun()) return false;
  QDialog dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setObjectName("TBoiteInstant");
  dialog.setWindowTitle(Caption.isEmpty() ? Q(TMissingImageModel::kCaption) : Caption);
  dialog.setFont(Font);
  auto* layout = new QVBoxLayout(&dialog);
  auto* intro = new QLabel(Q(model.Intro()), &dialog);
  layout->addWidget(intro);
  const int wrapWidth = intro->sizeHint().width();
  for (const std::string& line : {model.DurationLine(), model.OriginLine()}) {
    auto* l = new QLabel(Q(line), &dialog);
    l->setWordWrap(true);
    l->setMaximumWidth(wrapWidth);
    layout->addWidget(l);
  }
  auto* box = new QFrame(&dialog);
  box->setFrameShape(QFrame::Box);
  auto* b = new QVBoxLayout(box);
  auto* previous = new QLabel(box);
  previous->setObjectName("previous");
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(Q(model.CurrentLabel()), box);
  auto* value = new QLineEdit(box);
  value->setObjectName("current");
  value->setReadOnly(true);
  value->setFixedSize(60, 21);
  // The up-down control: two arrows stacked.
  auto* arrows = new QWidget(box);
  auto* arrowsLayout = new QVBoxLayout(arrows);
  arrowsLayout->setContentsMargins(0, 0, 0, 0);
  arrowsLayout->setSpacing(0);
  auto* up = new QToolButton(arrows);
  up->setObjectName("up");
  up->setArrowType(Qt::UpArrow);
  auto* down = new QToolButton(arrows);
  down->setObjectName("down");
  down->setArrowType(Qt::DownArrow);
  for (QToolButton* t : {up, down}) {
    t->setFixedSize(17, 11);
    arrowsLayout->addWidget(t);
  }
  row->addWidget(label);
  row->addWidget(value);
  row->addWidget(new QLabel(QStringLiteral("s"), box));
  row->addWidget(arrows);
  auto* next = new QLabel(box);
  next->setObjectName("next");
  b->addWidget(previous);
  b->addLayout(row);
  b->addWidget(next);
  layout->addWidget(box);
  auto* ok = new QPushButton(QStringLiteral("&Ok"), &dialog);
  ok->setObjectName("ok");
  ok->setFixedSize(75, 25);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  auto* status = new QLabel(Q(TMissingImageModel::kStatus), &dialog);
  status->setFrameShape(QFrame::StyledPanel);
  layout->addWidget(status);

  auto show = [&] {
    previous->setText(Q(model.PreviousLine()));
    value->setText(Q(model.CurrentValue()));
    next->setText(Q(model.NextLine()));
  };
  show();
  // A refused shift changes nothing and the times shown stay.
  QObject::connect(up, &QToolButton::clicked, &dialog, [&] {
    if (model.Up()) show();
  });
  QObject::connect(down, &QToolButton::clicked, &dialog, [&] {
    if (model.Down()) show();
  });
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  if (OnShown) QTimer::singleShot(0, &dialog, [&] { OnShown(&dialog); });
  dialog.exec();
  return true;
}

}  // namespace kinevo::gui
