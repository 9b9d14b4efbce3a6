// The introduction screen as a window, at start-up and on demand from the Help menu.
#include "core/desktop/product_info.h"
#include "core/settings/settings_file.h"
#include "gui/screens/modal_helper.h"
#include "gui/screens/vt_intro.h"
#include "gui/window/vt_main.h"
#include "support/open_main_window.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

#include "support/intro_flags.h"
#include "support/recording_desktop_services.h"
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <cstdio>

#include <gtest/gtest.h>
#include <optional>

namespace vt {
namespace {

using Flags = test::IntroFlags;

// Counts the times a window is shown.
class ShowCounter : public QObject {
public:
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show)
            ++shows;
        return false;
    }
};

class IntroWindowTest : public ::testing::Test {
protected:
    void SetUp() override { std::remove(ini.c_str()); }
    void TearDown() override {
        std::remove(ini.c_str());
        EXPECT_TRUE(prompter.done());
    }
    void write_ini(const std::string& content) {
        ASSERT_TRUE(write_settings(ini, Settings{}, 0).ok); // creates the folder
        std::FILE* f = std::fopen(ini.c_str(), "wb");
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
    std::optional<Flags> stored() const {
        if (!test::exists(ini))
            return std::nullopt;
        const Settings s = read_settings(ini);
        return Flags{s.intro_first, s.intro_show};
    }
    // A main window as the program starts it, with the introduction screen.
    std::unique_ptr<TVT_main_Form> start() {
        MainFormServices services{&prompter, &desktop};
        services.introduction_at_start = true;
        return test::open_main_window(services, {}, test::Opening::unshown());
    }
    // A main window without the introduction at start, shown.
    std::unique_ptr<TVT_main_Form> window() {
        return test::open_main_window({&prompter, &desktop});
    }

    const std::string ini = settings_file_path();
    test::ScriptedPrompter prompter;
    test::RecordingDesktopServices desktop;
};

TEST_F(IntroWindowTest, ControlsCaptionsAndPlaces) {
    auto owner = window();
    TIntro_Form screen(*owner);
    EXPECT_EQ(screen.windowTitle(), "Welcome to quick and easy file copying");
    EXPECT_EQ(screen.font().family(), "Arial");
    EXPECT_EQ(screen.font().pixelSize(), 13);
    EXPECT_EQ(screen.width(), screen.Memo1->width()); // the memo fills the window's width
    EXPECT_TRUE(screen.Memo1->isReadOnly());
    struct Control {
        QWidget* widget;
        QString caption;
        QRect place;
    };
    for (const Control& c : {
             Control{screen.Memo1, {}, {0, 0, 653, 465}},
             Control{screen.BitBtn1, "Accept", {40, 480, 145, 41}},
             Control{screen.BitBtn3, "Reject", {248, 480, 165, 41}},
             Control{screen.BitBtn2, "&Help", {468, 480, 141, 41}},
             Control{screen.CheckBox1, "Don't Show me this again", {16, 536, 205, 17}},
         }) {
        SCOPED_TRACE(c.widget->objectName().toStdString());
        EXPECT_EQ(c.widget->geometry(), c.place);
        EXPECT_TRUE(screen.rect().contains(c.widget->geometry()));
        if (auto* b = qobject_cast<QAbstractButton*>(c.widget)) {
            EXPECT_EQ(b->text(), c.caption);
        }
    }
    EXPECT_TRUE(screen.BitBtn1->isDefault());
}

TEST_F(IntroWindowTest, TheTextHasItsPartsInOrder) {
    auto owner = window();
    TIntro_Form screen(*owner);
    const QString text = screen.Memo1->toPlainText();
    EXPECT_TRUE(text.startsWith(ProductInfo::product_name)) << text.toStdString();
    qsizetype at = 0;
    for (const char* part :
         {"backup copies", "without warranty", "liable", "overwrites", "copyright", "copy",
          "you accept these conditions", "suggestions", "help"}) {
        const qsizetype found = text.indexOf(QLatin1String(part), at, Qt::CaseInsensitive);
        EXPECT_GE(found, at) << part;
        if (found >= 0)
            at = found;
    }
}

TEST_F(IntroWindowTest, FocusStartsOnRejectAndTabGoesRound) {
    auto owner = window();
    std::vector<QString> order;
    test::OnModal<TIntro_Form> user([&](TIntro_Form& s) {
        for (int i = 0; i < 6; ++i) {
            QWidget* focus = QApplication::focusWidget();
            order.push_back(focus ? focus->objectName() : QStringLiteral("nothing"));
            QTest::keyClick(focus ? focus : &s, Qt::Key_Tab);
        }
        s.reject();
    });
    show_introduction(*owner);
    EXPECT_EQ(order, (std::vector<QString>{"BitBtn3", "CheckBox1", "BitBtn1", "BitBtn2", "Memo1",
                                           "BitBtn3"}));
}

TEST_F(IntroWindowTest, HowEachWayOfClosingAnswers) {
    auto owner = window();
    struct Way {
        const char* name;
        std::function<void(TIntro_Form&)> act;
        IntroAnswer answer;
    };
    const Way ways[] = {
        {"Enter at once (Reject has the focus)",
         [](TIntro_Form&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); },
         IntroAnswer::Rejected},
        {"Escape", [](TIntro_Form& s) { QTest::keyClick(&s, Qt::Key_Escape); },
         IntroAnswer::Rejected},
        {"close box", [](TIntro_Form& s) { s.close(); }, IntroAnswer::Rejected},
        {"Reject", [](TIntro_Form& s) { s.BitBtn3->click(); }, IntroAnswer::Rejected},
        {"Accept", [](TIntro_Form& s) { s.BitBtn1->click(); }, IntroAnswer::Accepted},
        {"Enter on the tick box: the default button",
         [](TIntro_Form& s) {
             s.CheckBox1->setFocus();
             QTest::keyClick(s.CheckBox1, Qt::Key_Return);
         },
         IntroAnswer::Accepted},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        test::OnModal<TIntro_Form> user(way.act);
        EXPECT_EQ(show_introduction(*owner), way.answer);
        EXPECT_EQ(user.seen, 1);
    }
    EXPECT_FALSE(test::exists(ini)); // closing writes nothing
}

