#pragma once

class LogQueue;
class QWidget;
class SiteTree;

// The last write of the site catalogue, at exit. A write that fails (a full
// disk, a read-only folder) is said at once in the log, on stderr and in a
// dialog offering "Try Again", "Save As…" and "Quit Without Saving"; the
// changes stay in memory until one of them ends it. Returns false when the
// user chose to quit without saving them anywhere.
bool SaveCatalogueAtExit(SiteTree& tree, LogQueue& log, QWidget* parent);
