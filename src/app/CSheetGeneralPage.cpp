#include "app/CSheetGeneralPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt/SettingsFlow.h"
#include "app/qt/SheetOptions.h"
#include "common/ByteText.h"
#include "common/Messages.h"
#include "common/qt/QtText.h"
#include "import/Inbox.h"
#include "list/RecordRow.h"
#include "store/StoreLayout.h"
#include "store/Trash.h"

namespace folidex {

CSheetGeneralPage::CSheetGeneralPage(Services& services, SheetValues& values, QWidget* parent)
    : QWidget(parent), services_(services), values_(values) {
  setObjectName(QStringLiteral("CSheetGeneralPage"));
  auto* layout = new QVBoxLayout(this);

  auto* pathLabel = new QLabel(QStringLiteral("1 資料保存場所："), this);
  layout->addWidget(pathLabel);
  auto* row = new QHBoxLayout;
  auto* path = new QLineEdit(PathToQString(values_.storePath), this);
  pathLabel->setBuddy(path);  // a screen reader names the field by its label
  path->setObjectName(QStringLiteral("IDC_STORE_PATH"));
  path->setReadOnly(true);
  path->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("参照(&S)"), this);
  browse->setObjectName(QStringLiteral("IDC_BROWSE_STORE"));
  row->addWidget(path, 1);
  row->addWidget(browse);
  layout->addLayout(row);
  layout->addWidget(new QLabel(QStringLiteral("※ 資料保存場所に、DOCDATAフォルダが作成されます。"), this));
  layout->addSpacing(12);
  connect(browse, &QPushButton::clicked, this, [this, path] {
    QString chosen = BrowseForFolder(this, path->text());
    if (chosen.isEmpty()) return;
    values_.storePath = ToNativePathText(chosen);
    path->setText(chosen);
  });

  AddSheetOptions(
      this, layout, values_,
      {{"IDC_SET_LIST", "2 起動時に前回のリスト内容を再現する(&L)", &SheetValues::setList},
       {"IDC_COLUMN_MNT", "3 リストの列幅を自動調整する(&A)", &SheetValues::columnMnt},
       {"IDC_QUES", "4 PDFをドラッグ＆ドロップした時、「確認」を表示する(&Q)", &SheetValues::ques},
       {"IDC_OCR", "5 テキストを含まないPDFは文字認識(OCR)でテキストを取り出す(&R)", &SheetValues::ocr},
       {"IDC_AUTO_TITLE", "6 タイトルのないPDFは1ページ目の見出し（なければファイル名）をタイトルにする(&T)",
        &SheetValues::autoTitle},
       {"IDC_USE_INDEX", "検索用の索引を使う", &SheetValues::useIndex}});

  // Records deleted from the store wait in its trash until the user empties it (at once, not
  // with 保存して終了).
  layout->addSpacing(12);
  auto* trashRow = new QHBoxLayout;
  auto* trashLabel = new QLabel(QStringLiteral("7 ごみ箱（データベースから削除したデータ）："), this);
  trashSize_ = new QLabel(this);
  trashSize_->setObjectName(QStringLiteral("IDC_TRASH_SIZE"));
  emptyTrash_ = new QPushButton(QStringLiteral("ごみ箱を空にする(&E)"), this);
  emptyTrash_->setObjectName(QStringLiteral("IDC_EMPTY_TRASH"));
  trashLabel->setBuddy(emptyTrash_);
  trashRow->addWidget(trashLabel);
  trashRow->addWidget(trashSize_);
  trashRow->addWidget(emptyTrash_);
  trashRow->addStretch(1);
  layout->addLayout(trashRow);
  connect(emptyTrash_, &QPushButton::clicked, this, [this] {
    const std::string size = GroupDigits(std::to_string(TrashSize(services_.store)));
    std::string question = MessageText(Msg::TrashEmptyDesktopQuestion);
    question = ReplaceAllCp932(question, "%1", size);
    if (services_.prompter.Show(MessageKind::YesNoSafe, question) != Answer::Yes) return;
    int removed = 0;
    {
      WaitCursor wait(services_.progress);
      // A store that cannot be locked has said why already.
      const StoreWriteLock lock = services_.store.LockForWriting();
      if (lock && !EmptyTrash(services_.store, removed)) services_.prompter.Error(Msg::TrashEmptyFailed);
    }
    ShowTrashSize();
  });
  ShowTrashSize();
  layout->addSpacing(12);
  AddInboxGroup(layout);
  layout->addStretch(1);
}

