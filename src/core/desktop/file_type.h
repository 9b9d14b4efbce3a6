#pragma once
#include "core/platform/key_store.h"

#include <optional>
#include <string>
#include <vector>

namespace vt {

// One key of the ".vtl" type and the default value it gets.
struct TypeKey {
    std::string key;
    std::string value;
    bool operator==(const TypeKey&) const = default;
};

// The ".vtl" file type in the key store, under the classes root.
class FileTypeRegistration {
public:
    explicit FileTypeRegistration(KeyStore& store) : store_(store) {}

    // The six keys in the order they are written. The program path stands unquoted,
    // as the shell's own command lines of that store have it.
    static std::vector<TypeKey> keys(const std::string& program_path);

    // Writes the keys in order, each created when missing. Stops at the first key that
    // cannot be created or whose value cannot be set, and returns the message for the
    // error box; the keys written before it stay.
    std::optional<std::string> install(const std::string& program_path);
    // Deletes ".vtl" and "vtlfiles" with everything below them; reports nothing.
    void uninstall();

    struct Check {
        bool registered = false;
        std::optional<std::string> error; // for the error box
    };
    // Registered when ".vtl" has a non-empty default value, whatever type it names.
    Check check() const;

private:
    KeyStore& store_;
};

} // namespace vt