TEST_F(IntroWindowTest, EveryClickOnTheBoxWritesTheIntroductionGroup) {
    write_ini("[Options]\nVerifyEachFile=0\n");
    auto owner = window();
    owner->IntroFirst = true;
    owner->IntroShow = false; // a first start
    TIntro_Form screen(*owner);
    EXPECT_TRUE(screen.CheckBox1->isChecked());
    EXPECT_EQ(test::read_file(ini), "[Options]\nVerifyEachFile=0\n"); // nothing written yet

    screen.CheckBox1->click();
    EXPECT_EQ(stored(), (Flags{true, true}));
    EXPECT_TRUE(owner->IntroShow);
    screen.CheckBox1->click();
    EXPECT_EQ(stored(), (Flags{true, false}));
    EXPECT_FALSE(read_settings(ini).options.verify_each_file); // only its own group
}

TEST_F(IntroWindowTest, HelpButtonAsksForItsTopicOnlyWhenThereIsHelp) {
    auto owner = window();
    TIntro_Form screen(*owner);
    owner->HelpAvailable = false;
    screen.BitBtn2->click();
    EXPECT_TRUE(desktop.help_topics.empty());
    owner->HelpAvailable = true;
    screen.BitBtn2->click();
    EXPECT_EQ(desktop.help_topics, std::vector<std::string>{"Copyright"});
    EXPECT_TRUE(screen.isVisible() || !screen.result()); // the screen stays as it was
}

// --- Start-up -----------------------------------------------------------------

