#pragma once

#include <QString>

class QWidget;

// How a download into a local path is to start, asked when something is in
// the way: the file itself (overwrite it?) or a partial file that an earlier
// download left beside it (resume it, or start again?).
enum class DownloadStart { Cancel, Whole, Resume };

// Whole without a question when neither the file nor a partial file exists.
// Asks through the message seam.
DownloadStart AskHowToDownload(QWidget* parent, const QString& localPath);
