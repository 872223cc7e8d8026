#include "app/CSheetHtmlPage.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/qt/SettingsFlow.h"
#include "common/HtmlArea.h"
#include "common/Prompter.h"
#include "common/SettingsTable.h"
#include "common/qt/QtText.h"

namespace folidex {

CSheetHtmlPage::CSheetHtmlPage(Services& services, SheetValues& values, QWidget* parent)
    : QWidget(parent), services_(services), values_(values) {
  setObjectName(QStringLiteral("CSheetHtmlPage"));
  auto* layout = new QVBoxLayout(this);

  auto* homeLabel = new QLabel(QStringLiteral("1 ホーム："), this);
  layout->addWidget(homeLabel);
  home_ = new QLineEdit(ToQString(values_.home), this);
  homeLabel->setBuddy(home_);  // a screen reader names each field by its label
  home_->setObjectName(QStringLiteral("IDC_HOME"));
  home_->setReadOnly(true);
  home_->setMinimumWidth(360);
  layout->addWidget(home_);
  auto* homeButtons = new QHBoxLayout;
  auto* now = new QPushButton(QStringLiteral("現在表示しているページ(&N)"), this);
  now->setObjectName(QStringLiteral("IDC_HOME_NOW"));
  auto* blank = new QPushButton(QStringLiteral("空白を使用(&B)"), this);
  blank->setObjectName(QStringLiteral("IDC_HOME_BLANK"));
  auto* google = new QPushButton(QStringLiteral("Google(&G)"), this);
  google->setObjectName(QStringLiteral("IDC_HOME_GOOGLE"));
  homeButtons->addWidget(now);
  homeButtons->addWidget(blank);
  homeButtons->addWidget(google);
  homeButtons->addStretch(1);
  layout->addLayout(homeButtons);
  connect(now, &QPushButton::clicked, this, [this] {
    if (services_.html) SetHome(Utf8ToCp932(services_.html->GetLocationURL()));
  });
  connect(blank, &QPushButton::clicked, this, [this] { SetHome("about:blank"); });
  connect(google, &QPushButton::clicked, this, [this] { SetHome(kWebSearchBase); });
  layout->addSpacing(10);

  auto* lenRow = new QHBoxLayout;
  auto* lenLabel = new QLabel(QStringLiteral("2 ブックマークメニューの最大文字数："), this);
  lenRow->addWidget(lenLabel);
  menuLen_ = new QSpinBox(this);
  lenLabel->setBuddy(menuLen_);
  menuLen_->setObjectName(QStringLiteral("IDC_MENU_LEN"));
  // The field takes any number while typing; the value is kept within 20..200 when the focus
  // leaves it and at every spin step.
  menuLen_->setRange(0, 99999);
  menuLen_->setKeyboardTracking(false);
  menuLen_->setValue(static_cast<int>(values_.menuLen));
  lenRow->addWidget(menuLen_);
  lenRow->addWidget(new QLabel(QStringLiteral("( 20 ～ 200バイト )"), this));
  lenRow->addStretch(1);
  layout->addLayout(lenRow);
  connect(menuLen_, &QSpinBox::valueChanged, this, [this] { CommitMenuLen(); });
  connect(menuLen_, &QSpinBox::editingFinished, this, [this] { CommitMenuLen(); });
  layout->addSpacing(10);

  layout->addWidget(new QLabel(QStringLiteral("3 Word出力の方法："), this));
  auto* group = new QButtonGroup(this);
  show_ = new QRadioButton(QStringLiteral("Wordを起動して表示する(&D)"), this);
  show_->setObjectName(QStringLiteral("IDC_DSP_WORD_SHOW"));
  save_ = new QRadioButton(QStringLiteral("Word文書を下のフォルダに保存する(&F)"), this);
  save_->setObjectName(QStringLiteral("IDC_DSP_WORD_SAVE"));
  group->addButton(show_);
  group->addButton(save_);
  layout->addWidget(show_);
  layout->addWidget(save_);
  auto* folderRow = new QHBoxLayout;
  auto* folderLabel = new QLabel(QStringLiteral("保存場所："), this);
  folderRow->addWidget(folderLabel);
  folder_ = new QLineEdit(PathToQString(values_.wordStorePath), this);
  folderLabel->setBuddy(folder_);
  folder_->setObjectName(QStringLiteral("IDC_WORD_PATH"));
  folder_->setReadOnly(true);
  auto* browse = new QPushButton(QStringLiteral("参照(&S)"), this);
  browse->setObjectName(QStringLiteral("IDC_BROWSE_WORD"));
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse);
  layout->addLayout(folderRow);
  layout->addStretch(1);
  (values_.dspWord == 0 ? save_ : show_)->setChecked(true);

  connect(show_, &QRadioButton::clicked, this, [this] { values_.dspWord = 1; });
  connect(save_, &QRadioButton::clicked, this, [this] { OnSaveChosen(); });
  connect(browse, &QPushButton::clicked, this, [this] {
    QString chosen = BrowseForFolder(this, folder_->text());
    if (chosen.isEmpty()) return;
    values_.wordStorePath = ToNativePathText(chosen);
    folder_->setText(chosen);
    save_->setChecked(true);
    values_.dspWord = 0;
  });
  connect(folder_, &QLineEdit::textChanged, this, &CSheetHtmlPage::OnFolderTextChanged);
}

void CSheetHtmlPage::SetHome(const std::string& home) {
  values_.home = home;
  home_->setText(ToQString(home));
}

void CSheetHtmlPage::CommitMenuLen() {
  values_.menuLen = ClampMenuLen(menuLen_->value());
  if (menuLen_->value() != values_.menuLen) menuLen_->setValue(static_cast<int>(values_.menuLen));
}

void CSheetHtmlPage::OnSaveChosen() {
  if (!folder_->text().isEmpty()) {
    values_.dspWord = 0;
    return;
  }
  // Saving needs a folder: the choice is refused.
  values_.dspWord = 1;
  show_->setChecked(true);
  folder_->setFocus();
  services_.prompter.Error(Msg::FolderRequired);
}

void CSheetHtmlPage::OnFolderTextChanged(const QString& text) {
  const bool saving = save_->isChecked();
  if (saving && text.isEmpty()) {
    folder_->setFocus();
    services_.prompter.Error(Msg::FolderRequired);
    return;
  }
  if (saving && !IsAbsoluteFolderText(ToNativePathText(text))) {
    folder_->setFocus();
    services_.prompter.Error(Msg::FilePathRequired);
    return;
  }
  values_.wordStorePath = ToNativePathText(text);
}

}  // namespace folidex
