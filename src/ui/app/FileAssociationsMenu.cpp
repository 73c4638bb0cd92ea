// Options -> File Associations: tying the viewer's kinds of file to it on the desktop.
#include <QCoreApplication>
#include <QMenu>
#include <exception>

#include "core/associations/FileAssociations.h"
#include "core/associations/XdgFileTypes.h"
#include "ui/app/Dialogs.h"
#include "ui/app/FileTypeRegistry.h"
#include "ui/app/MainWindow.h"

namespace vexilon {
namespace {

TFileTypeRegistry* gRegistry = nullptr;

const char* const kItemNames[] = {"vxc1", "vxd1", "vxp1", "vmc1", "vxf1"};

// The desktop's registry, read afresh each time: another program may have changed it.
template <typename F>
void WithRegistry(F work) {
  if (gRegistry != nullptr) {
    work(*gRegistry);
    return;
  }
  TXdgFileTypes desktop(TXdgFileTypes::UserFolders());
  work(desktop);
}

std::string OwnExecutable() {
  return QCoreApplication::applicationFilePath().toLocal8Bit().toStdString();
}

}  // namespace

void SetFileTypeRegistry(TFileTypeRegistry* registry) {
  gRegistry = registry;
}

void TfrmVexilon::FileAssociations1Click() {
  WithRegistry([this](TFileTypeRegistry& registry) {
    const std::array<bool, 5> marks = AssociationMarks(registry);
    for (std::size_t i = 0; i < marks.size(); ++i)
      findChild<QAction*>(QString::fromLatin1(kItemNames[i]))->setChecked(marks[i]);
  });
}

void TfrmVexilon::FileAssociationClick(int index) {
  WithRegistry([this, index](TFileTypeRegistry& registry) {
    try {
      ToggleAssociation(
          registry, std::size_t(index), OwnExecutable(), [this](const std::string& question) {
            return TDialogs::Confirm(this, QString::fromLocal8Bit(question),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
          });
    } catch (const std::exception& e) {
      TDialogs::Error(this, QStringLiteral("The file association could not be changed: ") +
                                QString::fromLocal8Bit(e.what()));
    }
  });
  FileAssociations1Click();  // the mark shows what the desktop now says
}

}  // namespace vexilon
