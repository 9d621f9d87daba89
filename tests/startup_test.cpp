#include "ui/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// A scratch tree: root/bin beside root/Resources, and root/lonely/bin with no Resources.
TEST(Startup, MovesToTheResourcesBesideTheProgramsDirectory) {
    std::string pattern = (fs::temp_directory_path() / "startup-XXXXXX").string();
    const fs::path root = fs::canonical(mkdtemp(pattern.data()));
    for (const char* dir : {"bin", "Resources", "elsewhere", "lonely/bin"}) fs::create_directories(root / dir);
    const struct { fs::path startIn; std::string program; fs::path endIn; } rows[] = {
        {root / "bin", "./graph-editor", root / "Resources"},
        // As when the shell finds it on its search path: the starting directory counts.
        {root / "elsewhere", "graph-editor", root / "Resources"},
        {root / "elsewhere", (root / "lonely/bin/graph-editor").string(), root / "lonely/bin"},
        {root / "elsewhere", (root / "missing/bin/graph-editor").string(), root / "elsewhere"},
    };
    for (const auto& row : rows) {
        fs::current_path(row.startIn);
        std::string program = row.program;
        enterResourceDirectory(program.c_str());
        EXPECT_EQ(fs::current_path(), row.endIn) << row.program << " from " << row.startIn;
        EXPECT_EQ(program, row.program) << "the path is also the window title";
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root);
}
