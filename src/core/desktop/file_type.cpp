#include "core/desktop/file_type.h"

namespace vt {

std::vector<TypeKey> FileTypeRegistration::keys(const std::string& program_path) {
    return {
        {".vtl", "vtlfiles"},
        {"vtlfiles", "Vantorel List file"},
        {"vtlfiles\\DefaultIcon", program_path + ",0"},
        {"vtlfiles\\Shell", "Open"},
        {"vtlfiles\\Shell\\Open", "Open Vantorel List files"},
        {"vtlfiles\\Shell\\Open\\command", program_path + " %1"},
    };
}

std::optional<std::string> FileTypeRegistration::install(const std::string& program_path) {
    for (const TypeKey& k : keys(program_path)) {
        if (!store_.create_key(KeyRoot::ClassesRoot, k.key))
            return "Failed to create key " + k.key;
        // A key that cannot be opened after its creation keeps its old value.
        if (!store_.open_key(KeyRoot::ClassesRoot, k.key))
            continue;
        if (!store_.write_string(KeyRoot::ClassesRoot, k.key, "", k.value))
            return std::string("Failed to set data for ''");
    }
    return std::nullopt;
}

void FileTypeRegistration::uninstall() {
    store_.delete_key(KeyRoot::ClassesRoot, ".vtl");
    store_.delete_key(KeyRoot::ClassesRoot, "vtlfiles");
}

FileTypeRegistration::Check FileTypeRegistration::check() const {
    const ValueRead v = store_.read_string(KeyRoot::ClassesRoot, ".vtl", "");
    if (v.status == ValueRead::Status::WrongType)
        return {false, std::string("Invalid data type for ''")};
    return {v.ok() && !v.text.empty(), std::nullopt};
}

} // namespace vt
