// Where the snapshot commands put their pictures.
#include "core/desktop/snapshot_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

TEST(SnapshotFolder, TheProgramsFolderWhenItsOwnerMayWriteItElseThePictures) {
    struct Case {
        const char* what;
        unsigned program_mode; // 0: no such folder
        bool pictures_exist;
        bool to_pictures;
    } cases[] = {
        {"a build folder", 0755, true, false},
        {"an installed program's folder", 0555, true, true},
        {"no write bit for the owner, others may", 0577, true, true},
        {"a pictures folder not made yet is made", 0555, false, true},
        {"a program folder that is gone", 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string program = dir / "prefix/bin";
        if (c.program_mode) {
            dir.mkdir("prefix/bin");
            ASSERT_EQ(::chmod(program.c_str(), c.program_mode), 0);
        }
        const std::string pictures = dir / "home/Pictures";
        if (c.pictures_exist)
            dir.mkdir("home/Pictures");
        const std::string folder = snapshot_folder(program + "/", pictures);
        EXPECT_EQ(folder, c.to_pictures ? pictures + "/" : program + "/");
        EXPECT_EQ(test::exists(pictures), c.pictures_exist || c.to_pictures);
        ::chmod(program.c_str(), 0755);
    }
}

TEST(SnapshotFolder, APicturesFolderThatCannotBeMadeIsStillTheOneNamed) {
    test::TempDir dir;
    dir.mkdir("bin");
    ASSERT_EQ(::chmod((dir / "bin").c_str(), 0555), 0);
    dir.write("home", "a file where the folder should be");
    EXPECT_EQ(snapshot_folder(dir / "bin/", dir / "home/Pictures"), dir / "home/Pictures/");
    ::chmod((dir / "bin").c_str(), 0755);
}

} // namespace
} // namespace vt
