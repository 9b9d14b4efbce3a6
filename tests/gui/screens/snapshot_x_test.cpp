// Pictures of the real screen: run on an X server (xvfb-run) with the xcb platform.
#include "core/platform/file_names.h"
#include "gui/editor/vt_entry.h"
#include "gui/screens/window_snapshot.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vt {
namespace {

class SnapshotOnScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
        std::remove(picture.c_str());
        ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
        ASSERT_EQ(::chdir(elsewhere.path().c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(::chdir(cwd), 0);
        std::remove(picture.c_str());
        EXPECT_TRUE(prompter.done());
    }
    std::unique_ptr<TVT_main_Form> window_at(QPoint place) {
        auto form = test::open_main_window({&prompter, &desktop}, {}, test::Opening::at(place));
        form->activateWindow(); // the key goes to the active window
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::qWait(200); // let the server draw it
        return form;
    }
    QImage snapshot(TVT_main_Form& form) {
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
        EXPECT_TRUE(test::exists(picture));
        return QImage(QString::fromStdString(picture), "BMP");
    }

    char cwd[4096] = {};
    test::TempDir elsewhere; // the working folder while the tests run
    const std::string picture = names::program_folder() + "VT_main.bmp";
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(SnapshotOnScreenTest, CtrlSReplacesThePictureInTheProgramsFolderWithTheWindow) {
    {
        std::FILE* f = std::fopen(picture.c_str(), "wb");
        std::fputs("an older picture", f);
        std::fclose(f);
    }
    auto form = window_at({40, 30});
    const QImage image = snapshot(*form);
    EXPECT_FALSE(test::exists(elsewhere / "VT_main.bmp"));
    ASSERT_FALSE(image.isNull()) << "the older file was not replaced by a picture";
    EXPECT_EQ(image.size(), form->frameGeometry().size());

    // The picture is the window as the screen shows it.
    const QImage drawn = form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint inner = form->geometry().topLeft() - form->frameGeometry().topLeft();
    int same = 0, total = 0;
    for (int y = 0; y < drawn.height(); y += 3)
        for (int x = 0; x < drawn.width(); x += 3, ++total)
            same += image.pixel(x + inner.x(), y + inner.y()) == drawn.pixel(x, y);
    EXPECT_GT(same, total * 9 / 10);
}

TEST_F(SnapshotOnScreenTest, AWindowPartlyOffTheScreenGivesAFullSizePicture) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto form = window_at({screen.right() - 200, 50});
    const QRect frame = form->frameGeometry();
    ASSERT_GT(frame.right(), screen.right()) << "the window manager kept it on the screen";
    const QImage image = snapshot(*form);
    EXPECT_EQ(image.size(), frame.size());
    const int off_x = screen.right() + 1 - frame.left() + 20; // a column off the screen
    ASSERT_LT(off_x, image.width());
    for (int y = 0; y < image.height(); ++y)
        ASSERT_EQ(image.pixel(off_x, y), qRgb(0, 0, 0)) << "row " << y;
}

TEST_F(SnapshotOnScreenTest, CtrlTInTheEntryEditorWritesItsOwnPicture) {
    const std::string editor_picture = names::program_folder() + "VT_Edit.bmp";
    std::remove(editor_picture.c_str());
    auto form = window_at({0, 0});
    form->menu.Add1->trigger();
    TVT_add_Form* editor = form->add_form();
    ASSERT_TRUE(editor && editor->isVisible());
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
    QTest::qWait(200);
    QTest::keyClick(editor, Qt::Key_T, Qt::ControlModifier);
    const QImage image(QString::fromStdString(editor_picture), "BMP");
    EXPECT_EQ(image.size(), editor->frameGeometry().size());
    EXPECT_FALSE(test::exists(picture)); // not the main window's picture
    EXPECT_FALSE(test::exists(elsewhere / "VT_Edit.bmp"));
    std::remove(editor_picture.c_str());
}

} // namespace
} // namespace vt
