#pragma once

// What a transfer does when its target (the local file of a download, the
// remote file of an upload) already exists. The user answers once per file,
// or once for every file of a batch.
enum class ExistingFileChoice {
    Overwrite,         // replace the target
    OverwriteIfNewer,  // replace it only when the source is newer; skip otherwise
    Resume,            // continue the target from its size (REST, APPE)
    Rename,            // transfer under a free name beside it ("name (1).ext")
    Skip,              // leave the target and do not transfer
};