void CSheetGeneralPage::AddInboxGroup(QVBoxLayout* layout) {
  // A folder whose PDFs are stored by themselves while the program runs (a scanner's folder).
  auto* group = new QGroupBox(QStringLiteral("受信フォルダ"), this);
  group->setObjectName(QStringLiteral("IDC_INBOX_GROUP"));
  auto* box = new QVBoxLayout(group);
  auto* on = new QCheckBox(QStringLiteral("受信フォルダに置かれたPDFを自動的に登録する(&I)"), group);
  on->setObjectName(QStringLiteral("IDC_INBOX_ON"));
  on->setChecked(values_.inboxOn == 1);
  box->addWidget(on);
  auto* row = new QHBoxLayout;
  auto* path = new QLineEdit(PathToQString(values_.inbox), group);
  path->setObjectName(QStringLiteral("IDC_INBOX_PATH"));
  path->setReadOnly(true);
  path->setAccessibleName(QStringLiteral("受信フォルダ"));
  auto* browse = new QPushButton(QStringLiteral("参照(&F)"), group);
  browse->setObjectName(QStringLiteral("IDC_BROWSE_INBOX"));
  row->addWidget(path, 1);
  row->addWidget(browse);
  box->addLayout(row);
  auto* keep = new QRadioButton(QStringLiteral("登録したPDFはそのまま置いておく(&P)"), group);
  keep->setObjectName(QStringLiteral("IDC_INBOX_KEEP"));
  auto* move = new QRadioButton(QStringLiteral("登録したPDFは「登録済み」フォルダに移動する(&M)"), group);
  move->setObjectName(QStringLiteral("IDC_INBOX_MOVE"));
  (values_.inboxDone == 0 ? keep : move)->setChecked(true);
  auto* choice = new QButtonGroup(group);
  choice->addButton(keep, 0);
  choice->addButton(move, 1);
  box->addWidget(keep);
  box->addWidget(move);
  box->addWidget(new QLabel(
      QStringLiteral("登録できないPDFは「エラー」フォルダに、理由のテキストファイルと一緒に移動します。"), group));
  auto* logLabel = new QLabel(QStringLiteral("最近の受信(&G)："), group);
  auto* log = new QPlainTextEdit(group);
  log->setObjectName(QStringLiteral("IDC_INBOX_LOG"));
  log->setReadOnly(true);
  log->setLineWrapMode(QPlainTextEdit::NoWrap);
  log->setMaximumHeight(110);
  logLabel->setBuddy(log);
  box->addWidget(logLabel);
  box->addWidget(log);
  const std::string root = services_.store.StoreRoot();
  if (!root.empty()) {
    const std::string logPath = root + "/" + std::string(layout::kLog) + "/" + std::string(layout::kInboxLog);
    QStringList lines;
    for (const std::string& line : RecentLogLines(logPath, 50)) lines << QString::fromUtf8(line.c_str());
    log->setPlainText(lines.join(QLatin1Char('\n')));
    log->moveCursor(QTextCursor::End);
  }
  layout->addWidget(group);

  connect(on, &QCheckBox::toggled, this, [this](bool checked) { values_.inboxOn = checked ? 1 : 0; });
  connect(choice, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) values_.inboxDone = id;
  });
  connect(browse, &QPushButton::clicked, this, [this, path] {
    QString chosen = BrowseForFolder(this, path->text());
    if (chosen.isEmpty()) return;
    values_.inbox = ToNativePathText(chosen);
    path->setText(chosen);
  });
}

void CSheetGeneralPage::ShowTrashSize() {
  const bool store = !services_.store.StoreRoot().empty();
  const std::uint64_t bytes = store ? TrashSize(services_.store) : 0;
  trashSize_->setText(QString::fromStdString(GroupDigits(std::to_string(bytes))) + QStringLiteral(" バイト"));
  emptyTrash_->setEnabled(bytes > 0);
}

}  // namespace folidex
