#include "browser/permissions_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "browser/remote_list_widget.h"
#include "platform/desktop/message_seam.h"

namespace {

constexpr int kNameLimit = 259;
constexpr std::array<char, 3> kLetters{'r', 'w', 'x'};
constexpr std::array<int, 3> kWeights{4, 2, 1};

}  // namespace

PermissionsDialog::Flags PermissionsDialog::FlagsFromText(const QString& permissions) {
    Flags parsed{};
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        const qsizetype position = static_cast<qsizetype>(i) + 1;  // position 0 is the type letter
        parsed[i] = position < permissions.size() && permissions[position] == QLatin1Char(kLetters[i % 3]);
    }
    return parsed;
}

QString PermissionsDialog::ModeText(const Flags& flags) {
    int mode = 0;
    for (std::size_t owner = 0; owner < 3; ++owner) {
        int digit = 0;
        for (std::size_t bit = 0; bit < 3; ++bit) {
            if (flags[owner * 3 + bit]) digit += kWeights[bit];
        }
        mode = mode * 10 + digit;
    }
    return QString::number(mode);
}

PermissionsDialog::PermissionsDialog(const RemoteListWidget& list, QWidget* parent)
    : QDialog(parent), list(list) {
    setWindowTitle(QStringLiteral("Set Permissions"));
    const int first = list.NextSelected(-1);
    flags = FlagsFromText(list.ItemText(first, RemoteListModel::kPermissions));

    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(QStringLiteral(
        "Check the boxes for the permissions you want each class of user to have. For example, if you only want "
        "the person who created the file to be able to write or delete it, then make sure the Group and Other "
        "Write boxes are not checked."), this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* classes = new QHBoxLayout;
    const std::array<QString, 3> classNames{QStringLiteral("Owner"), QStringLiteral("Group"), QStringLiteral("Other")};
    const std::array<QString, 3> boxNames{QStringLiteral("Read"), QStringLiteral("Write"), QStringLiteral("Execute")};
    for (std::size_t owner = 0; owner < 3; ++owner) {
        auto* group = new QGroupBox(classNames[owner], this);
        auto* column = new QVBoxLayout(group);
        for (std::size_t bit = 0; bit < 3; ++bit) {
            const std::size_t i = owner * 3 + bit;
            auto* box = new QCheckBox(boxNames[bit], group);
            box->setChecked(flags[i]);
            box->setAccessibleName(classNames[owner] + u' ' + boxNames[bit]);
            connect(box, &QCheckBox::toggled, this, [this, i](bool on) { flags[i] = on; });
            column->addWidget(box);
            boxes[i] = box;
        }
        classes->addWidget(group);
    }
    layout->addLayout(classes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList PermissionsDialog::Names() const {
    QStringList names;
    for (int row = list.NextSelected(-1); row >= 0; row = list.NextSelected(row))
        names << list.ItemText(row, RemoteListModel::kName).left(kNameLimit);
    return names;
}
