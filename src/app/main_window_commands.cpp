// The commands the frame carries out itself. Commands of the File and Edit
// menus that act on the catalogue, the list or the session are registered here
// too, next to their enable rules.
#include <QApplication>

#include "app/browser_commands.h"
#include "app/main_window.h"
#include "browser/app_context.h"
#include "options/options_sheet.h"
#include "platform/desktop/command_ids.h"
#include "platform/desktop/program_help.h"

void MainWindow::InstallFrameCommands() {
    const struct {
        int commandId;
        ListViewMode mode;
    } viewModes[] = {{kCmdLargeIcons, ListViewMode::LargeIcons},
                     {kCmdSmallIcons, ListViewMode::SmallIcons},
                     {kCmdList, ListViewMode::List},
                     {kCmdDetails, ListViewMode::Details}};
    for (const auto& view : viewModes) {
        router.AddFrameCommand(view.commandId, [this, mode = view.mode] { ApplyViewMode(mode); });
    }

    router.AddFrameCommand(kCmdOptions, [this] {
        OptionsSheet sheet(context.settings, this);
        sheet.exec();
    });
    router.AddFrameCommand(kCmdExit, [this] { close(); });
    router.AddFrameCommand(kCmdHelp, [this] { OpenProgramHelp(this); });
    InstallBrowserCommands(router, context, this);
}
