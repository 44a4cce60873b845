// The commands the frame carries out itself: view modes, options, exit and
// help. The commands of the File and Edit menus that act on the catalogue, the
// list or the session are wired by BrowserCommands.
#include <QAction>

#include "app/browser_commands.h"
#include "app/main_window.h"
#include "browser/app_context.h"
#include "options/options_sheet.h"
#include "platform/desktop/program_help.h"

void MainWindow::InstallFrameCommands() {
    const struct {
        const char16_t* name;
        ListViewMode mode;
    } viewModes[] = {{u"largeIcons", ListViewMode::LargeIcons},
                     {u"smallIcons", ListViewMode::SmallIcons},
                     {u"list", ListViewMode::List},
                     {u"details", ListViewMode::Details}};
    for (const auto& view : viewModes) {
        connect(Action(view.name), &QAction::triggered, this,
                [this, mode = view.mode] { ApplyViewMode(mode); });
    }

    connect(Action(u"options"), &QAction::triggered, this, [this] {
        OptionsSheet sheet(context.settings, this);
        connect(&sheet, &OptionsSheet::settingsCommitted, this, &MainWindow::settingsChanged);
        sheet.exec();
    });
    connect(Action(u"exit"), &QAction::triggered, this, &QWidget::close);
    connect(Action(u"help"), &QAction::triggered, this, [this] { OpenProgramHelp(this); });
    InstallBrowserCommands(*this, context, this, siteTreePane, listViewPane);
}
