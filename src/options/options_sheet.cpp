#include "options/options_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "options/fire_wall.h"
#include "options/program_options.h"
#include "options/trans_options.h"
#include "options/view_option.h"
#include "platform/desktop/program_help.h"

COptionsSheet::COptionsSheet(AppSettings& settingsToEdit, QWidget* parent)
    : QDialog(parent), settings(settingsToEdit) {
    setWindowTitle(QStringLiteral("Options"));
    programPage = new CProgramOptions(settings, this);
    transPage = new CTransOptions(settings, this);
    viewPage = new CViewOption(settings, this);
    fireWallPage = new CFireWall(settings, this);
    pages = {programPage, transPage, viewPage, fireWallPage};

    tabs = new QTabWidget(this);
    tabs->addTab(programPage, QStringLiteral("Program Options"));
    tabs->addTab(transPage, QStringLiteral("Tranfer Options"));
    tabs->addTab(viewPage, QStringLiteral("Display Options"));
    tabs->addTab(fireWallPage, QStringLiteral("Firewall"));
    connect(tabs, &QTabWidget::currentChanged, this, &COptionsSheet::OnTabChanged);

    buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply | QDialogButtonBox::Help,
        this);
    QPushButton* applyButton = buttons->button(QDialogButtonBox::Apply);
    applyButton->setEnabled(false);
    connect(programPage, &CProgramOptions::ModifiedChanged, applyButton, &QPushButton::setEnabled);
    connect(buttons, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);
    connect(applyButton, &QPushButton::clicked, this, &COptionsSheet::Apply);
    connect(buttons, &QDialogButtonBox::helpRequested, this, &COptionsSheet::ShowHelpForCurrentPage);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

COptionsPage* COptionsSheet::CurrentPage() const { return pages[static_cast<std::size_t>(currentIndex)]; }

bool COptionsSheet::ValidateCurrentPage() {
    COptionsPage* page = CurrentPage();
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

void COptionsSheet::OnTabChanged(int index) {
    if (revertingTab) return;
    // The tab widget has already switched; validation of the page being left
    // switches back when it fails.
    if (!ValidateCurrentPage()) return;
    currentIndex = index;
}

void COptionsSheet::CommitShownPages() {
    for (COptionsPage* page : pages) {
        if (page->WasShown()) page->Commit(settings);
    }
}

bool COptionsSheet::Apply() {
    if (!ValidateCurrentPage()) return false;
    CommitShownPages();
    return true;
}

void COptionsSheet::accept() {
    if (!ValidateCurrentPage()) return;
    CommitShownPages();
    fireWallPage->CopyFirewallValues(settings);
    QDialog::accept();
}

void COptionsSheet::ShowHelpForCurrentPage() { OpenProgramHelp(this, tabs->tabText(currentIndex)); }
