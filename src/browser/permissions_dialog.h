#pragma once

#include <QDialog>

#include <array>

class RemoteListWidget;
class QCheckBox;

// Chooses Unix permissions for every selected remote item (the list view
// sets them with SITE CHMOD). The boxes open from the permission text of the
// first selected item.
class PermissionsDialog : public QDialog {
    Q_OBJECT

public:
    // Owner, group and other, each read, write and execute.
    using Flags = std::array<bool, 9>;

    PermissionsDialog(const RemoteListWidget& list, QWidget* parent = nullptr);

    // Positions 1 to 9 of a permission text ("drwxr-x---"): only the exact
    // letters r, w and x set a box; s, S, t, T, "-" and missing positions do not.
    static Flags FlagsFromText(const QString& permissions);
    // Owner*100 + group*10 + other as a decimal text without leading zeros
    // ("750", "44", "0"); the server reads the digits as octal.
    static QString ModeText(const Flags& flags);

    QString Mode() const { return ModeText(flags); }
    QCheckBox* Box(int position) const { return boxes[static_cast<std::size_t>(position)]; }

    // The selected items' names, in list order, as the server is sent them.
    QStringList Names() const;

private:
    const RemoteListWidget& list;
    Flags flags{};
    std::array<QCheckBox*, 9> boxes{};
};
