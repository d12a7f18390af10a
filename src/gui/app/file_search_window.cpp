#include "gui/app/file_search_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <chrono>
#include <memory>
#include <utility>

#include "core/app/file_workflow.h"

namespace kinevo::gui {

namespace fs = std::filesystem;

namespace {

// How often the worker hands its findings and its current folder over.
constexpr auto kDeliveryPeriod = std::chrono::milliseconds(100);
constexpr int kBatchSize = 256;

QString FromPath(const fs::path& p) { return QFile::decodeName(QByteArray(p.c_str())); }

QString Plural(qulonglong n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n > 1 ? many : one);
}

}  // namespace

TFileSearchWindow::TFileSearchWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FileSearchWindow"));
  setWindowTitle(QStringLiteral("Rechercher un fichier"));

  folder_ = new QLineEdit(QDir::toNativeSeparators(QDir::homePath()), this);
  folder_->setObjectName(QStringLiteral("folder"));
  browse_ = new QPushButton(QStringLiteral("Parcourir..."), this);
  browse_->setObjectName(QStringLiteral("browse"));
  browse_->setAutoDefault(false);
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setPlaceholderText(QStringLiteral("tout ou partie du nom"));
  filter_ = new QComboBox(this);
  filter_->setObjectName(QStringLiteral("filter"));

  search_ = new QPushButton(QStringLiteral("Rechercher"), this);
  search_->setObjectName(QStringLiteral("search"));
  search_->setDefault(true);
  stop_ = new QPushButton(QStringLiteral("Arrêter"), this);
  stop_->setObjectName(QStringLiteral("stop"));
  stop_->setAutoDefault(false);

  results_ = new QTreeWidget(this);
  results_->setObjectName(QStringLiteral("results"));
  results_->setHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Dossier")});
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setAlternatingRowColors(true);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  results_->header()->setStretchLastSection(true);
  results_->setColumnWidth(0, 200);
  results_->installEventFilter(this);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setTextFormat(Qt::PlainText);

  open_ = new QPushButton(QStringLiteral("Ouvrir"), this);
  open_->setObjectName(QStringLiteral("open"));
  open_->setAutoDefault(false);
  close_ = new QPushButton(QStringLiteral("Fermer"), this);
  close_->setObjectName(QStringLiteral("close"));
  close_->setAutoDefault(false);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("Rechercher dans :"), this), 0, 0);
  fields->addWidget(folder_, 0, 1);
  fields->addWidget(browse_, 0, 2);
  fields->addWidget(new QLabel(QStringLiteral("Nom contenant :"), this), 1, 0);
  fields->addWidget(name_, 1, 1);
  fields->addWidget(search_, 1, 2);
  fields->addWidget(new QLabel(QStringLiteral("Type de fichier :"), this), 2, 0);
  fields->addWidget(filter_, 2, 1);
  fields->addWidget(stop_, 2, 2);
  fields->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(open_);
  buttons->addWidget(close_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(results_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);

  ChooseFolder = [](QWidget* p, const QString& current) {
    return QFileDialog::getExistingDirectory(p, QStringLiteral("Choisir le dossier de recherche"),
                                             current);
  };

  connect(search_, &QPushButton::clicked, this, &TFileSearchWindow::StartSearch);
  connect(stop_, &QPushButton::clicked, this, &TFileSearchWindow::StopSearch);
  connect(open_, &QPushButton::clicked, this, &TFileSearchWindow::OpenSelected);
  connect(close_, &QPushButton::clicked, this, &TFileSearchWindow::reject);
  connect(browse_, &QPushButton::clicked, this, &TFileSearchWindow::Browse);
  connect(results_, &QTreeWidget::itemDoubleClicked, this, &TFileSearchWindow::OpenSelected);
  connect(results_, &QTreeWidget::itemSelectionChanged, this, &TFileSearchWindow::UpdateButtons);
  connect(this, &TFileSearchWindow::workerFound, this, &TFileSearchWindow::OnFound,
          Qt::QueuedConnection);
  connect(this, &TFileSearchWindow::workerProgress, this, &TFileSearchWindow::OnProgress,
          Qt::QueuedConnection);
  connect(this, &TFileSearchWindow::workerFinished, this, &TFileSearchWindow::OnFinished,
          Qt::QueuedConnection);

  SetFilter(QString::fromStdString(OpenFilter()));
  resize(580, 420);
  UpdateButtons();
}

