#include "core/platform/sys.h"
#include "core/restore/restore_plan.h"
#include "core/run/engine_fixture.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr uid_t kOther = 1234;
constexpr std::time_t kPast = 1600000000;

// The bytes of a POSIX ACL as the kernel keeps them in its xattr: a version word,
// then (tag, permissions, id) for each entry.
enum Tag : std::uint16_t { UserObj = 1, User = 2, GroupObj = 4, Group = 8, Mask = 16, Other = 32 };
struct AclEntry {
    Tag tag;
    std::uint16_t perm;
    std::uint32_t id = 0xffffffff;
};
std::string acl_bytes(const std::vector<AclEntry>& entries) {
    std::string bytes;
    auto put = [&](auto value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    put(std::uint32_t{2});
    for (const AclEntry& e : entries) {
        put(static_cast<std::uint16_t>(e.tag));
        put(e.perm);
        put(e.id);
    }
    return bytes;
}

// An ACL with the owner's entry widened by `bits` (the owner's write permission that
// a copy always gets), for comparing with cp -a's, which keeps the bits as they were.
std::string with_owner_bits(std::string acl, std::uint16_t bits) {
    for (std::size_t at = 4; at + 8 <= acl.size(); at += 8) {
        std::uint16_t tag = 0, perm = 0;
        std::memcpy(&tag, acl.data() + at, 2);
        std::memcpy(&perm, acl.data() + at + 2, 2);
        if (tag == UserObj) {
            perm |= bits;
            std::memcpy(acl.data() + at + 2, &perm, 2);
        }
    }
    return acl;
}

void set_xattr(const std::string& path, const std::string& name, const std::string& value) {
    ASSERT_EQ(::lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0), 0)
        << path << " " << name << ": " << std::strerror(errno);
}

// What a copy may keep of one file or folder.
struct Node {
    struct stat st {};
    std::string content;
    std::map<std::string, std::string> xattrs; // user. ones and the ACLs
};

std::map<std::string, Node> snapshot(const std::string& root) {
    std::map<std::string, Node> nodes;
    auto take = [&](const std::string& path, const std::string& relative) {
        Node node;
        EXPECT_EQ(::lstat(path.c_str(), &node.st), 0) << path;
        if (S_ISREG(node.st.st_mode))
            node.content = read_file(path);
        char names[4096];
        const ssize_t size = ::llistxattr(path.c_str(), names, sizeof names);
        for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
            const std::string name = names + at;
            if (!name.starts_with("user.") && !name.starts_with("system.posix_acl_"))
                continue;
            char value[4096];
            const ssize_t n = ::lgetxattr(path.c_str(), name.c_str(), value, sizeof value);
            node.xattrs[name] = std::string(value, n < 0 ? 0 : static_cast<std::size_t>(n));
        }
        nodes[relative] = std::move(node);
    };
    take(root, ".");
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        take(e.path().string(), e.path().string().substr(root.size() + 1));
    return nodes;
}

std::string octal(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}
std::string time_text(const struct timespec& t) {
    return std::to_string(t.tv_sec) + "." + std::to_string(t.tv_nsec);
}
std::string xattr_text(const std::map<std::string, std::string>& xattrs) {
    std::string text;
    for (const auto& [name, value] : xattrs)
        text += name + "=" + std::to_string(std::hash<std::string>{}(value)) + " ";
    return text;
}

// The program's one exception to what cp -a keeps: a copy's owner may write it (and
// read, write and search a folder), so that later runs may replace it.
mode_t owner_bits(const Node& node) {
    return S_ISDIR(node.st.st_mode) ? S_IRWXU : S_IWUSR;
}

