// The traffic log where Linux's file size limit makes a write fail.
#include "common/Exception.h"
#include "logging/LogManager.h"
#include "tests/logging/LogManagerFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

// A write the file system refuses (here: beyond the file size limit) raises after the lock is
// released; the record number stays used and the file keeps what was written before.
TEST_F(LogManagerTest, FailedWriteRaisesAndLeavesTheLogUsable) {
    TLogManager Log(TLogManager::DefaultFileName());
    ASSERT_TRUE(Log.WriteMessage("before"));
    rlimit Saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
    const auto SavedHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit Small = Saved;
    Small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
    EXPECT_THROW(Log.WriteMessage(std::string(200, 'x')), Exception);
    setrlimit(RLIMIT_FSIZE, &Saved);
    signal(SIGXFSZ, SavedHandler);

    ASSERT_TRUE(Log.WriteMessage("after"));
    const std::string Content = ReadFile(Log.GetFileName());
    // The cut record stays as written, without its line end, and the next one is number 3.
    EXPECT_EQ(Content.find("x3\t"), 63u) << Content;
    EXPECT_EQ(TextOf(Lines(Content.substr(0, Content.find("\r\n") + 2)).at(0), 1), "before");
    EXPECT_EQ(Content.size() - Content.find("after"), 7u);
}
