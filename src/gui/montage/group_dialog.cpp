#include "gui/montage/group_dialog.h"

#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kinevo::gui {

bool TBoiteBasculer::Execute(TGroupChoice& choice) {
  QDialog dialog(parent_, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setObjectName("TBoiteBasculer");
  dialog.setWindowTitle(QStringLiteral("Montage"));
  dialog.setFont(Font);
  auto* layout = new QVBoxLayout(&dialog);

  auto* action = new QGroupBox(&dialog);
  auto* a = new QVBoxLayout(action);
  auto* hide = new QRadioButton(QStringLiteral("Masquer les images"), action);
  hide->setObjectName("hide");
  auto* show = new QRadioButton(QStringLiteral("Afficher les images"), action);
  show->setObjectName("show");
  a->addWidget(hide);
  a->addWidget(show);
  (choice.hide ? hide : show)->setChecked(true);
  layout->addWidget(action);

  auto* which = new QGroupBox(&dialog);
  auto* w = new QVBoxLayout(which);
  auto* list = new QRadioButton(
      QString::fromUtf8("Saisir le numéro des images ou des groupes d'images séparés par des "
                        "points-virgules (exemple : 1-55 ; 58 ; 73-165) :"),
      which);
  list->setObjectName("list");
  auto* text = new QLineEdit(QString::fromStdString(choice.text), which);
  text->setObjectName("groups");
  auto* even =
      new QRadioButton(QStringLiteral("Toutes les images paires (2 ; 4 ; 6 ; ...)"), which);
  even->setObjectName("even");
  auto* odd =
      new QRadioButton(QStringLiteral("Toutes les images impaires (1 ; 3 ; 5 ; ...)"), which);
  odd->setObjectName("odd");
  w->addWidget(list);
  w->addWidget(text);
  w->addWidget(even);
  w->addWidget(odd);
  (choice.kind == gkEven ? even : choice.kind == gkOdd ? odd : list)->setChecked(true);
  QObject::connect(text, &QLineEdit::textEdited, &dialog, [list] { list->setChecked(true); });
  layout->addWidget(which);

  layout->addWidget(new QLabel(
      QString::fromUtf8("Les images masquées apparaissent en négatif dans le montage."), &dialog));
  layout->addWidget(new QLabel(
      QString::fromUtf8("Les marques posées sur les images masquées seront supprimées"), &dialog));
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole)->setObjectName("ok");
  buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole)
      ->setObjectName("cancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);

  if (OnShown) QTimer::singleShot(0, &dialog, [&] { OnShown(&dialog); });
  if (dialog.exec() != QDialog::Accepted) return false;
  choice.hide = hide->isChecked();
  choice.kind = even->isChecked() ? gkEven : odd->isChecked() ? gkOdd : gkList;
  choice.text = text->text().toStdString();
  return true;
}

}  // namespace kinevo::gui
