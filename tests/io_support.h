#pragma once

// What the graph file tests share: the example graph and a fresh working directory per
// test, since graph.txt is taken from the working directory.

#include "io/graph_file.h"
#include "support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

inline const std::string kExample = "3\n0.25048 0.5\n0.74952 0.5\n1 1.25e-05\n2\n0 1\n1 2\n";
inline const std::vector<Object> kExampleNodes = {{{0.25048f, 0.5f}, {}}, {{0.74952f, 0.5f}, {}}, {{1.0f, 0.0000125f}, {}}};
inline const std::vector<Edge> kExampleEdges = {{0, 1}, {1, 2}};

inline void put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// What a regular file holds, "" for anything else: reading a FIFO would wait.
inline std::string saved(const fs::path& path = kGraphFileName) {
    if (std::error_code unseen; !fs::is_regular_file(path, unseen)) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::set<fs::path> names() { return {fs::directory_iterator("."), fs::directory_iterator()}; }

class GraphFile : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        close(0);  // as when the editor starts without a standard input: a file opened may get descriptor 0
        for (std::random_device random; scratch_.empty();) {
            const fs::path candidate = fs::temp_directory_path() / ("graph_file_test." + std::to_string(random()));
            if (fs::create_directory(candidate)) scratch_ = candidate;  // throws when none can be made
        }
        fs::current_path(scratch_);
        std::tie(objects, edges) = std::tuple(kExampleNodes, kExampleEdges);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::permissions(scratch_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(scratch_);
    }
    fs::path scratch_;
};
