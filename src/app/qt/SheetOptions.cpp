#include "app/qt/SheetOptions.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace folidex {

void AddSheetOptions(QWidget* page, QVBoxLayout* layout, SheetValues& values,
                     std::initializer_list<SheetOption> options) {
  for (const SheetOption& option : options) {
    auto* box = new QCheckBox(QString::fromUtf8(option.label), page);
    box->setObjectName(QString::fromLatin1(option.id));
    box->setChecked(values.*option.value != 0);
    long SheetValues::*member = option.value;
    SheetValues* target = &values;
    QObject::connect(box, &QCheckBox::clicked, page, [target, member](bool on) { target->*member = on ? 1 : 0; });
    layout->addWidget(box);
  }
}

}  // namespace folidex
