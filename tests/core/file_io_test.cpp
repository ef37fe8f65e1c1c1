#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "test_support.h"
#include "trace_files_support.h"
#include "util/file_io.h"
#include "workspace/workspace.h"

namespace otdr {
namespace {

namespace fs = std::filesystem;
using test::folderEntries;
using test::runInChild;

class FileSaving : public ::testing::Test {
  protected:
    std::string put(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.file(name);
        test::writeBytes(path, bytes);
        return path;
    }
    static Bytes contents(const std::string& path) { return readWholeFile(path).value(); }

    test::TempDir dir;
};

TEST_F(FileSaving, AWriteProtectedFileIsNotReplaced) {
    // The folder lets anyone replace its files; the file itself is read-only.
    ::chmod(dir.path().c_str(), 0777);
    const std::string target = put("x.sor", Bytes{1, 2, 3});
    ::chmod(target.c_str(), 0444);
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);

    const test::ChildOutcome r = runInChild([&] {
        if (!test::dropRootRights()) return test::kChildCannotDropRoot;
        auto written = writeFileAtomically(target, Bytes{9, 9});
        if (written) return 1;
        return written.error().message.find("没有权限") != std::string::npos ? 0 : 2;
    });
    if (r.exited && r.code == test::kChildCannotDropRoot)
        GTEST_SKIP() << "cannot give up root to let the file's permissions apply";
    EXPECT_TRUE(r.exited && r.code == 0) << "code " << r.code << ", signal " << r.signal;
    EXPECT_EQ(contents(target), (Bytes{1, 2, 3}));
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"x.sor"}));
}

TEST_F(FileSaving, SymbolicLinksAreFollowedToTheFileTheyName) {
    fs::create_directory(dir.path() / "real");
    const std::string target = put("real/target.sor", Bytes{1});
    fs::create_symlink("real/target.sor", dir.path() / "link.sor");
    fs::create_symlink("link.sor", dir.path() / "chain.sor");      // a link to a link
    fs::create_symlink("real/fresh.sor", dir.path() / "new.sor");  // names a file still to come

    ASSERT_TRUE(writeFileAtomically(dir.file("chain.sor"), Bytes{7, 7}).ok());
    EXPECT_EQ(contents(target), (Bytes{7, 7}));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.sor"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "chain.sor"));

    ASSERT_TRUE(writeFileAtomically(dir.file("new.sor"), Bytes{5}).ok());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "new.sor"));
    EXPECT_EQ(contents(dir.file("real/fresh.sor")), (Bytes{5}));
    EXPECT_EQ(folderEntries(dir.path() / "real"),
              (std::set<std::string>{"target.sor", "fresh.sor"}));
}

TEST_F(FileSaving, AFileNameOfTheLongestLengthCanBeSaved) {
    const std::string name = std::string(251, 'n') + ".sor";  // 255 bytes
    ASSERT_TRUE(writeFileAtomically(dir.file(name), Bytes{4, 2}).ok());
    EXPECT_EQ(contents(dir.file(name)), (Bytes{4, 2}));
    ASSERT_TRUE(writeFileAtomically(dir.file(name), Bytes{4, 3}).ok());
    EXPECT_EQ(contents(dir.file(name)), (Bytes{4, 3}));
}

TEST_F(FileSaving, TheFileSizeLimitFailsTheSaveAndLeavesNothingBehind) {
    const std::string target = put("big.sor", Bytes{5});
    const test::ChildOutcome r = runInChild([&] {
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        auto written = writeFileAtomically(target, Bytes(20000, 1));
        if (written) return 1;
        return written.error().message.find("文件太大") != std::string::npos ? 0 : 2;
    });
    EXPECT_TRUE(r.exited && r.code == 0) << "code " << r.code << ", signal " << r.signal;
    EXPECT_EQ(contents(target), (Bytes{5}));
    EXPECT_EQ(folderEntries(dir.path()), (std::set<std::string>{"big.sor"}));
}

