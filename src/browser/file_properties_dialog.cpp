#include "browser/file_properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "browser/remote_list_widget.h"
#include "platform/desktop/program_icons.h"

FilePropertiesDialog::FilePropertiesDialog(const RemoteListWidget& list, const QString& location, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("File Properties"));
    const int row = list.NextSelected(-1);
    oldName = list.ItemText(row, RemoteListModel::kName);

    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramIcon(ProgramIcons::kProperties).pixmap(32, 32));
    layout->addWidget(picture, 0, Qt::AlignLeft);
    auto* form = new QFormLayout;
    nameEdit = AddField(form, QStringLiteral("&Name:"), oldName, true);
    AddField(form, QStringLiteral("&Type:"), list.ItemText(row, RemoteListModel::kType), false);
    AddField(form, QStringLiteral("&Location:"), location, false);
    AddField(form, QStringLiteral("&Size:"), list.ItemText(row, RemoteListModel::kSize), false);
    AddField(form, QStringLiteral("&Modified:"), list.ItemText(row, RemoteListModel::kModified), false);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    nameEdit->setFocus();
}

QLineEdit* FilePropertiesDialog::AddField(QFormLayout* form, const QString& label, const QString& text,
                                          bool editable) {
    auto* edit = new QLineEdit(text, this);
    edit->setReadOnly(!editable);
    QString plain = label;
    edit->setAccessibleName(plain.remove(u'&'));
    edit->setObjectName(plain);
    auto* caption = new QLabel(label, this);
    caption->setBuddy(edit);
    form->addRow(caption, edit);
    return edit;
}

QString FilePropertiesDialog::Name() const { return nameEdit->text(); }

QString FilePropertiesDialog::FieldText(const QString& label) const {
    const auto* edit = findChild<QLineEdit*>(label);
    return edit ? edit->text() : QString();
}

void FilePropertiesDialog::accept() {
    if (Name() != oldName) {
        renameFlag = true;
    }
    QDialog::accept();
}
