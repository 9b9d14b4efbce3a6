#pragma once
#include "core/platform/io_result.h"

#include <string>
#include <string_view>

namespace vt {

enum class KeyRoot { ClassesRoot, LocalMachine, CurrentUser };

// "HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
const char* root_name(KeyRoot root);

// The outcome of reading a string value.
struct ValueRead {
    enum class Status { Ok, Absent, WrongType };
    Status status = Status::Absent;
    std::string text; // empty unless Ok

    bool ok() const { return status == Status::Ok; }
};

// A small registry of keys and values kept in one text file, in the layout of a
// registry export:
//
//   [HKEY_CLASSES_ROOT\vtlfiles\Shell]
//   @="Open"
//   "Version"="1.0a"
//
// One section per key, named by its root and its path ("\" between the parts);
// the default value is "@", other values have their name in quotation marks. String
// values are written in quotation marks with "\\", "\"", "\n" and "\r" escaped. A
// value written any other way (dword:..., hex:..., or broken quoting) is a value of
// another type: reading it as a string reports WrongType. Key and value names are
// compared without regard to ASCII letter case, as the registry does.
//
// Every change reads the whole file and replaces it atomically; lines the store does
// not understand are kept as they are. A file that exists but cannot be read is
// never overwritten: the change fails with the read error.
class KeyStore {
public:
    // The store of the program: $XDG_CONFIG_HOME/Vantorel/registry.ini.
    KeyStore();
    explicit KeyStore(std::string file_path);
    static std::string default_path();
    const std::string& path() const { return path_; }

    // Creates the key and every missing key above it; an existing key is left alone.
    IoResult create_key(KeyRoot root, std::string_view key);
    // True when the key exists and the store can be read.
    bool open_key(KeyRoot root, std::string_view key) const;
    // `name` empty: the key's default value. An absent key or value reads as Absent.
    ValueRead read_string(KeyRoot root, std::string_view key, std::string_view name) const;
    // Sets a string value of an existing key; fails with ENOENT when the key is missing.
    IoResult write_string(KeyRoot root, std::string_view key, std::string_view name,
                          std::string_view value);
    // Deletes the key with every key below it. An absent key is not an error;
    // `deleted` (when given) tells whether anything was removed.
    IoResult delete_key(KeyRoot root, std::string_view key, bool* deleted = nullptr);

private:
    std::string path_;
};

} // namespace vt
