#pragma once
#include <QPointer>
#include <QString>
#include <vector>

namespace vexilon {

class TfrmVexilon;

// An open desktop window under its name: "Primary" for the first, "Desktop 2", "Desktop 3", …
// for those made with Create New.
struct TDesktopEntry {
  QString Name;
  QPointer<TfrmVexilon> Window;
};

// The desktop windows of the process in the order they were listed.
const std::vector<TDesktopEntry>& DesktopList();
void AddToDesktopList(const QString& name, TfrmVexilon* window);
// Forgets window; nothing happens when it is not listed.
void RemoveFromDesktopList(const TfrmVexilon* window);
// window's name in the list, or an empty string.
QString DesktopName(const TfrmVexilon* window);
// "Desktop " and the smallest number from 2 up that no listed window is named with.
QString NextDesktopName();

}  // namespace vexilon
