#include "dialogs/CRenameDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/qt/QtText.h"
#include "list/ListCommands.h"

namespace folidex {

CRenameDlg::CRenameDlg(Store& store, Prompter& prompter, bool listMode, const std::string& label,
                       const std::string& name, QWidget* parent)
    : QDialog(parent), store_(store), prompter_(prompter), listMode_(listMode), name_(name) {
  setObjectName(QStringLiteral("CRenameDlg"));
  setWindowTitle(ToQString(label) + QString::fromUtf8("の変更"));
  label_ = new QLabel(ToQString(label), this);
  label_->setObjectName(QStringLiteral("IDC_STATIC_1007"));
  edit_ = new QLineEdit(ToQString(name), this);
  edit_->setObjectName(QStringLiteral("IDC_EDIT_1000"));
  edit_->setMinimumWidth(320);
  label_->setBuddy(edit_);  // a screen reader names the field by its label
  ok_ = new QPushButton(QString::fromUtf8("OK(&S)"), this);
  ok_->setObjectName(QStringLiteral("IDOK"));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CRenameDlg::OnOk);
  auto* cancel = new QPushButton(QString::fromUtf8("キャンセル(&C)"), this);
  cancel->setObjectName(QStringLiteral("IDCANCEL"));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* row = new QHBoxLayout;
  row->addWidget(label_);
  row->addWidget(edit_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addLayout(buttons);
}

void CRenameDlg::OnOk() {
  if (const QString bad = FirstCharWithoutCp932Form(edit_->text()); listMode_ && !bad.isEmpty()) {
    prompter_.Error(Msg::BadFileNameCharacter, CodePointText(bad) + "\n");  // never silently another name
    return;
  }
  std::string text = ToCp932(edit_->text());
  if (!AcceptRenameName(store_, prompter_, listMode_, name_, text)) return;
  name_ = text;
  accept();
}

}  // namespace folidex