TEST_F(IntroWindowTest, FirstStartOffersTheScreenTickedBeforeTheMainWindow) {
    bool main_visible = true, ticked = false;
    QWidget* owner_seen = nullptr;
    test::OnModal<TIntro_Form> user([&](TIntro_Form& s) {
        ticked = s.CheckBox1->isChecked();
        owner_seen = s.parentWidget();
        main_visible = owner_seen && owner_seen->isVisible();
        EXPECT_EQ(QApplication::focusWidget(), s.BitBtn3);
        s.BitBtn1->click();
    });
    auto form = start();
    EXPECT_EQ(user.seen, 1);
    EXPECT_TRUE(ticked);
    EXPECT_EQ(owner_seen, form.get());
    EXPECT_FALSE(main_visible);
    EXPECT_FALSE(form->ended_at_start());
    EXPECT_EQ(stored(), (Flags{false, false}));
    EXPECT_EQ(form->windowTitle(), "Vantorel: Untitled"); // start-up went on

    test::OnModal<TIntro_Form> nobody([](TIntro_Form& s) { s.reject(); });
    auto next = start();
    EXPECT_EQ(nobody.seen, 0);
    EXPECT_FALSE(next->ended_at_start());
}

TEST_F(IntroWindowTest, RejectAtStartEndsBeforeTheWindowIsShownAndWritesNothing) {
    write_ini("[HistoryFiles]\nFile0=/x.vtl\n");
    const std::string before = test::read_file(ini);
    ShowCounter counter;
    test::OnModal<TIntro_Form> user([&](TIntro_Form& s) {
        s.parentWidget()->installEventFilter(&counter);
        s.BitBtn3->click();
    });
    auto form = start();
    EXPECT_EQ(user.seen, 1);
    EXPECT_TRUE(form->ended_at_start());
    EXPECT_EQ(counter.shows, 0);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(test::read_file(ini), before);
    // The rest of start-up was skipped.
    EXPECT_EQ(form->windowTitle(), "");
    EXPECT_EQ(form->document().list_folder(), "");
}

// --- On demand ----------------------------------------------------------------

TEST_F(IntroWindowTest, RejectOnDemandAsksAboutChangesThenEndsWithoutTheClosingSteps) {
    write_ini("[Introduction]\nfirst=0\nshow=0\n");
    const std::string before = test::read_file(ini);
    // No gives the changes up and ends the program; Cancel keeps it going.
    for (const Answer answer : {Answer::No, Answer::Cancel}) {
        auto form = window();
        QTest::keyClicks(form->Edit3, "unsaved");
        ASSERT_TRUE(form->document().modified());
        prompter.expect("Confirm", "You have made changes to [untitled]\r\nSave these changes?",
                        answer);

        test::OnModal<TIntro_Form> user([](TIntro_Form& s) { s.BitBtn3->click(); });
        QTimer::singleShot(0, form.get(), [&] {
            form->menu.ShowtheIntroductionScreen1->trigger();
            if (form->isVisible())
                QCoreApplication::exit(42); // the program goes on
        });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); }); // a failing test ends too
        const int status = QApplication::exec();

        EXPECT_EQ(user.seen, 1);
        EXPECT_EQ(status, answer == Answer::No ? 0 : 42);
        EXPECT_EQ(form->isVisible(), answer == Answer::Cancel);
        EXPECT_EQ(form->Edit3->text(), "unsaved");
        EXPECT_EQ(test::read_file(ini), before); // the closing steps did not run
    }
}

TEST_F(IntroWindowTest, AcceptOnDemandChangesNothingButTheClickedBox) {
    write_ini("[Introduction]\nfirst=0\nshow=0\n");
    auto form = window();
    bool ticked = false;
    test::OnModal<TIntro_Form> user([&](TIntro_Form& s) {
        ticked = s.CheckBox1->isChecked();
        s.CheckBox1->click();
        s.BitBtn1->click();
    });
    form->menu.ShowtheIntroductionScreen1->trigger();
    EXPECT_EQ(user.seen, 1);
    EXPECT_TRUE(ticked);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(stored(), (Flags{false, true}));
    // A new screen for every showing, released when closed.
    EXPECT_TRUE(form->findChildren<TIntro_Form*>().isEmpty());
}

} // namespace
} // namespace vt
