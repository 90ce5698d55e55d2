// The file services the sync leans on: stamps, listing, renaming without
// replacing, and waiting a bounded while for a file another program holds.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/ExclusiveFile.h"
#include "support/temp_dir.h"

namespace qm::platform {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(Files, AStampChangesWithEveryWriteAndNamesOnlyFiles) {
    test::TempDir dir;
    const std::string file = dir.file("本.qms");
    EXPECT_EQ(StampOf(file), std::nullopt);
    EXPECT_EQ(StampOf(dir.file("")), std::nullopt) << "a folder";
    ReplaceFileContents(file, {1, 2, 3});
    const auto first = StampOf(file);
    ASSERT_TRUE(first);
    EXPECT_EQ(StampOf(file), first);
    ReplaceFileContents(file, {1, 2, 4});
    EXPECT_NE(StampOf(file), first) << "the same length, written again";

    std::filesystem::create_directory(dir.path() / "子文件夹");
    ReplaceFileContents(dir.file("本 (1).qms"), {});
    std::vector<std::string> names = FileNamesIn(dir.file(""));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"本 (1).qms", "本.qms"}));
    EXPECT_THROW(FileNamesIn(dir.file("无")), FileError);
}

TEST(Files, ARenameNeverReplacesAFile) {
    test::TempDir dir;
    const std::string from = dir.file("a"), taken = dir.file("b"), free = dir.file("c.已合并");
    ReplaceFileContents(from, {1});
    ReplaceFileContents(taken, {2});
    EXPECT_THROW(RenameFile(from, taken), FileError);
    EXPECT_EQ(ReadWholeFile(from), Bytes{1});
    EXPECT_EQ(ReadWholeFile(taken), Bytes{2});
    RenameFile(from, free);
    EXPECT_FALSE(FileExists(from));
    EXPECT_EQ(ReadWholeFile(free), Bytes{1});
}

TEST(Files, AHeldFileIsWaitedForWithinTheBudgetOnly) {
    test::TempDir dir;
    const std::string file = dir.file("本.qms");
    ReplaceFileContents(file, {7});
    const auto elapsed = [](auto&& f) {
        const auto start = std::chrono::steady_clock::now();
        f();
        return std::chrono::steady_clock::now() - start;
    };
    auto held = std::make_unique<ExclusiveFile>();
    ASSERT_TRUE(held->Open(file, ExclusiveFile::Mode::ReadWrite));
    for (const bool reading : {true, false}) {
        SCOPED_TRACE(reading ? "read" : "replace");
        const auto waited = elapsed([&] {
            try {
                InUseWait(300).Run([&] { reading ? (void)ReadWholeFile(file) : ReplaceFilePrivately(file, "x"); });
                ADD_FAILURE() << "a held file was had";
            } catch (const FileError& e) {
                EXPECT_EQ(e.Fault, FileFault::InUse);
            }
        });
        EXPECT_GE(waited, std::chrono::milliseconds(280));
        EXPECT_LT(waited, std::chrono::milliseconds(1500));
    }
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        held.reset();
    });
    Bytes read;
    InUseWait(3000).Run([&] { read = ReadWholeFile(file); });
    letGo.join();
    EXPECT_EQ(read, Bytes{7}) << "a file let go within the wait is read, and was not replaced";
    EXPECT_EQ(FileNamesIn(dir.file("")), std::vector<std::string>{"本.qms"}) << "no temporary file stays";
    const auto failedAtOnce = elapsed([&] { EXPECT_THROW(InUseWait(3000).Run([&] { ReadWholeFile(dir.file("无")); }), FileError); });
    EXPECT_LT(failedAtOnce, std::chrono::milliseconds(100)) << "only a held file is waited for";
}

}  // namespace
}  // namespace qm::platform
