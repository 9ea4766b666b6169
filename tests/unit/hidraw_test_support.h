#pragma once
// What the hidraw tests share: a throw-away dev root of plain files standing
// in for the nodes, and the count of this process's open descriptors.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace pmtest {

namespace fs = std::filesystem;

inline std::vector<uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline size_t openFdCount()
{
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

class DevRoot {
public:
    explicit DevRoot(std::initializer_list<int> nodes)
    {
        char pattern[] = "/tmp/padmacro-dev-XXXXXX";
        path_ = mkdtemp(pattern);
        for (int n : nodes) {
            std::ofstream(node(n));
        }
    }
    ~DevRoot() { fs::remove_all(path_); }
    DevRoot(const DevRoot&) = delete;
    DevRoot& operator=(const DevRoot&) = delete;

    std::string path() const { return path_; }
    fs::path node(int n) const { return fs::path(path_) / ("hidraw" + std::to_string(n)); }

private:
    std::string path_;
};

} // namespace pmtest
