#include "ui/app/DesktopList.h"

#include <algorithm>

#include "ui/app/MainWindow.h"

namespace vexilon {

namespace {

std::vector<TDesktopEntry>& List() {
  static std::vector<TDesktopEntry> list;
  return list;
}

bool Listed(const QString& name) {
  return std::any_of(List().begin(), List().end(),
                     [&](const TDesktopEntry& entry) { return entry.Name == name; });
}

}  // namespace

const std::vector<TDesktopEntry>& DesktopList() {
  return List();
}

void AddToDesktopList(const QString& name, TfrmVexilon* window) {
  RemoveFromDesktopList(window);
  List().push_back({name, window});
}

void RemoveFromDesktopList(const TfrmVexilon* window) {
  std::erase_if(List(),
                [window](const TDesktopEntry& entry) { return entry.Window.data() == window; });
}

QString DesktopName(const TfrmVexilon* window) {
  for (const TDesktopEntry& entry : List()) {
    if (entry.Window.data() == window) return entry.Name;
  }
  return QString();
}

QString NextDesktopName() {
  // Every number up to the list's length plus two cannot all be taken.
  for (int n = 2;; ++n) {
    const QString name = QStringLiteral("Desktop %1").arg(n);
    if (!Listed(name)) return name;
  }
}

}  // namespace vexilon
