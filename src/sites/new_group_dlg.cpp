#include "sites/new_group_dlg.h"

CNewGroupDlg::CNewGroupDlg(QWidget* parent)
    : CSingleNameDlg(
          QStringLiteral("New Group"),
          QStringLiteral("Please enter the name of the new group below. Press cancel to exit without "
                         "creating a new group."),
          QStringLiteral("Group Name:"), parent) {}
