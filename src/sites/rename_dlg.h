#pragma once

#include "sites/single_name_dlg.h"

// "Rename": the new name of the selected item; the caller puts the old one in.
class CRenameDlg : public CSingleNameDlg {
    Q_OBJECT

public:
    explicit CRenameDlg(QWidget* parent = nullptr);
};