TFileSearchWindow::~TFileSearchWindow() {
  // The worker emits on this object: it must be gone before the members are.
  worker_.Cancel();
  worker_.Wait();
}

void TFileSearchWindow::SetFilter(const QString& filter, int index) {
  entries_ = ParseFileFilter(filter.toStdString());
  filter_->clear();
  for (const TFileFilterEntry& e : entries_) filter_->addItem(QString::fromStdString(e.caption));
  if (index >= 1 && index <= filter_->count()) filter_->setCurrentIndex(index - 1);
}

void TFileSearchWindow::SetFolder(const QString& folder) {
  folder_->setText(QDir::toNativeSeparators(folder));
}

QString TFileSearchWindow::Folder() const { return folder_->text(); }

void TFileSearchWindow::SetNameFragment(const QString& fragment) { name_->setText(fragment); }

int TFileSearchWindow::FoundCount() const { return results_->topLevelItemCount(); }

QString TFileSearchWindow::SelectedFile() const {
  const QList<QTreeWidgetItem*> items = results_->selectedItems();
  return items.isEmpty() ? QString() : items.front()->data(0, Qt::UserRole).toString();
}

void TFileSearchWindow::StartSearch() {
  if (searching_) return;
  QString folder = folder_->text().trimmed();
  if (folder == QStringLiteral("~") || folder.startsWith(QStringLiteral("~/")))
    folder = QDir::homePath() + folder.mid(1);
  if (folder.isEmpty()) {
    ShowStatus(QStringLiteral("Indiquer le dossier dans lequel rechercher."));
    return;
  }
  folder = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  if (!QFileInfo(folder).isDir()) {
    ShowStatus(
        QStringLiteral("Le dossier « %1 » est introuvable.").arg(QDir::toNativeSeparators(folder)));
    return;
  }

  TFileSearchOptions options;
  options.folder = fs::path(QFile::encodeName(folder).toStdString());
  int entry = filter_->currentIndex();
  if (entry >= 0 && entry < static_cast<int>(entries_.size()))
    options.patterns = entries_[entry].patterns;
  options.nameFragment = name_->text().toStdString();
  options.maxResults = maxResults_ > 0 ? static_cast<std::size_t>(maxResults_) : 0;

  // The previous worker has ended (its end was received); join it before its
  // callbacks are replaced.
  worker_.Wait();
  const quint64 run = ++run_;
  // Worker-side state: touched only by the worker thread.
  struct Delivery {
    QStringList found;
    std::chrono::steady_clock::time_point lastFound, lastProgress;
  };
  auto d = std::make_shared<Delivery>();
  auto flush = [this, run, d] {
    if (!d->found.isEmpty()) emit workerFound(run, std::exchange(d->found, {}));
    d->lastFound = std::chrono::steady_clock::now();
  };
  worker_.OnFound = [d, flush](const fs::path& file) {
    d->found << FromPath(file);
    if (d->found.size() >= kBatchSize ||
        std::chrono::steady_clock::now() - d->lastFound >= kDeliveryPeriod)
      flush();
  };
  worker_.OnProgress = [this, run, d, flush](const fs::path& f, std::size_t visited) {
    auto now = std::chrono::steady_clock::now();
    if (visited > 1 && now - d->lastProgress < kDeliveryPeriod) return;
    d->lastProgress = now;
    flush();
    emit workerProgress(run, FromPath(f), visited);
  };
  worker_.OnFinished = [this, run, flush](const TFileSearchStats& s) {
    flush();
    emit workerFinished(run, s.end, s.foldersVisited, s.foldersSkipped);
  };

  results_->clear();
  searchedFolder_ = QDir::toNativeSeparators(folder);
  searching_ = true;
  ShowStatus(QStringLiteral("Recherche dans : %1").arg(searchedFolder_));
  UpdateButtons();
  if (!worker_.Start(std::move(options))) {
    // Cannot happen after Wait; keep the window usable all the same.
    searching_ = false;
    UpdateButtons();
  }
}

