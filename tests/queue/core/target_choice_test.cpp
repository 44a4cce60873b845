// Remote paths split, and what each choice does about a target that exists.
#include <gtest/gtest.h>


#include "queue/core/target_decision.h"
#include "ftp/remote_path.h"

namespace {

TEST(TargetNamesTest, SplitRemotePath) {
    const struct {
        const char* path;
        const char* directory;
        const char* name;
    } cases[] = {
        {"/pub/a.txt", "/pub", "a.txt"}, {"/a.txt", "/", "a.txt"}, {"/pub/tree/", "/pub", "tree"},
        {"/x/y/z", "/x/y", "z"},         {"plain", ".", "plain"},
    };
    for (const auto& c : cases) {
        RemoteLocation where = SplitRemotePath(c.path);
        EXPECT_EQ(where.directory, c.directory) << c.path;
        EXPECT_EQ(where.name, c.name) << c.path;
    }
}

TEST(ExistingTargetTest, EachChoice) {
    using Action = TargetDecision::Action;
    const FileFacts absent;
    const FileFacts oldSmall{true, 10, 1000};
    const FileFacts newBig{true, 100, 2000};
    const FileFacts timeless{true, 100, std::nullopt};
    const struct {
        ExistingFileChoice choice;
        FileFacts source;
        FileFacts target;
        Action action;
        bool resume;
        bool rename;
    } cases[] = {
        {ExistingFileChoice::Skip, newBig, absent, Action::Transfer, false, false},
        {ExistingFileChoice::Rename, newBig, absent, Action::Transfer, false, false},
        {ExistingFileChoice::Overwrite, oldSmall, newBig, Action::Transfer, false, false},
        {ExistingFileChoice::Skip, newBig, oldSmall, Action::Skip, false, false},
        {ExistingFileChoice::Rename, newBig, oldSmall, Action::Transfer, false, true},
        {ExistingFileChoice::OverwriteIfNewer, newBig, oldSmall, Action::Transfer, false, false},
        {ExistingFileChoice::OverwriteIfNewer, oldSmall, newBig, Action::Skip, false, false},
        {ExistingFileChoice::OverwriteIfNewer, newBig, newBig, Action::Skip, false, false},
        {ExistingFileChoice::OverwriteIfNewer, timeless, oldSmall, Action::Transfer, false, false},
        {ExistingFileChoice::Resume, newBig, oldSmall, Action::Transfer, true, false},
        {ExistingFileChoice::Resume, oldSmall, newBig, Action::Skip, false, false},
        {ExistingFileChoice::Resume, FileFacts{true, -1, std::nullopt}, oldSmall, Action::Transfer, true,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        const TargetDecision decision = DecideExistingTarget(c.choice, c.source, c.target);
        EXPECT_EQ(decision.action, c.action);
        EXPECT_EQ(decision.resume, c.resume);
        EXPECT_EQ(decision.rename, c.rename);
        EXPECT_EQ(decision.note.empty(), c.action == Action::Transfer);
    }
}

TEST(ExistingTargetTest, WhatARunAgainTakesForItsOwnWork) {
    using Action = TargetDecision::Action;
    const FileFacts source{true, 100, 2000};
    const struct {
        const char* what;
        bool upload;
        bool partialKept;
        FileFacts target;
        std::optional<Action> action;  // nothing: the job's choice decides
        bool resume;
    } cases[] = {
        {"download with a kept partial file", false, true, FileFacts{}, Action::Transfer, true},
        {"complete and newer", false, false, FileFacts{true, 100, 2500}, Action::Skip, false},
        {"complete, same time", true, false, FileFacts{true, 100, 2000}, Action::Skip, false},
        {"same size but older: not this job's", false, false, FileFacts{true, 100, 1000}, std::nullopt,
         false},
        {"upload broken off", true, false, FileFacts{true, 40, 2100}, Action::Transfer, true},
        {"smaller and older upload target", true, false, FileFacts{true, 40, 1500}, std::nullopt, false},
        {"smaller download target without partial", false, false, FileFacts{true, 40, 2100}, std::nullopt,
         false},
        {"larger target", true, false, FileFacts{true, 400, 2100}, std::nullopt, false},
        {"no target", true, false, FileFacts{}, std::nullopt, false},
        {"no times", true, false, FileFacts{true, 40, std::nullopt}, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<TargetDecision> decision =
            DecideContinuation(c.upload, c.partialKept, source, c.target);
        ASSERT_EQ(decision.has_value(), c.action.has_value());
        if (!decision) continue;
        EXPECT_EQ(decision->action, *c.action);
        EXPECT_EQ(decision->resume, c.resume);
    }
}

}  // namespace
