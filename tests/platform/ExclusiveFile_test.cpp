// The exclusive file under the data file's connection, on the system the
// suite runs on: Windows' share modes under Wine, advisory locks natively.
#include "platform/ExclusiveFile.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/temp_dir.h"

using qm::platform::ExclusiveFile;
using qm::platform::FileError;
using qm::platform::FileFault;
using Bytes = std::vector<unsigned char>;

namespace {

FileFault readFault(const std::string& path) {
    try {
        qm::platform::ReadWholeFile(path);
    } catch (const FileError& e) {
        return e.Fault;
    }
    ADD_FAILURE() << "the file could be read";
    return FileFault::Other;
}

}  // namespace

TEST(ExclusiveFile, HeldFileIsRefusedToEveryOtherOpenUntilClosed) {
    qm::test::TempDir dir;
    const std::string path = dir.file("数据.dat");
    qm::platform::ReplaceFileContents(path, Bytes{1, 2, 3});

    ExclusiveFile held;
    ASSERT_TRUE(held.Open(path, ExclusiveFile::Mode::ReadOnly));
    EXPECT_EQ(readFault(path), FileFault::InUse) << "even held only for reading";
    EXPECT_THROW(qm::platform::ReadFileStart(path, 2), FileError);
    ExclusiveFile second;
    EXPECT_FALSE(second.Open(path, ExclusiveFile::Mode::ReadOnly));
    EXPECT_EQ(second.Fault(), FileFault::InUse);
    EXPECT_FALSE(second.IsOpen());

    held.Close();
    EXPECT_EQ(qm::platform::ReadWholeFile(path), (Bytes{1, 2, 3}));
    ASSERT_TRUE(second.Open(path, ExclusiveFile::Mode::ReadWrite));
}

TEST(ExclusiveFile, ReadsAndWritesAtOffsetsGrowsAndShrinks) {
    qm::test::TempDir dir;
    const std::string path = dir.file("f.dat");
    ExclusiveFile f;
    EXPECT_FALSE(f.Open(path, ExclusiveFile::Mode::ReadWrite)) << "a missing file is not created";
    EXPECT_EQ(f.Fault(), FileFault::Other);
    EXPECT_FALSE(qm::platform::FileExists(path));

    ASSERT_TRUE(f.Open(path, ExclusiveFile::Mode::OpenOrCreate));
    uint64_t size = 99;
    ASSERT_TRUE(f.Size(size));
    EXPECT_EQ(size, 0u);
    ASSERT_TRUE(f.WriteAt("abc", 3, 5));
    ASSERT_TRUE(f.WriteAt("XY", 2, 0));
    ASSERT_TRUE(f.Size(size));
    EXPECT_EQ(size, 8u);
    char buf[16];
    ASSERT_EQ(f.ReadAt(buf, sizeof buf, 0), 8) << "a read past the end stops there";
    EXPECT_EQ(std::string(buf, 8), std::string("XY\0\0\0abc", 8));
    EXPECT_EQ(f.ReadAt(buf, 4, 6), 2);
    EXPECT_EQ(f.ReadAt(buf, 4, 100), 0);

    ASSERT_TRUE(f.Truncate(4));
    ASSERT_TRUE(f.Sync());
    ASSERT_TRUE(f.Size(size));
    EXPECT_EQ(size, 4u);
    f.Close();
    EXPECT_EQ(qm::platform::ReadWholeFile(path), (Bytes{'X', 'Y', 0, 0}));

    ASSERT_TRUE(f.Open(path, ExclusiveFile::Mode::OpenOrCreate)) << "an existing file is opened, not emptied";
    ASSERT_TRUE(f.Size(size));
    EXPECT_EQ(size, 4u);
}