void TFileSearchWindow::StopSearch() {
  // The end arrives through workerFinished, promptly.
  if (searching_) worker_.Cancel();
}

void TFileSearchWindow::OpenSelected() {
  QString path = SelectedFile();
  if (path.isEmpty()) return;
  StopSearch();
  emit fileChosen(path);
  accept();
}

void TFileSearchWindow::reject() {
  StopSearch();
  QDialog::reject();
}

void TFileSearchWindow::closeEvent(QCloseEvent* event) {
  StopSearch();
  QDialog::closeEvent(event);
}

void TFileSearchWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ShowStatus(statusText_);
}

bool TFileSearchWindow::eventFilter(QObject* watched, QEvent* event) {
  // Enter on the list opens the file rather than starting a new search.
  if (watched == results_ && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !SelectedFile().isEmpty()) {
      OpenSelected();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFileSearchWindow::OnFound(quint64 run, const QStringList& paths) {
  if (run != run_) return;
  QList<QTreeWidgetItem*> items;
  items.reserve(paths.size());
  for (const QString& path : paths) {
    QFileInfo info(path);
    auto* item = new QTreeWidgetItem({info.fileName(), QDir::toNativeSeparators(info.path())});
    item->setData(0, Qt::UserRole, path);
    item->setToolTip(0, QDir::toNativeSeparators(path));
    item->setToolTip(1, QDir::toNativeSeparators(info.path()));
    items << item;
  }
  results_->addTopLevelItems(items);
  if (searching_) ShowStatus(CountText());
}

void TFileSearchWindow::OnProgress(quint64 run, const QString& folder, qulonglong) {
  if (run != run_ || !searching_) return;
  searchedFolder_ = QDir::toNativeSeparators(folder);
  ShowStatus(CountText());
}

void TFileSearchWindow::OnFinished(quint64 run, int end, qulonglong visited, qulonglong skipped) {
  if (run != run_) return;
  searching_ = false;
  QString found = CountText();
  QString text;
  switch (end) {
    case seCompleted:
      text = QStringLiteral("Recherche terminée : %1 dans %2.")
                 .arg(found, Plural(visited, "dossier", "dossiers"));
      if (skipped > 0)
        text += QStringLiteral(" %1 : accès refusé.").arg(Plural(skipped, "dossier", "dossiers"));
      break;
    case seCancelled:
      text = QStringLiteral("Recherche arrêtée : %1.").arg(found);
      break;
    case seLimit:
      text = QStringLiteral("Recherche arrêtée : %1, nombre maximal atteint.").arg(found);
      break;
    default:
      text = QStringLiteral("Le dossier « %1 » est introuvable.").arg(searchedFolder_);
      break;
  }
  ShowStatus(text);
  UpdateButtons();
  emit searchFinished();
}

void TFileSearchWindow::Browse() {
  if (!ChooseFolder) return;
  QString chosen = ChooseFolder(this, folder_->text());
  if (!chosen.isEmpty()) SetFolder(chosen);
}

void TFileSearchWindow::UpdateButtons() {
  search_->setEnabled(!searching_);
  stop_->setEnabled(searching_);
  folder_->setEnabled(!searching_);
  browse_->setEnabled(!searching_);
  name_->setEnabled(!searching_);
  filter_->setEnabled(!searching_);
  open_->setEnabled(!SelectedFile().isEmpty());
}

QString TFileSearchWindow::CountText() const {
  int n = FoundCount();
  QString count = n == 0 ? QStringLiteral("aucun fichier trouvé")
                         : Plural(n, "fichier trouvé", "fichiers trouvés");
  if (!searching_) return count;
  return QStringLiteral("%1 - recherche dans : %2").arg(count, searchedFolder_);
}

void TFileSearchWindow::ShowStatus(const QString& text) {
  statusText_ = text;
  status_->setToolTip(text);
  int width = status_->contentsRect().width() - 2 * status_->margin() - 4;
  if (width > 40)
    status_->setText(status_->fontMetrics().elidedText(text, Qt::ElideMiddle, width));
  else
    status_->setText(text);
}

}  // namespace kinevo::gui
