#include "html/CBmDlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "common/qt/QtText.h"
#include "html/Bookmarks.h"

namespace folidex {
namespace {

QIcon ButtonIcon(const QWidget* widget, const char* themeName, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(themeName), widget->style()->standardIcon(fallback));
}

}  // namespace

CBmDlg::CBmDlg(Settings& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
  setObjectName(QStringLiteral("CBmDlg"));
  setWindowTitle(QStringLiteral("ブックマークの編集"));

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  auto* nameCaption = new QLabel(QStringLiteral("名前 :"), this);
  auto* urlCaption = new QLabel(QStringLiteral("URL :"), this);
  grid->addWidget(nameCaption, 0, 1);
  grid->addWidget(urlCaption, 0, 2);

  for (int row = 0; row < kRows; ++row) {
    const int k = row + 1;
    const QString label = k < 10 ? QStringLiteral("%1 :").arg(k) : QStringLiteral("%1:").arg(k);
    grid->addWidget(new QLabel(label, this), k, 0);
    names_[row] = new QLineEdit(this);
    names_[row]->setObjectName(QString::number(4699 + k));
    names_[row]->setMinimumWidth(220);
    names_[row]->setAccessibleName(QStringLiteral("名前 %1").arg(k));
    urls_[row] = new QLineEdit(this);
    urls_[row]->setObjectName(QString::number(4799 + k));
    urls_[row]->setReadOnly(true);
    urls_[row]->setMinimumWidth(380);
    urls_[row]->setAccessibleName(QStringLiteral("URL %1").arg(k));
    deletes_[row] = new QPushButton(QStringLiteral("削除"), this);
    deletes_[row]->setObjectName(QString::number(4899 + k));
    deletes_[row]->setAccessibleName(QStringLiteral("削除 %1").arg(k));
    deletes_[row]->setAutoDefault(false);
    connect(deletes_[row], &QPushButton::clicked, this, [this, row] { OnDelete(row); });
    grid->addWidget(names_[row], k, 1);
    grid->addWidget(urls_[row], k, 2);
    grid->addWidget(deletes_[row], k, 3);
  }
  LoadRows();
  grid->setColumnStretch(2, 1);

  auto* footnote = new QLabel(
      QStringLiteral(
          "※ 「名前」を空欄にしても削除することはできません。削除する場合は、その行の「削除」を押すか、"
          "ブックマークメニュー項目をCtrlキーを押しながらクリックするか、右クリックして「削除」を選んでください。"),
      this);
  footnote->setObjectName(QStringLiteral("Footnote"));
  footnote->setWordWrap(true);

  auto* save = new QPushButton(ButtonIcon(this, "document-save", QStyle::SP_DialogSaveButton),
                               QStringLiteral("保存して終了(&S)"), this);
  save->setObjectName(QStringLiteral("IDOK"));
  save->setDefault(true);
  auto* cancel = new QPushButton(ButtonIcon(this, "process-stop", QStyle::SP_DialogCancelButton),
                                 QStringLiteral("中止(&C)"), this);
  cancel->setObjectName(QStringLiteral("IDCANCEL"));
  connect(save, &QPushButton::clicked, this, &CBmDlg::OnSave);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(footnote);
  layout->addLayout(buttons);
}

void CBmDlg::LoadRows() {
  const std::vector<Bookmark> bookmarks = LoadBookmarks(settings_);
  loaded_ = static_cast<int>(bookmarks.size());
  for (int row = 0; row < kRows; ++row) {
    const bool used = row < loaded_;
    names_[row]->setText(used ? ToQString(bookmarks[row].name) : QString());
    urls_[row]->setText(used ? ToQString(bookmarks[row].url) : QString());
    urls_[row]->setCursorPosition(0);
    names_[row]->setEnabled(used);
    deletes_[row]->setEnabled(used);
  }
}

void CBmDlg::OnDelete(int row) {
  if (row >= loaded_) return;
  // Deleting changes the stored slots at once; the rows show them again (a name typed but not
  // saved yet goes with that).
  if (DeleteBookmark(settings_, prompter_, row)) LoadRows();
}

void CBmDlg::OnSave() {
  std::vector<std::string> names;
  for (int row = 0; row < loaded_; ++row) names.push_back(names_[row]->text().toStdString());
  const int refused = SaveBookmarkNames(settings_, prompter_, names);
  if (refused >= 0) {
    names_[refused]->setFocus();
    names_[refused]->selectAll();
    return;
  }
  accept();
}

void CBmDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (centred_) return;
  centred_ = true;
  // On the desktop, not over the window that opened it.
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  move(frame.topLeft());
}

}  // namespace folidex
