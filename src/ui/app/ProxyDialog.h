#pragma once
#include <QDialog>

class QButtonGroup;
class QLineEdit;

namespace vexilon {

struct TSettings;

// "Proxy Server Settings": the proxy address and how requests are sent through it.
class TfrmProxy : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmProxy(QWidget* parent = nullptr);
  void LoadFromSettings(const TSettings& settings);
  // Takes the address as typed (not trimmed) and the chosen kind.
  void StoreToSettings(TSettings& settings) const;
  int ProxyTypeIndex() const;
  void SetProxyTypeIndex(int index);

 private:
  QLineEdit* edtProxyAddress;
  QButtonGroup* FProxyButtons;
};

// Shows the dialog for settings; on OK stores into them and answers true.
bool ExecuteProxyDialog(QWidget* parent, TSettings& settings);

}  // namespace vexilon
