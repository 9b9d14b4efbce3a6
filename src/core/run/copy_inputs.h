#pragma once
#include "core/list/copy_list.h"
#include "core/run/copy_options.h"

#include <functional>
#include <string>

namespace vt {

// What a copy run reads while it goes: the list's cells and message, the copy
// options and the list file's name. It reads them at the moment it needs them, so
// that the window's live controls are what counts.
class CopyInputs {
public:
    virtual ~CopyInputs() = default;
    virtual int row_count() const = 0; // header row included
    virtual std::string cell(int column, int row) const = 0;
    virtual std::string message() const = 0;
    virtual CopyOptions options() const = 0;
    virtual std::string list_file_name() const = 0;
};

// The inputs of a copy list document with options from a function.
class ListInputs final : public CopyInputs {
public:
    ListInputs(const CopyList& list, std::function<CopyOptions()> options)
        : list_(list), options_(std::move(options)) {}
    int row_count() const override { return list_.row_count(); }
    std::string cell(int column, int row) const override { return list_.cell(column, row); }
    std::string message() const override { return list_.message(); }
    CopyOptions options() const override { return options_(); }
    std::string list_file_name() const override { return list_.file_name(); }

private:
    const CopyList& list_;
    std::function<CopyOptions()> options_;
};

} // namespace vt
