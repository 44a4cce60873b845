#include "options/options_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "options/firewall_page.h"
#include "options/program_options_page.h"
#include "options/transfer_options_page.h"
#include "options/view_options_page.h"
#include "platform/desktop/program_help.h"

OptionsSheet::OptionsSheet(AppSettings& settingsToEdit, QWidget* parent)
    : QDialog(parent), settings(settingsToEdit) {
    setWindowTitle(QStringLiteral("Options"));
    programPage = new ProgramOptionsPage(settings, this);
    transPage = new TransferOptionsPage(settings, this);
    viewPage = new ViewOptionsPage(settings, this);
    fireWallPage = new FirewallPage(settings, this);
    pages = {programPage, transPage, viewPage, fireWallPage};

    tabs = new QTabWidget(this);
    tabs->addTab(programPage, QStringLiteral("Program Options"));
    tabs->addTab(transPage, QStringLiteral("Tranfer Options"));
    tabs->addTab(viewPage, QStringLiteral("Display Options"));
    tabs->addTab(fireWallPage, QStringLiteral("Firewall"));
    connect(tabs, &QTabWidget::currentChanged, this, &OptionsSheet::OnTabChanged);

    buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply | QDialogButtonBox::Help,
        this);
    QPushButton* applyButton = buttons->button(QDialogButtonBox::Apply);
    applyButton->setEnabled(false);
    connect(programPage, &ProgramOptionsPage::modifiedChanged, applyButton, &QPushButton::setEnabled);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsSheet::reject);
    connect(applyButton, &QPushButton::clicked, this, &OptionsSheet::Apply);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &OptionsSheet::ShowHelpForCurrentPage);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

OptionsPage* OptionsSheet::CurrentPage() const { return pages[static_cast<std::size_t>(currentIndex)]; }

bool OptionsSheet::ValidateCurrentPage() {
    OptionsPage* page = CurrentPage();
    if (!page->WasShown()) return true;
    QWidget* fault = page->Validate();
    if (!fault) return true;
    if (tabs->currentIndex() != currentIndex) {
        revertingTab = true;
        tabs->setCurrentIndex(currentIndex);
        revertingTab = false;
    }
    fault->setFocus(Qt::OtherFocusReason);
    return false;
}

void OptionsSheet::OnTabChanged(int index) {
    if (revertingTab) return;
    // The tab widget has already switched; validation of the page being left
    // switches back when it fails.
    if (!ValidateCurrentPage()) return;
    currentIndex = index;
}

void OptionsSheet::CommitShownPages() {
    for (OptionsPage* page : pages) {
        if (page->WasShown()) page->Commit(settings);
    }
}

bool OptionsSheet::Apply() {
    if (!ValidateCurrentPage()) return false;
    CommitShownPages();
    emit settingsCommitted();
    return true;
}

void OptionsSheet::accept() {
    if (!ValidateCurrentPage()) return;
    CommitShownPages();
    fireWallPage->CopyFirewallValues(settings);
    emit settingsCommitted();
    QDialog::accept();
}

void OptionsSheet::ShowHelpForCurrentPage() { OpenProgramHelp(this, tabs->tabText(currentIndex)); }
