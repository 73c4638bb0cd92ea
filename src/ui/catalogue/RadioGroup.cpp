#include "ui/catalogue/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace vexilon {

TRadioGroup::TRadioGroup(const char* name, const QString& caption, const QStringList& items,
                         QWidget* parent, int columns)
    : QGroupBox(caption, parent), FButtons(new QButtonGroup(this)) {
  setObjectName(QString::fromLatin1(name));
  auto* layout = new QGridLayout(this);
  layout->setSpacing(0);
  layout->setHorizontalSpacing(12);
  layout->setContentsMargins(8, 2, 8, 4);
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], this);
    radio->setObjectName(objectName() + QStringLiteral("Item%1").arg(i));
    FButtons->addButton(radio, i);
    const int rows = (int(items.size()) + std::max(columns, 1) - 1) / std::max(columns, 1);
    layout->addWidget(radio, i % rows, i / rows);
  }
}

int TRadioGroup::ItemIndex() const {
  return std::max(FButtons->checkedId(), 0);
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = FButtons->button(index)) button->setChecked(true);
}

}  // namespace vexilon
