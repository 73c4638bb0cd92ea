#pragma once
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace vexilon {

// A framed set of exclusive choices read and set by position, as the editors store a choice
// as an index into a flag field. The radios are named <objectName>Item<k>.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  // The items fill columns column by column, top to bottom.
  TRadioGroup(const char* name, const QString& caption, const QStringList& items,
              QWidget* parent = nullptr, int columns = 1);
  // The chosen position; 0 when none is chosen.
  int ItemIndex() const;
  void SetItemIndex(int index);

 private:
  QButtonGroup* FButtons;
};

}  // namespace vexilon
