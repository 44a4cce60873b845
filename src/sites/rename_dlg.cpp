#include "sites/rename_dlg.h"

CRenameDlg::CRenameDlg(QWidget* parent)
    : CSingleNameDlg(
          QStringLiteral("Rename"),
          QStringLiteral("Enter the new name for the selected item below. If you do not want to rename "
                         "it, click Cancel."),
          QStringLiteral("New name:"), parent) {}
