#include "gui/list/qt_file_dialog.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace vt {
namespace {

using test::exists;
using test::read_file;

// Runs `step` on the dialog once it is showing.
void when_shown(QtFileDialog& dialog, std::function<void(QFileDialog&)> step) {
    QTimer::singleShot(0, dialog.dialog(), [d = dialog.dialog(), step] {
        if (d->isVisible())
            step(*d);
    });
}

void type_and_accept(QFileDialog& d, const QString& text) {
    auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_TRUE(edit);
    edit->setText(text);
    QMetaObject::invokeMethod(&d, "accept");
}

class QtFileDialogTest : public ::testing::Test {
protected:
    QWidget window;
    test::TempDir dir;
};

TEST_F(QtFileDialogTest, SaveGivesTheTypedNameWithoutAddingAnExtension) {
    QtFileDialog save(&window, QFileDialog::AcceptSave, QStringLiteral("SaveDialog1"));
    save.initial_dir = dir.path() + "/";
    save.file_name = "*.vtl";
    save.filter = "*.vtl";
    when_shown(save, [](QFileDialog& d) {
        EXPECT_EQ(d.nameFilters(), QStringList{QStringLiteral("*.vtl")});
        type_and_accept(d, QStringLiteral("Weekly"));
    });
    ASSERT_TRUE(save.execute());
    EXPECT_EQ(save.file_name, dir / "Weekly");
}

TEST_F(QtFileDialogTest, SaveOverAnExistingFileAsksNothing) {
    const std::string existing = dir.write("Daily.vtl", "old");
    QtFileDialog save(&window, QFileDialog::AcceptSave, QStringLiteral("SaveDialog1"));
    save.initial_dir = dir.path();
    save.file_name = existing;
    save.filter = "*.vtl";
    when_shown(save, [](QFileDialog& d) { QMetaObject::invokeMethod(&d, "accept"); });
    // A question box would stay open and never let execute() return.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "asked: " << box->text().toStdString();
            box->reject();
        }
    });
    guard.start(2000);
    ASSERT_TRUE(save.execute());
    EXPECT_EQ(save.file_name, existing);
}

TEST_F(QtFileDialogTest, AMaskTypedIntoTheNameBoxFiltersInsteadOfBeingChosen) {
    dir.write("a.vtl", "");
    QtFileDialog open(&window, QFileDialog::AcceptOpen, QStringLiteral("OpenDialog1"));
    open.initial_dir = dir.path();
    open.file_name = "*.vtl";
    when_shown(open, [&](QFileDialog& d) {
        type_and_accept(d, QStringLiteral("*.txt"));
        // Shown again with the mask as its filter; now a real choice.
        when_shown(open, [&](QFileDialog& again) {
            EXPECT_EQ(again.nameFilters(), QStringList{QStringLiteral("*.txt")});
            type_and_accept(again, QString::fromStdString(dir / "a.vtl"));
        });
    });
    ASSERT_TRUE(open.execute());
    EXPECT_EQ(open.file_name, dir / "a.vtl");
}

TEST_F(QtFileDialogTest, CancelReportsNoChoice) {
    QtFileDialog open(&window, QFileDialog::AcceptOpen, QStringLiteral("OpenDialog1"));
    open.file_name = "*.vtl";
    when_shown(open, [](QFileDialog& d) { d.reject(); });
    EXPECT_FALSE(open.execute());
    EXPECT_EQ(open.file_name, "*.vtl");
}

} // namespace
} // namespace vt
