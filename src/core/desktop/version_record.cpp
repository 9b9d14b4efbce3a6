#include "core/desktop/version_record.h"

#include "core/desktop/product_info.h"

namespace vt {

std::optional<std::string> ensure_version_record(KeyStore& store) {
    const ValueRead v = store.read_string(KeyRoot::LocalMachine, kVersionKey, kVersionValue);
    if (v.status == ValueRead::Status::WrongType)
        return std::string("Invalid data type for '") + kVersionValue + "'";
    if (v.ok() && !v.text.empty())
        return std::nullopt;
    if (!store.create_key(KeyRoot::LocalMachine, kVersionKey))
        return std::string("Failed to create key ") + kVersionKey;
    if (!store.write_string(KeyRoot::LocalMachine, kVersionKey, kVersionValue,
                            ProductInfo::version_number()))
        return std::string("Failed to set data for '") + kVersionValue + "'";
    return std::nullopt;
}

} // namespace vt
