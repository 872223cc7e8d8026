#include "app/CSheetSearchPage.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/qt/SheetOptions.h"

namespace folidex {

CSheetSearchPage::CSheetSearchPage(SheetValues& values, QWidget* parent) : QWidget(parent), values_(values) {
  setObjectName(QStringLiteral("CSheetSearchPage"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("1 最大ヒット数："), this));
  auto* radios = new QHBoxLayout;
  auto* group = new QButtonGroup(this);
  struct Limit {
    const char* id;
    const char* label;
    long value;
  };
  // A stored value other than 1000 or 3000 shows the first button but stays as it is until a
  // button is clicked.
  const long stored = values_.hitMax;
  for (const Limit& limit : {Limit{"IDC_HIT_500", "500件  (&1)", 500}, Limit{"IDC_HIT_1000", "1,000件  (&2)", 1000},
                             Limit{"IDC_HIT_3000", "3,000件  (&3)", 3000}}) {
    auto* radio = new QRadioButton(QString::fromUtf8(limit.label), this);
    radio->setObjectName(QString::fromLatin1(limit.id));
    group->addButton(radio);
    radios->addWidget(radio);
    const bool selected = limit.value == 500 ? (stored != 1000 && stored != 3000) : stored == limit.value;
    radio->setChecked(selected);
    const long value = limit.value;
    connect(radio, &QRadioButton::clicked, this, [this, value] { values_.hitMax = value; });
  }
  radios->addStretch(1);
  layout->addLayout(radios);
  layout->addSpacing(12);

  AddSheetOptions(this, layout, values_,
                  {{"IDC_FUKUGEN", "2 起動時に前回の検索条件をセットする(&Z)", &SheetValues::fukugen},
                   {"IDC_KAKUNIN", "3 検索開始前に検索条件を確認する(&K)", &SheetValues::kakunin}});
  layout->addStretch(1);
}

}  // namespace folidex
