#include "cli/headless_check.h"
#include "cli/headless_run.h"
#include "core/list/list_file.h"
#include "core/run/run_preview.h"
#include "support/file_stat.h"
#include "support/fuse_disk.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>

namespace vt {
namespace {

using test::FuseDisk;

// A source folder holding names that differ only in case, backed up onto a disk that
// ignores case and onto the test machine's own, which does not.
class NameClashTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        // In bytes, "README" sorts before "Readme", "CaseDir" before "casedir", and the
        // folder "A" before the file "a".
        dir.write("src/README", "upper");
        dir.write("src/Readme", "lower");
        dir.write("src/CaseDir/one", "CaseDir one");
        dir.write("src/casedir/one", "casedir one");
        dir.write("src/A/x", "A x");
        dir.write("src/a", "file a");
        dir.write("src/other.txt", "other");
    }

    // A list of its own, with a journal of its own, for each disk.
    void save(const std::string& destination, const std::string& name) {
        list.append_line({src, "*", destination, "No", "Yes"});
        list_path = dir / (name + ".vtl");
        ASSERT_TRUE(save_vtl(list, list_path).ok);
    }
    int run(HeadlessReport& report) {
        std::ostringstream out, err;
        return headless_run(parse_command_line({"--run", list_path}), CopyOptions{}, out, err,
                            false, &report);
    }
    int check(std::string& report) {
        std::ostringstream out, err;
        const int status = headless_check(parse_command_line({"--check", list_path}), CopyOptions{},
                                          out, err, false);
        report = out.str();
        return status;
    }
    std::vector<std::string> clash_texts() const {
        return {
            "Folder " + src +
                "/casedir not copied, nor anything in it: it has the same name as CaseDir on a "
                "disk that ignores case",
            src + "/Readme not copied: it has the same name as README on a disk that ignores case",
            src + "/a not copied: it has the same name as A on a disk that ignores case",
        };
    }
    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    }

    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::string src;
    CopyList list;
    std::string list_path;
};

TEST_F(NameClashTest, OneOfTwoNamesThatFoldToOneIsCopiedAndTheOtherIsAFailure) {
    struct Case {
        const char* disk;
        std::optional<FuseDisk::Kind> kind; // none: the test machine's own disk
    };
    const Case cases[] = {
        {"ext4", std::nullopt}, {"FAT32", FuseDisk::Kind::Fat32}, {"exFAT", FuseDisk::Kind::Exfat}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.disk);
        list = CopyList();
        std::optional<FuseDisk> disk;
        std::string root = dir.mkdir(std::string("own-") + c.disk);
        if (c.kind) {
            disk.emplace(*c.kind);
            if (!disk->mounted()) {
                std::printf("[ SKIPPED  ] %s disk not available: %s\n", disk->name(),
                            disk->why_not().c_str());
                continue;
            }
            root = disk->path();
        }
        const bool folds = c.kind.has_value();
        const std::string dst = root + "/backup";
        save(dst, c.disk);

        HeadlessReport report;
        EXPECT_EQ(run(report), folds ? kExitFailures : kExitDone);
        EXPECT_EQ(report.copied, folds ? 4 : 7);
        EXPECT_EQ(report.failures, folds ? 3 : 0);
        // What is there under either name is the first's.
        EXPECT_EQ(test::read_file(dst + "/README"), "upper");
        EXPECT_EQ(test::read_file(dst + "/Readme"), folds ? "upper" : "lower");
        EXPECT_EQ(test::read_file(dst + "/casedir/one"), folds ? "CaseDir one" : "casedir one");
        EXPECT_EQ(test::read_file(dst + "/CaseDir/one"), "CaseDir one");
        struct stat a {};
        ASSERT_EQ(::stat((dst + "/a").c_str(), &a), 0);
        EXPECT_EQ(S_ISDIR(a.st_mode), folds);
        const std::string journal = test::read_file(report.journal);
        for (const std::string& text : clash_texts())
            EXPECT_EQ(count(journal, text + "\r\n"), folds ? 1 : 0) << text;

        // The ones not copied become newer: a second run still leaves the first's.
        for (const char* name : {"src/Readme", "src/casedir/one", "src/a"})
            test::set_mtime(dir / name, test::mtime(dir / name) + 3600);
        EXPECT_EQ(run(report), folds ? kExitFailures : kExitDone);
        EXPECT_EQ(report.copied, folds ? 0 : 3);
        EXPECT_EQ(report.failures, folds ? 3 : 0);
        EXPECT_EQ(test::read_file(dst + "/Readme"), folds ? "upper" : "lower");
        EXPECT_EQ(test::read_file(dst + "/casedir/one"), folds ? "CaseDir one" : "casedir one");
        const std::string second = test::read_file(report.journal);
        for (const std::string& text : clash_texts())
            EXPECT_EQ(count(second, text + "\r\n"), folds ? 2 : 0) << text;

        // The check tells the same, and does not take the first's backup for the
        // other's.
        std::string checked;
        EXPECT_EQ(check(checked), folds ? kExitFailures : kExitDone);
        for (const std::string& text : clash_texts())
            EXPECT_EQ(count(checked, text + "\n"), folds ? 1 : 0) << text;
        EXPECT_EQ(count(checked, "Same: README\n"), 1) << checked;
        EXPECT_EQ(count(checked, "Readme\n"), folds ? 0 : 1) << checked;
        EXPECT_EQ(count(checked, "DIFFERENT:"), 0) << checked;

        // And so does the preview.
        const Preview preview = preview_list(list, CopyOptions{});
        ASSERT_EQ(preview.lines.size(), 1u);
        std::vector<std::string> previewed = preview.lines[0].clashes;
        std::vector<std::string> expected = folds ? clash_texts() : std::vector<std::string>{};
        std::sort(previewed.begin(), previewed.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(previewed, expected);
        EXPECT_EQ(preview.lines[0].copies().files, 0);
    }
}

TEST_F(NameClashTest, ABackupOfTheSameNameInAnotherCaseIsReplacedNotAClash) {
    // "Readme" from an older run; the source now holds "README" only.
    const std::string only = dir.mkdir("only");
    dir.write("only/README", "upper");
    for (const FuseDisk::Kind kind : {FuseDisk::Kind::Fat32, FuseDisk::Kind::Exfat}) {
        FuseDisk disk(kind);
        SCOPED_TRACE(disk.name());
        if (!disk.mounted()) {
            std::printf("[ SKIPPED  ] %s disk not available: %s\n", disk.name(),
                        disk.why_not().c_str());
            continue;
        }
        ASSERT_EQ(::mkdir((disk / "backup").c_str(), 0755), 0);
        std::ofstream(disk / "backup/Readme") << "old";
        test::set_mtime(disk / "backup/Readme", test::mtime(dir / "only/README") - 3600);
        list = CopyList();
        list.append_line({only, "*", disk / "backup", "No", "No"});
        list_path = dir / (std::string(disk.name()) + "-only.vtl");
        ASSERT_TRUE(save_vtl(list, list_path).ok);
        HeadlessReport report;
        EXPECT_EQ(run(report), kExitDone);
        EXPECT_EQ(report.copied, 1);
        EXPECT_EQ(report.failures, 0);
        EXPECT_EQ(test::read_file(disk / "backup/README"), "upper");
        EXPECT_EQ(preview_list(list, CopyOptions{}).lines[0].clashes.size(), 0u);
    }
}

} // namespace
} // namespace vt
