#include "gui/module/window_loader.h"

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace vt::window_module {
namespace {

constexpr const char* kFile = "vantorel-window.so";

std::string program_folder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size())
        return ".";
    path.resize(static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

void* module() {
    static void* const handle = [] {
        const std::string folder = program_folder();
        std::string error;
        for (const std::string& path :
             {folder + "/" + kFile, folder + "/" + VANTOREL_MODULE_FROM_PROGRAM + "/" + kFile}) {
            if (::access(path.c_str(), F_OK) != 0)
                continue;
            if (void* h = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
                return h;
            error = ::dlerror();
            break;
        }
        std::fprintf(stderr, "vantorel: cannot load the window's module %s: %s\n", kFile,
                     error.empty() ? "not installed beside the program" : error.c_str());
        return static_cast<void*>(nullptr);
    }();
    return handle;
}

} // namespace

void* entry(const char* name) {
    void* m = module();
    if (!m)
        return nullptr;
    void* f = ::dlsym(m, name);
    if (!f)
        std::fprintf(stderr, "vantorel: the window's module lacks %s\n", name);
    return f;
}

} // namespace vt::window_module
