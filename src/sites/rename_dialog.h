#pragma once

#include "sites/single_name_dialog.h"

// "Rename": the new name of the selected item; the caller puts the old one in.
class RenameDialog : public SingleNameDialog {
    Q_OBJECT

public:
    explicit RenameDialog(QWidget* parent = nullptr);
};
