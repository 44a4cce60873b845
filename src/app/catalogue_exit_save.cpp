#include "app/catalogue_exit_save.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include "ftp/log_queue.h"
#include "platform/desktop/file_dialog_seam.h"
#include "platform/desktop/message_seam.h"
#include "sites/catalogue_entries.h"
#include "sites/site_tree.h"

namespace {

void SayNotSaved(LogQueue& log, const std::string& path, const std::string& error) {
    const std::string line = "Site catalogue changes not saved to " + path + ": " + error;
    log.Append(line);
    std::fprintf(stderr, "quillmoor: %s\n", line.c_str());
}

MessageAnswer AskWhatNow(QWidget* parent, const std::string& path, const std::string& error) {
    MessageRequest request;
    request.text = QStringLiteral("The site catalogue could not be saved to %1:\n%2").arg(ToQt(path), ToQt(error));
    request.details = QStringLiteral("Your changes are still in memory. Try again once the disk has room or "
                                     "the folder can be written, save them to another file, or quit and "
                                     "lose them.");
    request.buttons = MessageButtons::UnsavedCatalogue;
    request.icon = MessageIcon::Error;
    return AskMessage(parent, request).answer;
}

}  // namespace

bool SaveCatalogueAtExit(SiteTree& tree, LogQueue& log, QWidget* parent) {
    std::string path = tree.CataloguePath();
    CatalogueSave save = tree.SaveCatalogueQuietly();
    while (!save.saved && !save.error.empty()) {
        SayNotSaved(log, path, save.error);
        switch (AskWhatNow(parent, path, save.error)) {
            case MessageAnswer::QuitWithoutSaving:
                log.Append("Site catalogue: quit without saving the changes");
                tree.DiscardUnsavedChanges();
                return false;
            case MessageAnswer::SaveAs: {
                const QString chosen = AskForSaveFile(parent, QStringLiteral("Save Site Catalogue As"),
                                                      QDir::homePath() + QStringLiteral("/Wexal.INI"));
                if (chosen.isEmpty()) break;  // asked again, the changes still unsaved
                path = QFile::encodeName(chosen).toStdString();
                save = tree.SaveCatalogueAs(path);
                if (save.saved) {
                    // The own file lacks the changes; the copy is where they are.
                    tree.DiscardUnsavedChanges();
                    return true;
                }
                continue;
            }
            default:
                break;
        }
        path = tree.CataloguePath();
        save = tree.SaveCatalogueQuietly();
    }
    return true;
}
