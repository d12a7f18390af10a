#include "gui/video/duration_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/video/duration_dialog.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The edit box: accepts only the keys of a number, and tells the model
// about typing and clicks.
class DurationEdit : public QLineEdit {
 public:
  std::function<void()> OnClicked;
  using QLineEdit::QLineEdit;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    const QString t = e->text();
    if (e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
        e->key() == Qt::Key_Left || e->key() == Qt::Key_Right || e->key() == Qt::Key_Delete ||
        e->key() == Qt::Key_Home || e->key() == Qt::Key_End || e->key() == Qt::Key_Tab) {
      QLineEdit::keyPressEvent(e);
      return;
    }
    if (t.size() != 1 || t[0].unicode() > 127) return;
    char c = static_cast<char>(t[0].unicode());
    if (!FilterDurationKey(c)) return;
    insert(QString(QChar(c)));
  }
  void mousePressEvent(QMouseEvent* e) override {
    QLineEdit::mousePressEvent(e);
    if (OnClicked) OnClicked();
  }
};

}  // namespace

bool TBoiteTemps::Execute(bool videoOpen, double imageDuration, double current, double& result,
                          QWidget* parent) {
  if (!videoOpen) return false;
  TDurationDialogModel model(imageDuration, current);
  model.SetRequiredDuration = SetRequiredDuration;
  model.SetFileTimes(FileTimes);
  model.SetIncoherentDurations(IncoherentDurations);
  model.SetTimingIssues(TimingIssues);
  model.SetRates(PlaybackRate, CaptureRate);
  ChosenCaptureRate = 0;

  QDialog dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setObjectName("TBoiteTemps");
  dialog.setWindowTitle(Caption);
  dialog.setFont(Font);
  if (Color.isValid()) {
    QPalette pal = dialog.palette();
    pal.setColor(QPalette::Window, Color);
    dialog.setPalette(pal);
  }
  auto* layout = new QVBoxLayout(&dialog);
  auto* header = new QLabel(Q(model.HeaderText()), &dialog);
  header->setAlignment(Qt::AlignCenter);
  layout->addWidget(header);
  if (!model.CaptureText().empty()) {
    auto* slow = new QLabel(Q(model.CaptureText()), &dialog);
    slow->setObjectName("captureRate");
    slow->setAlignment(Qt::AlignCenter);
    layout->addWidget(slow);
  }
  if (!model.FileTimesText().empty()) {
    auto* fileTimes = new QLabel(Q(model.FileTimesText()), &dialog);
    fileTimes->setObjectName("fileTimes");
    fileTimes->setWordWrap(true);
    layout->addWidget(fileTimes);
  }
  if (!model.WarningText().empty()) {
    auto* warning = new QLabel(Q(model.WarningText()), &dialog);
    warning->setObjectName("timingWarning");
    warning->setWordWrap(true);
    layout->addWidget(warning);
  }

  auto* group = new QGroupBox(Q(TDurationDialogModel::kGroupCaption), &dialog);
  auto* g = new QVBoxLayout(group);
  auto* byDefault = new QRadioButton(Q(model.DefaultCaption()), group);
  byDefault->setObjectName("default");
  auto* other = new QRadioButton(Q(TDurationDialogModel::kOtherCaption), group);
  other->setObjectName("other");
  auto* row = new QHBoxLayout;
  auto* edit = new DurationEdit(group);
  edit->setObjectName("value");
  edit->setMaxLength(TDurationDialogModel::kMaxLength);
  auto* unit = new QLabel(Q(TDurationDialogModel::kUnitLabel), group);
  auto* calc = new QToolButton(group);
  calc->setAutoRaise(true);
  calc->setText(QString::fromUtf8("\u2211"));
  calc->setToolTip(QStringLiteral("Calculatrice"));
  row->addWidget(edit);
  row->addWidget(unit);
  row->addWidget(calc);
  auto* byCapture = new QRadioButton(Q(TDurationDialogModel::kCaptureCaption), group);
  byCapture->setObjectName("capture");
  auto* captureRow = new QHBoxLayout;
  auto* captureEdit = new DurationEdit(group);
  captureEdit->setObjectName("captureValue");
  captureEdit->setMaxLength(TDurationDialogModel::kMaxLength);
  captureRow->addWidget(byCapture);
  captureRow->addWidget(captureEdit);
  captureRow->addWidget(new QLabel(Q(TDurationDialogModel::kCaptureUnit), group));
  g->addWidget(byDefault);
  g->addWidget(other);
  g->addLayout(row);
  g->addLayout(captureRow);
  layout->addWidget(group);

  auto* ok = new QPushButton(QStringLiteral("&Ok"), &dialog);
  ok->setObjectName("ok");
  ok->setFixedSize(75, 25);
  ok->setDefault(true);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  auto* status = new QLabel(Q(TDurationDialogModel::kStatus), &dialog);
  status->setFrameShape(QFrame::StyledPanel);
  layout->addWidget(status);

  bool updating = false;
  auto show = [&] {
    updating = true;
    byDefault->setChecked(model.DefaultSelected());
    byCapture->setChecked(model.CaptureSelected());
    other->setChecked(!model.DefaultSelected() && !model.CaptureSelected());
    if (edit->text() != Q(model.Text())) edit->setText(Q(model.Text()));
    if (captureEdit->text() != Q(model.CaptureRateText()))
      captureEdit->setText(Q(model.CaptureRateText()));
    updating = false;
  };
  show();
  QObject::connect(byDefault, &QRadioButton::clicked, &dialog, [&] {
    model.ClickDefault();
    show();
  });
  QObject::connect(other, &QRadioButton::clicked, &dialog, [&] {
    model.ClickOther();
    show();
    edit->setFocus();
    edit->selectAll();
  });
  QObject::connect(edit, &QLineEdit::textEdited, &dialog, [&](const QString& t) {
    if (updating) return;
    model.Typed(t.toStdString());
    show();
  });
  QObject::connect(byCapture, &QRadioButton::clicked, &dialog, [&] {
    model.ClickCapture();
    show();
    captureEdit->setFocus();
    captureEdit->selectAll();
  });
  QObject::connect(captureEdit, &QLineEdit::textEdited, &dialog, [&](const QString& t) {
    if (updating) return;
    model.TypedCapture(t.toStdString());
    show();
  });
  captureEdit->OnClicked = [&] {
    if (model.CaptureSelected()) return;
    model.ClickCapture();
    show();
    captureEdit->selectAll();
  };
  edit->OnClicked = [&] {
    model.ClickInEdit();
    const bool selectAll = model.SelectAllRequested();
    show();
    if (selectAll) edit->selectAll();
  };
  QObject::connect(calc, &QToolButton::clicked, &dialog, [this] {
    if (ShowCalculator) ShowCalculator();
  });
  QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
    if (edit->text() != Q(model.Text())) model.Typed(edit->text().toStdString());
    if (captureEdit->text() != Q(model.CaptureRateText()))
      model.TypedCapture(captureEdit->text().toStdString());
    if (model.TryClose(dlg_)) dialog.accept();
  });

  if (OnShown) QTimer::singleShot(0, &dialog, [&] { OnShown(&dialog); });
  const bool accepted = dialog.exec() == QDialog::Accepted;
  if (accepted) {
    result = model.Value();
    ChosenCaptureRate = model.CaptureRate();
  }
  return accepted;
}

}  // namespace kinevo::gui