// What must match between cp -a's copy and the program's, field by field; `expected`
// turns cp -a's value into the program's where the exception applies.
struct Field {
    const char* name;
    std::function<std::string(const Node&)> value;
    std::function<std::string(const Node&)> expected;
};
const std::vector<Field>& fields() {
    static const std::vector<Field> table = {
        {"type", [](const Node& n) { return std::to_string(n.st.st_mode & S_IFMT); }, nullptr},
        {"mode", [](const Node& n) { return octal(n.st.st_mode); },
         [](const Node& n) { return octal(n.st.st_mode | owner_bits(n)); }},
        {"owner", [](const Node& n) { return std::to_string(n.st.st_uid); }, nullptr},
        {"group", [](const Node& n) { return std::to_string(n.st.st_gid); }, nullptr},
        {"modified", [](const Node& n) { return time_text(n.st.st_mtim); }, nullptr},
        {"accessed", [](const Node& n) { return time_text(n.st.st_atim); }, nullptr},
        {"size",
         [](const Node& n) { return S_ISREG(n.st.st_mode) ? std::to_string(n.st.st_size) : ""; },
         nullptr},
        {"content", [](const Node& n) { return n.content; }, nullptr},
        {"xattrs", [](const Node& n) { return xattr_text(n.xattrs); },
         [](const Node& n) {
             auto xattrs = n.xattrs;
             if (auto acl = xattrs.find("system.posix_acl_access"); acl != xattrs.end())
                 acl->second = with_owner_bits(acl->second, owner_bits(n) >> 6);
             return xattr_text(xattrs);
         }},
    };
    return table;
}

void expect_same_as_cp(const std::map<std::string, Node>& ours,
                       const std::map<std::string, Node>& reference, const std::string& what) {
    std::vector<std::string> ours_names, reference_names;
    for (const auto& [name, node] : ours)
        ours_names.push_back(name);
    for (const auto& [name, node] : reference)
        reference_names.push_back(name);
    EXPECT_EQ(ours_names, reference_names) << what;
    for (const auto& [name, ref] : reference) {
        const auto found = ours.find(name);
        if (found == ours.end())
            continue;
        for (const Field& field : fields())
            EXPECT_EQ(field.value(found->second),
                      field.expected ? field.expected(ref) : field.value(ref))
                << what << ": " << field.name << " of \"" << name << "\"";
    }
}

void set_times(const std::string& path, std::time_t modified, long nanoseconds) {
    // Access times lie ahead: no reading of the tree (relatime) moves them then.
    const struct timespec times[2] = {{std::time(nullptr) + 3 * 86400, 123456789},
                                      {modified, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class AttributesTest : public ::testing::TestWithParam<int>, public EngineFixture {
protected:
    void SetUp() override { engine.set_jobs(GetParam()); }
    void TearDown() override { sys::clear_fault_hook(); }

    std::string file(const std::string& relative, mode_t mode,
                     const std::string& content = "data") {
        const std::string path = dir.write("src/" + relative, content + relative);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    }
    std::string folder(const std::string& relative, mode_t mode) {
        const std::string path = dir.mkdir("src/" + relative);
        EXPECT_EQ(::chmod(path.c_str(), mode), 0);
        return path;
    }
    void own(const std::string& path) { ASSERT_EQ(::lchown(path.c_str(), kOther, kOther), 0); }
    // The copier's own owner, another group: only the group is the copy's to change.
    void regroup(const std::string& path) {
        ASSERT_EQ(::lchown(path.c_str(), ::geteuid(), kOther), 0);
    }
    // Every file and folder of src dated, folders after what is in them.
    void date_tree() {
        std::vector<std::string> paths;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir / "src"))
            paths.push_back(e.path().string());
        std::sort(paths.rbegin(), paths.rend()); // children before their folders
        long n = 0;
        for (const std::string& p : paths) {
            ++n;
            set_times(p, kPast + 1000 * n, 1000 * n + 7);
        }
        set_times(dir / "src", kPast, 42);
    }
    int files_in(const std::string& root) {
        int count = 0;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            count += e.is_regular_file();
        return count;
    }
    int unkept_entries() {
        const auto lines = journal_lines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.starts_with("Unable to keep ");
        }));
    }
};

