#include "app/CMainSheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/CSheetGeneralPage.h"
#include "app/CSheetHtmlPage.h"
#include "app/CSheetSearchPage.h"

namespace folidex {

CMainSheet::CMainSheet(Services& services, const SheetValues& values, QWidget* owner)
    : QDialog(owner), values_(values), pages_(new QTabWidget(this)) {
  setObjectName(QStringLiteral("CMainSheet"));
  setWindowTitle(QStringLiteral("環境設定"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  pages_->setObjectName(QStringLiteral("SheetPages"));
  pages_->addTab(new CSheetGeneralPage(services, values_, this), QStringLiteral("全般"));
  pages_->addTab(new CSheetHtmlPage(services, values_, this), QStringLiteral("HTMLエリア"));
  pages_->addTab(new CSheetSearchPage(values_, this), QStringLiteral("検索"));

  auto* save = new QPushButton(QStringLiteral("保存して終了(&H)"), this);
  save->setObjectName(QStringLiteral("IDOK"));
  save->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("中止(&C)"), this);
  cancel->setObjectName(QStringLiteral("IDCANCEL"));
  connect(save, &QPushButton::clicked, this, [this] {
    // A field still being edited gives up its value first.
    if (QWidget* focus = focusWidget()) focus->clearFocus();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);
}

void CMainSheet::SetStartPage(int page) { pages_->setCurrentIndex(page); }

int CMainSheet::CurrentPage() const { return pages_->currentIndex(); }

}  // namespace folidex
