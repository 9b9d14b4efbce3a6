// The hidden snapshot command of the main window and the capture itself, on the
// offscreen platform. Pictures of the real screen are tested under an X server.
#include "core/platform/atomic_file.h"
#include "core/platform/file_names.h"
#include "core/platform/sys.h"
#include "core/platform/xdg_folders.h"
#include "gui/screens/window_snapshot.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { std::remove(picture.c_str()); }
    void TearDown() override {
        sys::clear_fault_hook();
        std::remove(picture.c_str());
        EXPECT_TRUE(prompter.done());
    }
    std::unique_ptr<TVT_main_Form> window() {
        return test::open_main_window({&prompter, &desktop});
    }
    static QStringList folder_entries(const std::string& folder) {
        return QDir(QString::fromStdString(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    const std::string picture = names::program_folder() + "VT_main.bmp";
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(SnapshotTest, TheItemIsHiddenLastInHelpAndCtrlSIsItsOnly) {
    auto form = window();
    QAction* item = form->menu.ScreenShot1;
    EXPECT_FALSE(item->isVisible());
    EXPECT_EQ(item->text(), "&ScreenShot");
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(form->menu.Help->actions().last(), item);
    EXPECT_TRUE(form->menu.Save1->shortcut().isEmpty());
}

TEST_F(SnapshotTest, CtrlSWritesTheWindowIntoTheProgramsFolderEvenFromTheMessageEdit) {
    auto form = window();
    form->Edit3->setFocus();
    QTest::keyClick(form->Edit3, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(test::exists(picture));
    const QImage image(QString::fromStdString(picture), "BMP");
    EXPECT_EQ(image.size(), form->frameGeometry().size());
    EXPECT_EQ(form->Edit3->text(), ""); // the key did not reach the edit
}

TEST_F(SnapshotTest, AFileThatCannotBeWrittenIsReportedAndTheOldOneKept) {
    auto form = window();
    const std::string old_content = "an older picture";
    {
        std::FILE* f = std::fopen(picture.c_str(), "wb");
        std::fputs(old_content.c_str(), f);
        std::fclose(f);
    }
    const QStringList before = folder_entries(names::program_folder());
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Write ? ENOSPC : 0; });
    prompter.expect("Vantorel", "Cannot create file " + picture + ".", Answer::Ok);
    form->menu.ScreenShot1->trigger();
    sys::clear_fault_hook();
    EXPECT_EQ(test::read_file(picture), old_content);
    EXPECT_EQ(folder_entries(names::program_folder()), before); // no temporary file left
    EXPECT_TRUE(form->isVisible());
}

// The program's folder as an installed program has it: its owner may not write it.
// Root writes it all the same; the program asks the owner's write bit.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder) : folder_(std::move(folder)) {
        struct stat st {};
        ::stat(folder_.c_str(), &st);
        mode_ = st.st_mode & 07777;
        ::chmod(folder_.c_str(), 0555);
    }
    ~ReadOnlyFolder() { ::chmod(folder_.c_str(), mode_); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    std::string folder_;
    mode_t mode_ = 0755;
};

TEST_F(SnapshotTest, AnInstalledProgramPutsItsPicturesIntoThePicturesFolder) {
    test::TempDir home;
    const std::string pictures = home / "My Pictures";
    ASSERT_TRUE(xdg::make_folders(xdg::config_home()).ok);
    ASSERT_TRUE(replace_file(xdg::config_home() + "/user-dirs.dirs",
                             "XDG_PICTURES_DIR=\"" + pictures + "\"\n")
                    .ok);
    const ReadOnlyFolder read_only(names::program_folder());
    auto form = window();
    form->menu.ScreenShot1->trigger();
    EXPECT_FALSE(test::exists(picture));
    const QImage image(QString::fromStdString(pictures + "/VT_main.bmp"), "BMP");
    EXPECT_EQ(image.size(), form->frameGeometry().size());

    // When the pictures folder cannot be made either, the box names the file there.
    ASSERT_TRUE(replace_file(xdg::config_home() + "/user-dirs.dirs",
                             "XDG_PICTURES_DIR=\"" + home.write("file", "") + "/Pictures\"\n")
                    .ok);
    prompter.expect("Vantorel", "Cannot create file " + (home / "file/Pictures/VT_main.bmp") + ".",
                    Answer::Ok);
    form->menu.ScreenShot1->trigger();
    EXPECT_FALSE(test::exists(picture));
}

TEST_F(SnapshotTest, AnAreaOffEveryScreenGivesAFullSizeBlackPicture) {
    test::TempDir dir;
    const std::string file = dir / "off.bmp";
    ASSERT_TRUE(CaptureScreenArea(-5000, -5000, 120, 40, file).ok);
    const QImage image(QString::fromStdString(file), "BMP");
    ASSERT_EQ(image.size(), QSize(120, 40));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
}

TEST_F(SnapshotTest, ANameInAMissingFolderIsReported) {
    test::TempDir dir;
    const std::string file = dir / "missing/VT_Edit.bmp";
    const IoResult r = CaptureScreenArea(0, 0, 10, 10, file);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Cannot create file " + file);
}

} // namespace
} // namespace vt
