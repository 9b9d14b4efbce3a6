// A scheduled run that fails tells the desktop: the real program on a private session
// bus, with a notification service of the test's own that records the call.
#include "core/run/run_lock.h"
#include "core/schedule/run_record.h"
#include "gui/schedule/fake_notifications.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt {
namespace {

class FailureNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        bus_daemon.start(QStringLiteral("dbus-daemon"),
                         {QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address")});
        ASSERT_TRUE(bus_daemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
        address = QString::fromUtf8(bus_daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("fake-notifications")));
        ASSERT_TRUE(bus->isConnected());
        ASSERT_TRUE(bus->registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(bus->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                        QDBusConnection::ExportScriptableContents));

        // The journal's viewer: a stand-in that writes down what it was asked to open.
        const std::string opener =
            dir.write("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > " + (dir / "opened") + "\n");
        ::chmod(opener.c_str(), 0755);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        environment.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromStdString(dir / "state"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           QString::fromStdString(dir / "config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           QString::fromStdString(dir.mkdir("run")));
        environment.insert(QStringLiteral("PATH"), QString::fromStdString(dir / "bin") +
                                                       QStringLiteral(":") +
                                                       environment.value(QStringLiteral("PATH")));
        environment.remove(QStringLiteral("INVOCATION_ID"));

        dir.write("src/a.txt", "a");
    }
    void TearDown() override {
        bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-notifications"));
        bus_daemon.kill();
        bus_daemon.waitForFinished();
    }

    std::string save(const std::vector<CopyLine>& lines) {
        return test::save_list(list_file, lines);
    }
    // Runs the program as its timer does, serving the bus meanwhile.
    int scheduled_run() {
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VT_PROGRAM),
                      {QStringLiteral("--run"), QString::fromStdString(list_file),
                       QStringLiteral("--notify")});
        EXPECT_TRUE(program.waitForStarted());
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000));
        log = program.readAllStandardError().toStdString();
        return program.exitCode();
    }

    test::TempDir dir;
    std::string list_file = dir / "nightly.vtl";
    test::ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    QProcess bus_daemon;
    QString address;
    std::unique_ptr<QDBusConnection> bus;
    test::FakeNotifications fake;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::string log;
};

TEST_F(FailureNoticeTest, AFailedRunNotifiesAndItsActionOpensTheJournal) {
    // The first line copies a.txt; the second copies a folder onto itself, which fails.
    save({{dir / "src", "*.txt", dir / "dst", "No", "No"},
          {dir / "src", "*", dir / "src", "No", "No"}});
    fake.answer_with_action = QStringLiteral("default");
    EXPECT_EQ(scheduled_run(), 1) << log;
    ASSERT_EQ(fake.calls.size(), 1);
    const auto& call = fake.calls[0];
    const std::string journal = dir / "nightly.txt";
    EXPECT_EQ(call.app, "Vantorel");
    EXPECT_EQ(call.summary, "Vantorel backup failed: nightly.vtl");
    EXPECT_EQ(call.body.toStdString(), "1 files copied, 1 failure.\nJournal: " + journal);
    EXPECT_EQ(call.actions,
              QStringList({"default", "Open Journal", "open-journal", "Open Journal"}));
    EXPECT_EQ(call.hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return test::exists(dir / "opened"); }, 10000));
    EXPECT_EQ(test::read_file(dir / "opened"), journal);

    // Its output went to standard error, for the user's journal.
    EXPECT_NE(log.find("vantorel: [Can't do this copy] Source and destination directories are "
                       "the same!\nvantorel: answered OK\n"),
              std::string::npos);
    const auto record = read_run_record(list_file);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->status, 1);
    EXPECT_EQ(record->copied, 1);
    EXPECT_EQ(record->failures, 1);
    EXPECT_EQ(record->journal, journal);
}

TEST_F(FailureNoticeTest, ARunThatCouldNotStartSaysWhyAndARunThatWorkedSaysNothing) {
    save({{dir / "src", "*.txt", dir / "dst", "No", "No"}});
    {
        RunLock held(list_file); // another run is copying the list
        EXPECT_EQ(scheduled_run(), 2);
    }
    ASSERT_EQ(fake.calls.size(), 1);
    EXPECT_EQ(fake.calls[0].body.toStdString(),
              "The backup did not start: " + RunLock::busy_text(list_file));
    EXPECT_TRUE(fake.calls[0].actions.isEmpty()); // no journal to open
    EXPECT_EQ(read_run_record(list_file)->status, 2);

    EXPECT_EQ(scheduled_run(), 0) << log;
    EXPECT_EQ(fake.calls.size(), 1);
    EXPECT_EQ(read_run_record(list_file)->status, 0);
}

TEST_F(FailureNoticeTest, MarkupInTheBodyIsEscapedForAServerThatReadsIt) {
    list_file = dir / "a <b> & c.vtl";
    save({{dir / "src", "*", dir / "src", "No", "No"}});
    fake.capabilities << QStringLiteral("body-markup");
    EXPECT_EQ(scheduled_run(), 1);
    ASSERT_EQ(fake.calls.size(), 1);
    EXPECT_EQ(fake.calls[0].summary, "Vantorel backup failed: a <b> & c.vtl");
    EXPECT_TRUE(fake.calls[0].body.endsWith(
        QString::fromStdString("Journal: " + dir.path() + "/a &lt;b&gt; &amp; c.txt")));
}

TEST_F(FailureNoticeTest, WithoutASessionBusTheRunJustEnds) {
    save({{dir / "src", "*", dir / "src", "No", "No"}});
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("DISPLAY"));
    EXPECT_EQ(scheduled_run(), 1);
    EXPECT_TRUE(fake.calls.isEmpty());
    EXPECT_EQ(log.find("notification"), std::string::npos) << log;
    EXPECT_EQ(read_run_record(list_file)->status, 1);
}

} // namespace
} // namespace vt
