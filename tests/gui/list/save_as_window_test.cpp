// Save As in the running window with Qt's own dialog, answered with keys.
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

using test::exists;
using test::read_file;

// Runs the steps on the file dialog's showings, one step a showing, with keys typed
// into whatever has the focus.
class DialogSteps {
public:
    explicit DialogSteps(std::vector<std::function<void(QWidget&)>> steps)
        : steps_(std::move(steps)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog == last_ || next_ >= steps_.size())
                return;
            QWidget* focus = QApplication::focusWidget();
            if (!focus || focus->window() != dialog)
                return;
            last_ = dialog;
            steps_[next_++](*focus);
        });
        timer_.start();
    }
    // A showing that comes again is a new showing once the dialog was hidden.
    void hidden() { last_ = nullptr; }
    size_t done() const { return next_; }

private:
    std::vector<std::function<void(QWidget&)>> steps_;
    size_t next_ = 0;
    QFileDialog* last_ = nullptr;
    QTimer timer_;
};

void type_name(QWidget& focus, const QString& name) {
    QTest::keyClick(&focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&focus, name);
    QTest::keyClick(&focus, Qt::Key_Return);
}

class SaveAsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
        form->document().append_line({"/src", "*.doc", "/dst", "Yes", "Yes"});
        form->document().set_list_folder(dir.path() + "/");
    }
    void TearDown() override { EXPECT_TRUE(prompter.done()); }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
    std::unique_ptr<TVT_main_Form> form;
};

TEST_F(SaveAsWindowTest, ATypedNameIsSavedAsAList) {
    DialogSteps steps({[](QWidget& focus) { type_name(focus, QStringLiteral("Weekly")); }});

    form->menu.SaveAs1->trigger();

    EXPECT_EQ(steps.done(), 1u);
    EXPECT_TRUE(exists(dir / "Weekly.vtl"));
    EXPECT_FALSE(exists(dir / "Weekly"));
    EXPECT_EQ(form->windowTitle(), "Vantorel: Weekly.vtl");
}

TEST_F(SaveAsWindowTest, NoToReplacingKeepsTheFileByteForByte) {
    const std::string other =
        dir.write("Other.vtl", "\"/a\",\"*.*\",\"/b\",\"No\",\"No\"\r\n\x01\xff");
    const std::string before = read_file(other);
    DialogSteps* steps_seen = nullptr;
    prompter.expect("Confirm", "Other.vtl already exists. Do you want to replace it?", Answer::No);
    prompter.while_open = [&](const Prompt&) {
        if (steps_seen)
            steps_seen->hidden();
    };
    DialogSteps steps({[](QWidget& focus) { type_name(focus, QStringLiteral("Other")); },
                       // Shown again after No: the user gives up.
                       [](QWidget& focus) { QTest::keyClick(&focus, Qt::Key_Escape); }});
    steps_seen = &steps;

    form->menu.SaveAs1->trigger();

    EXPECT_EQ(steps.done(), 2u);
    EXPECT_EQ(read_file(other), before);
    EXPECT_TRUE(form->document().file_name().empty());
}

} // namespace
} // namespace vt
