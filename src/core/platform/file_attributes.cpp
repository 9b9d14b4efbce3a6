#include "core/platform/file_attributes.h"

#include "core/platform/file_mode.h"
#include "core/platform/sys.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace vt {
namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";
constexpr const char* kDefaultAcl = "system.posix_acl_default";
// The largest value the kernel keeps for one attribute (XATTR_SIZE_MAX).
constexpr std::size_t kMaxValue = 65536;

// The ways a file system says it has no such thing.
bool unsupported(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// Owner and group; true when both are the source's now.
bool keep_owner(const struct stat& from, int to, const NewCopy& copy, AttributeLoss& loss) {
    struct stat now {};
    if (copy.owner) {
        now.st_uid = copy.owner->first;
        now.st_gid = copy.owner->second;
    } else if (::fstat(to, &now) != 0) {
        now.st_uid = static_cast<uid_t>(-1);
    }
    if (now.st_uid == from.st_uid && now.st_gid == from.st_gid)
        return true;
    if (sys::fchown(to, from.st_uid, from.st_gid) == 0)
        return true;
    const int error = errno;
    // A user who is not root may not give a file away, and may give it only the groups
    // they belong to: not keeping another user's owner is no loss to tell, but the
    // group is kept where it may be.
    if (error == EPERM && process_owner().first != 0) {
        if (now.st_gid != from.st_gid &&
            sys::fchown(to, static_cast<uid_t>(-1), from.st_gid) != 0 && errno != EPERM)
            loss.add(AttributeLoss::Owner, errno);
        return false;
    }
    loss.add(AttributeLoss::Owner, error);
    return false;
}

// The names of `from`'s extended attributes, '\0' after each; empty when it has none.
std::string attribute_names(int from, AttributeLoss& loss) {
    std::string names;
    // Most files have none: one call with no buffer tells, and costs next to nothing.
    for (int tries = 0; tries < 4; ++tries) {
        const ssize_t size = sys::flistxattr(from, nullptr, 0);
        if (size <= 0) {
            if (size < 0 && !unsupported(errno))
                loss.add(AttributeLoss::Extended, errno);
            return {};
        }
        names.assign(static_cast<std::size_t>(size), '\0');
        const ssize_t got = sys::flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return names;
        }
        if (errno != ERANGE) { // ERANGE: one was added since the size was asked
            loss.add(AttributeLoss::Extended, errno);
            return {};
        }
    }
    return {};
}

struct Copied {
    bool access_acl = false;  // the copy has its source's access ACL
    bool default_acl = false; // and its default ACL
};

// `acls`: the source's ACLs are its own (not a disk's that makes its permissions up).
Copied copy_extended(int from, int to, bool folder, bool acls, AttributeLoss& loss) {
    Copied copied;
    const std::string names = attribute_names(from, loss);
    if (names.empty())
        return copied;
    thread_local std::array<char, kMaxValue> value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.c_str() + at;
        const std::string_view n(name);
        at += n.size() + 1;
        const bool access = n == kAccessAcl;
        const bool default_acl = folder && n == kDefaultAcl;
        // Other namespaces are the system's (security labels, capabilities, the
        // file system's own), not the user's data: cp -a leaves them too.
        if ((access || default_acl) ? !acls : !n.starts_with("user."))
            continue;
        const auto what = access || default_acl ? AttributeLoss::Acl : AttributeLoss::Extended;
        const ssize_t size = sys::fgetxattr(from, name, value.data(), value.size());
        if (size < 0) {
            if (errno != ENODATA) // gone since the names were read
                loss.add(what, errno);
            continue;
        }
        if (sys::fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0) != 0) {
            loss.add(what, errno);
            continue;
        }
        copied.access_acl = copied.access_acl || access;
        copied.default_acl = copied.default_acl || default_acl;
    }
    return copied;
}

// An ACL the new file or folder took from its folder's default ACL, where its source
// has none, goes: the copy shows its source's permissions, as a copy of cp -a does.
bool drop_inherited(int to, const char* acl, AttributeLoss& loss) {
    if (sys::fremovexattr(to, acl) == 0)
        return true;
    if (errno != ENODATA && !unsupported(errno))
        loss.add(AttributeLoss::Acl, errno);
    return false;
}

// The owner's permissions that a copy always has: later runs replace the copy and
// fill the folder.
mode_t owner_bits(bool folder) {
    return folder ? S_IRWXU : S_IWUSR;
}

// A copy of a source whose disk makes its owners and bits up (the mounting user's, one
// mode for all: 0777 on exFAT through FUSE). Giving those to a restored ~/.ssh key
// would open it to everyone; the copy keeps what it was made with, or what the file
// it replaces had.
AttributeLoss keep_made(int from_fd, int to, const NewCopy& copy) {
    AttributeLoss loss;
    bool owner_kept = true;
    if (copy.replaced)
        owner_kept = keep_owner(*copy.replaced, to, copy, loss);
    copy_extended(from_fd, to, copy.folder, false, loss);
    struct stat now {};
    if (::fstat(to, &now) != 0) {
        loss.add(AttributeLoss::Mode, errno);
        return loss;
    }
    mode_t wanted = (now.st_mode & 07777) | owner_bits(copy.folder);
    if (copy.replaced) {
        wanted = (copy.replaced->st_mode & 07777) | owner_bits(copy.folder);
        if (!owner_kept)
            wanted &= ~(S_ISUID | S_ISGID);
    }
    if ((now.st_mode & 07777) != wanted && sys::fchmod(to, wanted) != 0)
        loss.add(AttributeLoss::Mode, errno);
    return loss;
}

} // namespace

std::pair<uid_t, gid_t> process_owner() {
    static const std::pair<uid_t, gid_t> owner{::geteuid(), ::getegid()};
    return owner;
}

AttributeLoss copy_attributes(int from_fd, const struct stat& from, int to, const NewCopy& copy) {
    if (copy.source_made_up)
        return keep_made(from_fd, to, copy);
    AttributeLoss loss;
    // The owner first: a change of owner clears setuid and setgid, which the mode
    // below sets.
    const bool owner_kept = keep_owner(from, to, copy, loss);
    const Copied copied = copy_extended(from_fd, to, copy.folder, true, loss);
    bool dropped = false;
    if (!copy.umask_decides) {
        if (!copied.access_acl)
            dropped = drop_inherited(to, kAccessAcl, loss);
        if (copy.folder && !copied.default_acl)
            drop_inherited(to, kDefaultAcl, loss);
    }

    mode_t wanted = (from.st_mode & 07777) | owner_bits(copy.folder);
    if (!owner_kept)
        wanted &= ~(S_ISUID | S_ISGID);
    // The bits a new file has now, where they are known for sure: a chmod is spared
    // when they are already the ones wanted. A new folder always gets one: it may have
    // taken setgid from its parent.
    std::optional<mode_t> now;
    if (!copy.folder) {
        if (copy.umask_decides)
            now = bits_after_umask(copy.created_bits);
        if (copied.access_acl)
            now = from.st_mode & 0777; // an access ACL sets the bits it stands for
        if (dropped)
            now.reset();
    }
    if ((!now || *now != wanted) && sys::fchmod(to, wanted) != 0)
        loss.add(AttributeLoss::Mode, errno);
    return loss;
}

} // namespace vt