TEST_P(AttributesTest, BackupAndRestoreKeepWhatCpArchiveKeeps) {
    file("plain.txt", 0644);
    file("zero", 0000);
    file("secret", 0600);
    file("tool", 0755);
    own(file("suid", 04755));
    file("sgid", 02750);
    own(file("other.txt", 0640));
    regroup(file("team.txt", 0640));
    regroup(folder("team", 0750));
    file("team/notes.txt", 0640);
    const std::string tagged = file("tagged.txt", 0644);
    set_xattr(tagged, "user.origin", "camera");
    set_xattr(tagged, "user.empty", "");
    const std::string acl = file("acl.txt", 0640);
    set_xattr(acl, "system.posix_acl_access",
              acl_bytes({{UserObj, 6}, {User, 4, kOther}, {GroupObj, 4}, {Mask, 4}, {Other, 0}}));
    file("new\nline", 0644);
    file("caf\xe9 \xff.txt", 0644);
    folder("private", 0700);
    file("private/inside.txt", 0600);
    const std::string shared = folder("shared", 02775);
    own(shared);
    set_xattr(shared, "user.note", "team");
    set_xattr(shared, "system.posix_acl_default",
              acl_bytes({{UserObj, 7}, {User, 5, kOther}, {GroupObj, 5}, {Mask, 7}, {Other, 5}}));
    set_xattr(shared, "system.posix_acl_access",
              acl_bytes({{UserObj, 7}, {GroupObj, 5}, {Group, 7, kOther}, {Mask, 7}, {Other, 5}}));
    file("shared/report.txt", 0664); // takes the folder's default ACL and group
    folder("shared/deep", 0750);
    file("shared/deep/bottom.txt", 0444);
    folder("odd\nfolder\xfe", 0755);
    file("odd\nfolder\xfe/x", 0644);
    folder("locked", 0555);
    file("locked/kept.txt", 0444);
    date_tree();

    line(dir / "src", "*", dir / "dst", false, true);
    save_list();
    const int files = files_in(dir / "src");
    expect_offer(prompter, files);
    run();
    EXPECT_TRUE(prompter.done());
    ASSERT_EQ(std::system(("cp -a '" + (dir / "src") + "' '" + (dir / "reference") + "'").c_str()),
              0);
    const auto reference = snapshot(dir / "reference");
    expect_same_as_cp(snapshot(dir / "dst"), reference, "backup");
    EXPECT_EQ(unkept_entries(), 0);
    EXPECT_EQ(engine.summary().failures, 0);

    // The backup restored into a tree that is gone gives back the same.
    std::filesystem::remove_all(dir / "src");
    const RestorePlan plan = plan_restore(list, {});
    ASSERT_TRUE(plan.ok());
    list = plan.list;
    engine.set_started_note(plan.started_note);
    expect_offer(prompter, files);
    run();
    EXPECT_TRUE(prompter.done());
    expect_same_as_cp(snapshot(dir / "src"), reference, "restore");
    EXPECT_EQ(engine.summary().failures, 0);
}

TEST_P(AttributesTest, AFolderWrittenIntoByALaterRunGetsItsSourceTimesBack) {
    file("sub/a.txt", 0644);
    file("sub/inner/b.txt", 0644);
    date_tree();
    line(dir / "src", "*", dir / "dst", false, true);
    save_list();
    expect_offer(prompter, 2);
    run();

    // A new file in each folder moves their times; the next run copies it and dates
    // the backup's folders again, the inner one being made anew.
    std::filesystem::remove_all(dir / "dst/sub/inner");
    file("sub/new.txt", 0644);
    date_tree();
    expect_offer(prompter, 3);
    run();
    EXPECT_TRUE(prompter.done());
    for (const char* folder : {".", "sub", "sub/inner"}) {
        struct stat src {
        }, dst{};
        ASSERT_EQ(::stat((dir / "src/" + folder).c_str(), &src), 0);
        ASSERT_EQ(::stat((dir / "dst/" + folder).c_str(), &dst), 0);
        EXPECT_EQ(time_text(dst.st_mtim), time_text(src.st_mtim)) << folder;
        EXPECT_EQ(time_text(dst.st_atim), time_text(src.st_atim)) << folder;
    }
}

