#include "sites/icon_selection_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/desktop/icon_spec.h"
#include "platform/desktop/message_seam.h"
#include "sites/dialog_fields.h"

namespace {

// No icon file holds more; it bounds the walk over a file's icons.
constexpr int kMaxIcons = 4096;

IconSelectionDialog::FileChooser& Chooser() {
    static IconSelectionDialog::FileChooser chooser;
    return chooser;
}

int LeadingNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    while (end < trimmed.size() && end < 9 && trimmed[end].isDigit() && trimmed[end].unicode() < 128) ++end;
    return trimmed.left(end).toInt();
}

}  // namespace

void IconSelectionDialog::SetFileChooser(FileChooser chooser) { Chooser() = std::move(chooser); }

IconSelectionDialog::IconSelectionDialog(const QString& startSpec, QWidget* parent)
    : QDialog(parent), iconList(new QListWidget), fileNameEdit(new QLineEdit) {
    setWindowTitle(QStringLiteral("Icon Selection"));

    // The icon reference splits at its last comma; without one it is all file name, and
    // the index is whatever number it starts with.
    const qsizetype comma = startSpec.lastIndexOf(QLatin1Char(','));
    if (comma < 0) {
        fileName = startSpec;
        selectedIconIndex = LeadingNumber(startSpec);
    } else {
        fileName = startSpec.left(comma);
        while (!fileName.isEmpty() && fileName.back().isSpace()) fileName.chop(1);
        selectedIconIndex = LeadingNumber(startSpec.mid(comma + 1));
    }

    iconList->setViewMode(QListView::IconMode);
    iconList->setIconSize(QSize(32, 32));
    iconList->setFlow(QListView::LeftToRight);
    iconList->setWrapping(true);
    iconList->setResizeMode(QListView::Adjust);
    iconList->setMovement(QListView::Static);
    iconList->setSelectionMode(QAbstractItemView::SingleSelection);
    iconList->setMinimumSize(360, 160);
    fileNameEdit->setReadOnly(true);
    fileNameEdit->setText(fileName);

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(QStringLiteral("Current Icon:"), iconList));
    form->addRow(iconList);
    form->addRow(BuddyLabel(QStringLiteral("File Name:"), fileNameEdit), fileNameEdit);

    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* browse = buttons->addButton(QStringLiteral("Browse"), QDialogButtonBox::ActionRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &IconSelectionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &IconSelectionDialog::reject);
    connect(browse, &QPushButton::clicked, this, &IconSelectionDialog::Browse);
    connect(iconList, &QListWidget::itemActivated, this, &IconSelectionDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    FillList(fileName);
}

void IconSelectionDialog::FillList(const QString& file) {
    iconList->clear();
    for (int index = 0; index < kMaxIcons; ++index) {
        const QIcon icon = IconFromSpec(file + QLatin1Char(',') + QString::number(index));
        if (icon.isNull()) break;
        auto* item = new QListWidgetItem(QString::number(index), iconList);
        // The item keeps its place even without a picture, so indexes stay right.
        if (icon.pixmap(32, 32).isNull())
            ShowMessage(this, QStringLiteral("Error Adding Icon to ImageList"));
        else
            item->setIcon(icon);
    }
    if (iconList->count() > 0) iconList->scrollToItem(iconList->item(0));
}

void IconSelectionDialog::Browse() {
    const QString title = QStringLiteral("Select File Containing Icon(s):");
    const QString filter =
        QStringLiteral("Icon Files (*.ico *.ICO *.exe *.EXE *.dll *.DLL *.png *.svg *.xpm);;All Files (*)");
    // The file dialog does not change the process's current directory.
    const QString chosen = Chooser()
                               ? Chooser()(this, title, fileNameEdit->text(), filter)
                               : QFileDialog::getOpenFileName(this, title, fileNameEdit->text(), filter);
    if (chosen.isEmpty()) return;
    FillList(chosen);
    fileNameEdit->setText(chosen);
}

void IconSelectionDialog::accept() {
    const QList<QListWidgetItem*> selected = iconList->selectedItems();
    selectedIconIndex = selected.isEmpty() ? -1 : iconList->row(selected.first());
    fileName = fileNameEdit->text();
    QDialog::accept();
}
