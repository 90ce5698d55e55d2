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

TEST(Files, AHeldFileIsNotReplacedButIsReadOnceLetGoWithinTheWait) {
    test::TempDir dir;
    const std::string file = dir.file("本.qms");
    ReplaceFileContents(file, {7});
    auto held = std::make_unique<ExclusiveFile>();
    ASSERT_TRUE(held->Open(file, ExclusiveFile::Mode::ReadWrite));
    try {
        ReplaceFilePrivately(file, "x");
        ADD_FAILURE() << "a held file was replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Fault, FileFault::InUse);
    }
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        held.reset();
    });
    Bytes read;
    InUseWait(3000).Run([&] { read = ReadWholeFile(file); });
    letGo.join();
    EXPECT_EQ(read, Bytes{7});
    EXPECT_EQ(FileNamesIn(dir.file("")), std::vector<std::string>{"本.qms"}) << "no temporary file stays";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(InUseWait(3000).Run([&] { ReadWholeFile(dir.file("无")); }), FileError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100)) << "only a held file is waited for";
}

}  // namespace
}  // namespace qm::platform