TEST_P(AttributesTest, FoldersMadeOnTheWayToACopyAreJournaledAndKeepTheirSourceFolders) {
    // Only the deepest folder holds a file: the backup's top and the levels above it
    // are made on the way to its copy, each after its own source folder.
    const std::string outer = folder("outer", 0750);
    own(outer);
    set_xattr(outer, "user.note", "outer");
    folder("outer/middle", 0711);
    file("outer/middle/leaf.txt", 0640);
    date_tree();
    ASSERT_EQ(::chmod((dir / "src").c_str(), 0705), 0);
    set_times(dir / "src", kPast, 42);
    line(dir / "src", "*", dir / "dst", false, true);
    save_list();
    expect_offer(prompter, 1);
    run();
    EXPECT_TRUE(prompter.done());
    ASSERT_EQ(std::system(("cp -a '" + (dir / "src") + "' '" + (dir / "reference") + "'").c_str()),
              0);
    expect_same_as_cp(snapshot(dir / "dst"), snapshot(dir / "reference"), "backup");

    std::vector<std::string> made;
    for (const std::string& l : journal_lines())
        if (l.starts_with("Directory created "))
            made.push_back(l.substr(std::strlen("Directory created ")));
    const std::string dst = dir / "dst";
    EXPECT_EQ(made, (std::vector<std::string>{dst, dst + "/outer", dst + "/outer/middle"}));
    EXPECT_EQ(unkept_entries(), 0);
    EXPECT_EQ(engine.summary().failures, 0);
}

TEST_P(AttributesTest,
       ADiskThatRefusesOwnersAndAttributesStillGetsTheDataAndTheJournalSaysOnceALine) {
    for (const char* name : {"a.txt", "b.txt", "sub/c.txt"}) {
        const std::string path = file(name, 04755, "content of ");
        own(path);
        ASSERT_EQ(::chmod(path.c_str(), 04755), 0); // chown took setuid away
        set_xattr(path, "user.tag", name);
    }
    line(dir / "src", "*", dir / "one", false, true);
    line(dir / "src", "*", dir / "two", false, true);
    save_list();
    // As a FAT disk does: no owners, no extended attributes.
    sys::set_fault_hook([](sys::Op op, const char*) {
        if (op == sys::Op::SetOwner)
            return EPERM;
        return op == sys::Op::SetAttr ? EOPNOTSUPP : 0;
    });
    expect_offer(prompter, 6);
    run();
    sys::clear_fault_hook();
    EXPECT_TRUE(prompter.done());
    EXPECT_EQ(engine.summary().failures, 0);

    for (const char* copy : {"one/a.txt", "one/sub/c.txt", "two/b.txt", "two/sub/c.txt"}) {
        const std::string path = dir / copy;
        EXPECT_EQ(read_file(path), "content of " + std::string(copy).substr(4)) << copy;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 0u) << copy;
        // Not its owner's: setuid would make it run as root.
        EXPECT_EQ(st.st_mode & 07777, 0755u) << copy;
        EXPECT_EQ(::getxattr(path.c_str(), "user.tag", nullptr, 0), -1) << copy;
    }
    // Each kind once for each line, after that line's start.
    std::vector<std::string> said;
    for (const std::string& l : journal_lines()) {
        if (l.starts_with("Starting Copy line "))
            said.push_back("line");
        else if (l.starts_with("Unable to keep "))
            said.push_back(l.substr(0, l.find(" of ")) + l.substr(l.find(" because ")));
    }
    const std::string owner =
        "Unable to keep the owner and group because Operation not permitted (other copies of "
        "this line may lack them too)";
    const std::string extended = "Unable to keep the extended attributes because Operation not "
                                 "supported (other copies of this line may lack them too)";
    EXPECT_EQ(said, (std::vector<std::string>{"line", owner, extended, "line", owner, extended}));
}

INSTANTIATE_TEST_SUITE_P(Jobs, AttributesTest, ::testing::Values(1, 4),
                         [](const auto& info) { return "jobs" + std::to_string(info.param); });

} // namespace
} // namespace vt::test
