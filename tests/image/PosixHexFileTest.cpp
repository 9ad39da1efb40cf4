// Saving and loading image files where Linux's own mechanisms come in: devices, a file size
// limit, permissions, symbolic links and a writer killed half way.
#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "image/HexImageFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The pipe on which a writer stopped by ReportAndWaitForTheEnd reports.
int StoppedWriterPipe = -1;

// A SIGXFSZ handler: tells the test through the pipe that the writer is inside a write, then
// keeps it there until it is killed.
void ReportAndWaitForTheEnd(int) {
    const char Byte = 1;
    if (::write(StoppedWriterPipe, &Byte, 1) == 1) {
        for (;;) {
            ::pause();
        }
    }
}

} // namespace

class HexFileOnLinuxDisk : public ::testing::Test {
protected:
    TTempFolder Folder;
};

TEST_F(HexFileOnLinuxDisk, MissingEmptyAndUnreadableFiles) {
    THexFile File;
    File.AddRecord(0, 0, {1});
    File.LoadFromFile(Folder.File("missing.ldr"));
    EXPECT_EQ(File.GetCount(), 0);

    File.AddRecord(0, 0, {1});
    WriteFileText(Folder.File("empty.ldr"), "");
    EXPECT_THROW(File.LoadFromFile(Folder.File("empty.ldr")), EFileIsEmpty);
    EXPECT_EQ(File.GetCount(), 1);

    WriteFileText(Folder.File("blank.ldr"), "\r\n");
    File.LoadFromFile(Folder.File("blank.ldr"));
    EXPECT_EQ(File.GetCount(), 0);

    for (const std::string& Name : {Folder.Path(), std::string("/dev/zero")}) {
        try {
            File.LoadFromFile(Name);
            FAIL() << Name << " was read as an image file";
        } catch (const Exception& Error) {
            EXPECT_EQ(Error.what(), FormatText(SCannotReadFile, Name.c_str()));
        }
    }
}

// The same, loading straight into pages as the program does.
TEST_F(HexFileOnLinuxDisk, MissingEmptyAndUnreadableFilesLoadingIntoPages) {
    EXPECT_EQ(LoadHexImageFile(Folder.File("missing.ldr"), 528)->GetCount(), 0);
    WriteFileText(Folder.File("empty.ldr"), "");
    EXPECT_THROW(LoadHexImageFile(Folder.File("empty.ldr"), 528), EFileIsEmpty);
    WriteFileText(Folder.File("blank.ldr"), "\r\n");
    EXPECT_EQ(LoadHexImageFile(Folder.File("blank.ldr"), 528)->GetCount(), 0);
    for (const std::string& Name : {Folder.Path(), std::string("/dev/zero")}) {
        try {
            LoadHexImageFile(Name, 528);
            FAIL() << Name << " was read as an image file";
        } catch (const Exception& Error) {
            EXPECT_EQ(Error.what(), FormatText(SCannotReadFile, Name.c_str()));
        }
    }
}

TEST_F(HexFileOnLinuxDisk, SaveFailingHalfWayKeepsTheOldFile) {
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old content\r\n");
    THexFile File;
    for (int Record = 0; Record < 2000; ++Record) {
        File.AddRecord(static_cast<std::uint16_t>(Record * 32), 0, TByteArray(32, 0x5A));
    }

    // Limit the size of files this process may write, so that the write stops part way.
    rlimit Old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Old), 0);
    rlimit Small = Old;
    Small.rlim_cur = 4096;
    const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Small), 0);
    bool Raised = false;
    try {
        File.SaveToFile(Target);
    } catch (const Exception& Error) {
        Raised = true;
        EXPECT_EQ(Error.what(), FormatText(SCannotWriteFile, Target.c_str()));
    }
    ::setrlimit(RLIMIT_FSIZE, &Old);
    std::signal(SIGXFSZ, OldHandler);

    EXPECT_TRUE(Raised);
    EXPECT_EQ(ReadFileText(Target), "old content\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"image.ldr"});
}

