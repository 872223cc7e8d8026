#include "import/CQuesDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/qt/Modal.h"
#include "import/Import.h"

namespace folidex {

CQuesDlg::CQuesDlg(Settings& settings, QWidget* owner) : QDialog(owner), settings_(settings) {
  setObjectName(QStringLiteral("CQuesDlg"));
  setWindowTitle(QStringLiteral("確認"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  auto* question = new QLabel(QStringLiteral("このPDFをデータベース内にコピーしますか"), this);
  QFont bold = question->font();
  bold.setBold(true);
  question->setFont(bold);
  auto* outside = new QLabel(QStringLiteral("外部リンクとする　-　「いいえ」"), this);
  auto* cancel = new QLabel(QStringLiteral("中止　-　「キャンセル」"), this);
  auto* texts = new QVBoxLayout;
  texts->addWidget(question);
  texts->addSpacing(6);
  texts->addWidget(outside);
  texts->addWidget(cancel);
  auto* head = new QHBoxLayout;
  head->addWidget(icon, 0, Qt::AlignTop);
  head->addLayout(texts, 1);

  dontAsk_ = new QCheckBox(QStringLiteral("この「確認」を以後表示せず、「はい」「いいえ」の設定を適用する。"), this);
  dontAsk_->setObjectName(QStringLiteral("IDC_CHECK1"));
  auto* note = new QLabel(QStringLiteral("※ 「表示する」に戻したい場合は、「環境設定」で設定できます。"), this);

  auto* yes =
      new QPushButton(QIcon::fromTheme(QStringLiteral("dialog-ok"), style()->standardIcon(QStyle::SP_DialogYesButton)),
                      QStringLiteral("はい(&Y)"), this);
  yes->setObjectName(QStringLiteral("IDYES"));
  yes->setDefault(true);
  auto* no = new QPushButton(QStringLiteral("いいえ(&N)"), this);
  no->setObjectName(QStringLiteral("IDNO"));
  auto* stop =
      new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("キャンセル(&C)"), this);
  stop->setObjectName(QStringLiteral("IDCANCEL"));
  connect(yes, &QPushButton::clicked, this, [this] { Choose(Answer::Yes); });
  connect(no, &QPushButton::clicked, this, [this] { Choose(Answer::No); });
  connect(stop, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(yes);
  buttons->addWidget(no);
  buttons->addWidget(stop);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addSpacing(8);
  layout->addWidget(dontAsk_);
  layout->addWidget(note);
  layout->addSpacing(6);
  layout->addLayout(buttons);
}

void CQuesDlg::Choose(Answer answer) {
  choice_ = answer;
  ApplyLinkAnswer(answer, dontAsk_->isChecked(), settings_);
  accept();
}

Answer CQuesDlg::Ask(Settings& settings, QWidget* owner) {
  CQuesDlg dialog(settings, owner);
  if (Modal::Run(dialog) != QDialog::Accepted) return Answer::Cancel;
  return dialog.Choice();
}

}  // namespace folidex
