#pragma once

#include "sites/single_name_dlg.h"

// "New Group": the name of a group to create.
class CNewGroupDlg : public CSingleNameDlg {
    Q_OBJECT

public:
    explicit CNewGroupDlg(QWidget* parent = nullptr);
};
