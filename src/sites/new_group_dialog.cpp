#include "sites/new_group_dialog.h"

NewGroupDialog::NewGroupDialog(QWidget* parent)
    : SingleNameDialog(
          QStringLiteral("New Group"),
          QStringLiteral("Please enter the name of the new group below. Press cancel to exit without "
                         "creating a new group."),
          QStringLiteral("Group Name:"), parent) {}
