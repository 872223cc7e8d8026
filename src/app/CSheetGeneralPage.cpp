#include "app/CSheetGeneralPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt/SettingsFlow.h"
#include "app/qt/SheetOptions.h"
#include "common/qt/QtText.h"

namespace folidex {

CSheetGeneralPage::CSheetGeneralPage(SheetValues& values, QWidget* parent) : QWidget(parent), values_(values) {
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
        &SheetValues::autoTitle}});
  layout->addStretch(1);
}

}  // namespace folidex
