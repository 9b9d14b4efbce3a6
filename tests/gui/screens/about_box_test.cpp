// The about box: what it shows, its links and its closing.
#include "core/desktop/links.h"
#include "core/desktop/product_info.h"
#include "gui/screens/modal_helper.h"
#include "gui/screens/vt_about.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/recording_desktop_services.h"
#include "support/scripted_prompter.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vt {
namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(AboutBoxTest, ShowsTheProductAndVersionOfProductInfo) {
    TAboutBox box(desktop, nullptr);
    // Composed here from the fields, independently of the box's own code.
    const std::string version = std::string("Version ") +
                                std::to_string(ProductInfo::major_version) + "." +
                                std::to_string(ProductInfo::minor_version) + ProductInfo::release +
                                " " + ProductInfo::build_suffix;
    EXPECT_EQ(box.Version->text().toStdString(), version); // a blank even before no suffix
    EXPECT_EQ(box.ProductName->text(), ProductInfo::product_name);
    EXPECT_EQ(box.Labelemail->text(), links::kInformationMail);
    EXPECT_EQ(box.Labelweb->text(), links::kWebAddress);
    EXPECT_EQ(box.Comments->text(), "Early release with free upgrade option");
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_FALSE(box.ProgramIcon->pixmap().isNull());
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.OKButton->text(), "OK");
    EXPECT_TRUE(box.OKButton->isDefault());
}

TEST_F(AboutBoxTest, FixedSizeAndEveryTextFitsItsPanel) {
    TAboutBox box(desktop, nullptr);
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    for (QLabel* l : box.findChildren<QLabel*>()) {
        SCOPED_TRACE(l->objectName().toStdString());
        EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry()));
    }
    for (QLabel* link : {box.Labelemail, box.Labelweb})
        EXPECT_TRUE(link->font().underline());
}

TEST_F(AboutBoxTest, LinksOpenTheMailAndTheSiteAndTheBoxStaysOpen) {
    TAboutBox box(desktop, nullptr);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::mouseClick(box.Labelemail, Qt::LeftButton);
    QTest::mouseClick(box.Labelweb, Qt::LeftButton);
    QTest::mouseClick(box.Labelweb, Qt::RightButton); // not a click on the link
    EXPECT_EQ(desktop.urls,
              (std::vector<std::string>{links::information_mail(), links::web_site()}));
    EXPECT_TRUE(box.isVisible());
}

TEST_F(AboutBoxTest, AboutMakesANewBoxEachTimeClosedByOkOrEnter) {
    std::unique_ptr<TVT_main_Form> form;
    ASSERT_NO_FATAL_FAILURE(form = test::open_main_window({&prompter, &desktop}));
    std::vector<QPointer<TAboutBox>> boxes;
    {
        test::OnModal<TAboutBox> user([&](TAboutBox& box) {
            boxes.emplace_back(&box);
            EXPECT_EQ(box.parentWidget(), form.get());
            box.OKButton->click();
        });
        form->menu.About1->trigger();
    }
    {
        test::OnModal<TAboutBox> user([&](TAboutBox& box) {
            boxes.emplace_back(&box);
            QTest::keyClick(&box, Qt::Key_Return);
        });
        form->menu.About1->trigger();
    }
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].isNull()); // released when it closed
    EXPECT_TRUE(boxes[1].isNull());
    EXPECT_TRUE(prompter.done());
}

} // namespace
} // namespace vt
