#include "sites/rename_dialog.h"

RenameDialog::RenameDialog(QWidget* parent)
    : SingleNameDialog(
          QStringLiteral("Rename"),
          QStringLiteral("Enter the new name for the selected item below. If you do not want to rename "
                         "it, click Cancel."),
          QStringLiteral("New name:"), parent) {}
