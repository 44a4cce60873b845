#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <string>

class QWidget;
class RemoteListWidget;

// One selected remote item and where its download goes.
struct DownloadItem {
    QString label;           // the name as the list shows it
    std::string remoteName;  // what the server is asked for (a link without " -> target")
    QString localPath;       // the destination directory followed by the name
    bool wholeTree = false;  // a directory or a link: fetched with everything below it
    bool link = false;
    QString size;      // the list's size and modified texts, for the overwrite question
    QString modified;
};

// The selected files and directories of the list, in list order, each bound
// for `directory` (which ends with "/"). Empty with `problem` set when one of
// them cannot be fetched there (an unusable or over-long name): a download
// of the selection never quietly leaves part of it out. The problem says the
// item "cannot be " + verb ("dragged out", "downloaded").
QList<DownloadItem> SelectedDownloads(const RemoteListWidget& list, const QString& directory,
                                      const QString& verb, QString& problem);

// The selection downloaded into folder ("/" added when missing), or nothing
// after telling the user (a message box on parent) which item cannot go there.
std::optional<QList<DownloadItem>> SelectionForFolder(const RemoteListWidget& list, const QString& folder,
                                                      QWidget* parent);

// The longest name and path a download writes (Linux file systems).
constexpr int kMaxDownloadNameBytes = 255;
constexpr int kMaxDownloadPathBytes = 4095;  // terminator excluded