TEST_F(FileSaving, OpeningAFifoOrADeviceIsRefusedWithoutWaiting) {
    const std::string fifo = dir.file("f.sor");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    fs::create_symlink("/dev/zero", dir.path() / "device.zt");
    const test::ChildOutcome r = runInChild([&] {
        RecordingPrompter prompter;
        Workspace ws(Settings{}, &prompter);
        for (const std::string& path : {fifo, dir.file("device.zt")}) {
            if (ws.openTrace(path)) return 1;
            if (prompter.errors.back() != "无法打开文件“" + path + "”：不是普通文件") return 2;
        }
        return ws.state().slots[0].loaded == 0 ? 0 : 3;
    });
    EXPECT_TRUE(r.exited && r.code == 0) << "code " << r.code << ", signal " << r.signal;
}

// Storage kept for file after file gives exactly each file's bytes, whatever a larger file
// left in it before; a file larger than the limit is refused whatever it declared.
TEST_F(FileSaving, ReadingIntoKeptStorageGivesEachFileWhole) {
    Bytes large(70000), small{1, 2, 3};
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    const std::string a = put("large.sor", large), b = put("small.sor", small),
                      empty = put("empty.sor", {});
    auto bytes = [](const Result<ByteView>& r) {
        return Bytes(r.value().begin(), r.value().end());
    };
    Bytes buffer;
    EXPECT_EQ(bytes(readWholeFile(a, buffer)), large);
    EXPECT_EQ(bytes(readWholeFile(b, buffer)), small);
    EXPECT_EQ(bytes(readWholeFile(empty, buffer)), Bytes{});
    EXPECT_EQ(bytes(readWholeFile(a, buffer)), large);
    EXPECT_FALSE(readWholeFile(dir.file("missing.sor"), buffer));
    EXPECT_FALSE(readWholeFile(a, buffer, large.size() - 1));
    EXPECT_EQ(bytes(readWholeFile(a, buffer, large.size())), large);
    Bytes fresh;
    EXPECT_EQ(bytes(readWholeFile(a, fresh, large.size())), large);
    EXPECT_EQ(readWholeFile(a).value(), large);
}

TEST_F(FileSaving, MessagesGiveTheCommonCausesInChinese) {
    const std::string missing = dir.file("missing.sor");
    EXPECT_EQ(readWholeFile(missing).error().message,
              "无法打开文件“" + missing + "”：文件或文件夹不存在");
    fs::create_directory(dir.path() / "folder.sor");
    EXPECT_EQ(readWholeFile(dir.file("folder.sor")).error().message,
              "无法打开文件“" + dir.file("folder.sor") + "”：这是一个文件夹");
    const std::string nowhere = dir.file("no/such/folder/x.zt");
    EXPECT_EQ(writeFileAtomically(nowhere, Bytes{1}).error().message,
              "无法保存文件“" + nowhere + "”：文件或文件夹不存在");
    EXPECT_EQ(writeFileAtomically(dir.file("folder.sor"), Bytes{1}).error().message,
              "无法保存文件“" + dir.file("folder.sor") + "”：这是一个文件夹");
    const std::string tooLong = dir.file(std::string(300, 'n') + ".sor");
    EXPECT_EQ(readWholeFile(tooLong).error().message, "无法打开文件“" + tooLong + "”：文件名太长");

    // Causes the file system here cannot produce on demand.
    for (int err : {EACCES, EPERM, EROFS, ENOSPC, EFBIG}) {
        const std::string reason = fileErrorReason(err);
        EXPECT_FALSE(reason.empty());
        for (char c : reason)
            EXPECT_FALSE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << reason;
    }
    EXPECT_NE(fileErrorReason(EROFS), fileErrorReason(EACCES));
    EXPECT_NE(fileErrorReason(ENOSPC), fileErrorReason(EFBIG));
    // A rare cause keeps the system's text.
    EXPECT_EQ(fileErrorReason(ELOOP), std::strerror(ELOOP));
}

}  // namespace
}  // namespace otdr
