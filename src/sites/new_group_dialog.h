#pragma once

#include "sites/single_name_dialog.h"

// "New Group": the name of a group to create.
class NewGroupDialog : public SingleNameDialog {
    Q_OBJECT

public:
    explicit NewGroupDialog(QWidget* parent = nullptr);
};
