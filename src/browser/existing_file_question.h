#pragma once

#include <QString>
#include <optional>

#include "ftp/existing_file_choice.h"

class QWidget;

// One side of a transfer whose target exists, as the question shows it; an
// empty text is not known.
struct ExistingFileSide {
    QString size;      // e.g. "12,345 bytes", or the list's "13K"
    QString modified;  // e.g. "2026-12-01 10:00", or the listing's date
};

// What the question about an existing target shows.
struct ExistingFileFacts {
    QString target;             // the local path of a download, the remote name of an upload
    bool onServer = false;      // the target is a remote file (an upload)
    ExistingFileSide existing;  // the target
    ExistingFileSide incoming;  // the file that would replace it
    bool folder = false;        // a folder the new one joins: the choice is taken for each file in both
};

// The user's answer: the choice, or none for Cancel (the rest of the batch
// goes too); applyToAll when the same choice is to be taken for every
// further file of the batch that finds its target there.
struct ExistingFileAnswer {
    std::optional<ExistingFileChoice> choice;
    bool applyToAll = false;
};

// The size and time of a local file as the question shows them.
ExistingFileSide LocalFileSide(const QString& path);

// Asks through the message seam what to do with the existing target.
ExistingFileAnswer AskAboutExistingFile(QWidget* parent, const ExistingFileFacts& facts);
