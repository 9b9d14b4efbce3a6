// When the introduction screen comes up at start, over real settings files, and
// what each answer leaves for the next start.
#include "core/settings/intro_decision.h"
#include "core/settings/settings_file.h"
#include "support/temp_dir.h"

#include "support/intro_flags.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace vt {
namespace {

using Flags = test::IntroFlags;

// What the user does on the screen: clicks on the tick box, then the answer.
struct User {
    int box_clicks = 0;
    IntroAnswer answer = IntroAnswer::Accepted;
};

// One start of the program as far as the introduction is concerned.
struct StartSeen {
    bool shown = false;
    bool ticked = false; // the box as the screen opened
    bool goes_on = false;
};

StartSeen start(const std::string& ini, const User& user) {
    Settings settings = read_settings(ini);
    IntroDecision rules(settings.intro_first, settings.intro_show, [&] {
        EXPECT_TRUE(write_settings(ini, settings, kSettingsIntroduction).ok);
    });
    StartSeen seen;
    seen.goes_on = rules.at_start([&] {
        seen.shown = true;
        seen.ticked = rules.box_ticked();
        bool ticked = seen.ticked;
        for (int i = 0; i < user.box_clicks; ++i)
            rules.box_clicked(ticked = !ticked);
        return user.answer;
    });
    return seen;
}

std::optional<Flags> stored(const std::string& ini) {
    if (!test::exists(ini))
        return std::nullopt;
    const Settings s = read_settings(ini);
    return Flags{s.intro_first, s.intro_show};
}

struct Case {
    const char* name;
    const char* ini_before; // nullptr: no settings file
    User user;
    bool shown, ticked, goes_on;
    std::optional<Flags> stored_after;
    bool shown_next, ticked_next; // the next start, where the user accepts
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

constexpr auto kAccept = IntroAnswer::Accepted;
constexpr auto kReject = IntroAnswer::Rejected;

const Case kCases[] = {
    {"first start, accepted as offered: not shown again",
     nullptr,
     {0, kAccept},
     true,
     true,
     true,
     Flags{false, false},
     false,
     false},
    {"first start, rejected: nothing written, the next start is a first start",
     nullptr,
     {0, kReject},
     true,
     true,
     false,
     std::nullopt,
     true,
     true},
    {"first start, unticked then rejected: the click was stored",
     nullptr,
     {1, kReject},
     true,
     true,
     false,
     Flags{true, true},
     true,
     true},
    {"first start, unticked then accepted: shown at every start",
     nullptr,
     {1, kAccept},
     true,
     true,
     true,
     Flags{false, true},
     true,
     false},
    {"first start, box clicked twice then rejected",
     nullptr,
     {2, kReject},
     true,
     true,
     false,
     Flags{true, false},
     true,
     true},
    {"asked for at every start: shown unticked",
     "[Introduction]\nfirst=0\nshow=1\n",
     {0, kAccept},
     true,
     false,
     true,
     Flags{false, true},
     true,
     false},
    {"later start, ticked then rejected: never shown again",
     "[Introduction]\nfirst=0\nshow=1\n",
     {1, kReject},
     true,
     false,
     false,
     Flags{false, false},
     false,
     false},
    {"not asked for: not shown, the flags are written back",
     "[Introduction]\nfirst=0\nshow=0\n",
     {},
     false,
     false,
     true,
     Flags{false, false},
     false,
     false},
    {"a first start overrides a stored show=1",
     "[Introduction]\nshow=1\n",
     {0, kAccept},
     true,
     true,
     true,
     Flags{false, false},
     false,
     false},
};

class IntroDecisionTest : public ::testing::TestWithParam<Case> {
protected:
    test::TempDir dir;
    const std::string ini = dir / "config/Vantorel.ini";
};

TEST_P(IntroDecisionTest, DecidesAndStoresForThisAndTheNextStart) {
    const Case& c = GetParam();
    SCOPED_TRACE(c.name);
    if (c.ini_before)
        dir.write("config/Vantorel.ini", c.ini_before);

    const StartSeen seen = start(ini, c.user);
    EXPECT_EQ(seen.shown, c.shown);
    if (c.shown) {
        EXPECT_EQ(seen.ticked, c.ticked);
    }
    EXPECT_EQ(seen.goes_on, c.goes_on);
    EXPECT_EQ(stored(ini), c.stored_after);

    const StartSeen next = start(ini, User{});
    EXPECT_EQ(next.shown, c.shown_next);
    if (c.shown_next) {
        EXPECT_EQ(next.ticked, c.ticked_next);
    }
    EXPECT_TRUE(next.goes_on);
}

INSTANTIATE_TEST_SUITE_P(Starts, IntroDecisionTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(IntroDecision, RejectingWritesNothingEvenOverOtherSettings) {
    test::TempDir dir;
    const std::string content = "[Options]\nVerifyEachFile=0\n[HistoryFiles]\nFile0=/a.vtl\n";
    const std::string ini = dir.write("Vantorel.ini", content);
    EXPECT_FALSE(start(ini, User{0, kReject}).goes_on);
    EXPECT_EQ(test::read_file(ini), content);
}

} // namespace
} // namespace vt
