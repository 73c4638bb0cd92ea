#include "ui/catalogue/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vexilon {

TRadioGroup::TRadioGroup(const char* name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), FButtons(new QButtonGroup(this)) {
  setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(0);
  layout->setContentsMargins(8, 2, 8, 4);
  for (int i = 0; i < items.size(); ++i) {
    auto* radio = new QRadioButton(items[i], this);
    radio->setObjectName(objectName() + QStringLiteral("Item%1").arg(i));
    FButtons->addButton(radio, i);
    layout->addWidget(radio);
  }
}

int TRadioGroup::ItemIndex() const {
  return std::max(FButtons->checkedId(), 0);
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = FButtons->button(index)) button->setChecked(true);
}

}  // namespace vexilon
