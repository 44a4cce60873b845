#include "browser/delete_dialog.h"

#include "platform/desktop/message_seam.h"

bool DeleteDialog::Run(QWidget* parent) const { return AskYesNo(parent, message); }