TEST_F(HexFileOnLinuxDisk, SaveIntoReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write into any folder";
    }
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old\r\n");
    ASSERT_EQ(::chmod(Folder.Path().c_str(), 0555), 0);
    THexFile File;
    EXPECT_THROW(File.SaveToFile(Target), Exception);
    ::chmod(Folder.Path().c_str(), 0755);
    EXPECT_EQ(ReadFileText(Target), "old\r\n");
}

TEST_F(HexFileOnLinuxDisk, SavedFileKeepsThePermissionsOfTheFileItReplaces) {
    const mode_t Mask = ::umask(022);
    const std::pair<const char*, mode_t> Cases[] = {
        {"0600.ldr", 0600}, {"0640.ldr", 0640}, {"0755.ldr", 0755}, {"new.ldr", 0644}};
    for (const auto& [Name, Mode] : Cases) {
        const std::string Target = Folder.File(Name);
        if (Name != std::string("new.ldr")) {
            WriteFileText(Target, "old\r\n");
            ASSERT_EQ(::chmod(Target.c_str(), Mode), 0);
        }
        THexFile().SaveToFile(Target);
        struct stat Info {};
        ASSERT_EQ(::stat(Target.c_str(), &Info), 0);
        EXPECT_EQ(Info.st_mode & 07777, Mode) << Name;
    }
    ::umask(Mask);
}

TEST_F(HexFileOnLinuxDisk, SaveReplacesTheTargetOfASymbolicLink) {
    const std::string Real = Folder.File("real.ldr");
    const std::string Link = Folder.File("link.ldr");
    WriteFileText(Real, "old\r\n");
    ASSERT_EQ(::symlink(Real.c_str(), Link.c_str()), 0);
    THexFile File;
    File.SaveToFile(Link);
    EXPECT_EQ(ReadFileText(Real), ":00000001FF\r\n");
    struct stat Info {};
    ASSERT_EQ(::lstat(Link.c_str(), &Info), 0);
    EXPECT_TRUE(S_ISLNK(Info.st_mode));
}

TEST_F(HexFileOnLinuxDisk, SaveKilledWhileWritingKeepsTheOldFileAndLeavesNoOther) {
    const int Unnamed = ::open(Folder.Path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (Unnamed < 0) {
        GTEST_SKIP() << "this file system cannot make unnamed files, so saves name theirs";
    }
    ::close(Unnamed);
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old\r\n");
    THexFile File;
    for (int Record = 0; Record < 2000; ++Record) {
        File.AddRecord(static_cast<std::uint16_t>(Record * 32), 0, TByteArray(32, 0x5A));
    }
    int Pipe[2];
    ASSERT_EQ(::pipe(Pipe), 0);
    const pid_t Writer = ::fork();
    ASSERT_GE(Writer, 0);
    if (Writer == 0) {
        // Once the new content reaches 4 KiB, the write raises SIGXFSZ and the writer stays
        // in its handler, in the middle of the save, until it is killed.
        ::close(Pipe[0]);
        StoppedWriterPipe = Pipe[1];
        std::signal(SIGXFSZ, ReportAndWaitForTheEnd);
        rlimit Limit{};
        ::getrlimit(RLIMIT_FSIZE, &Limit);
        Limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &Limit);
        try {
            File.SaveToFile(Target);
        } catch (...) {
        }
        ::_exit(0);
    }
    ::close(Pipe[1]);
    // The writer either stops after 4 KiB or ends, closing the pipe; the bound is only a
    // safeguard.
    pollfd Ready{Pipe[0], POLLIN, 0};
    char Byte = 0;
    const bool Stopped = ::poll(&Ready, 1, 60'000) == 1 && ::read(Pipe[0], &Byte, 1) == 1;
    ::kill(Writer, SIGKILL);
    int Status = 0;
    ::waitpid(Writer, &Status, 0);
    ::close(Pipe[0]);

    EXPECT_TRUE(Stopped) << "the writer was not stopped inside the save";
    EXPECT_EQ(ReadFileText(Target), "old\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"image.ldr"});
}
