#include "ui/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Each test gets a scratch tree with an installed layout: root/bin and root/Resources.
class ResourceDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        original = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "startup-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = fs::canonical(pattern);
        fs::create_directories(root / "bin");
        fs::create_directories(root / "Resources");
        fs::create_directories(root / "elsewhere");
        fs::create_directories(root / "lonely" / "bin");
    }
    void TearDown() override {
        fs::current_path(original);
        fs::remove_all(root);
    }

    // Starts "the program" as programPath from the working directory startDir.
    fs::path startFrom(const fs::path& startDir, std::string programPath) {
        fs::current_path(startDir);
        const std::string title = programPath;
        enterResourceDirectory(programPath.c_str());
        EXPECT_EQ(programPath, title) << "the program path is also the window title";
        return fs::current_path();
    }

    fs::path original;
    fs::path root;
};

TEST_F(ResourceDirectory, AbsoluteProgramPathLeadsToResources) {
    EXPECT_EQ(startFrom(root / "elsewhere", (root / "bin" / "graph-editor").string()), root / "Resources");
}

TEST_F(ResourceDirectory, RelativePathsResolveFromTheStartingDirectory) {
    EXPECT_EQ(startFrom(root / "bin", "./graph-editor"), root / "Resources");
    EXPECT_EQ(startFrom(root / "elsewhere", "../bin/graph-editor"), root / "Resources");
}

TEST_F(ResourceDirectory, PathWithoutSlashUsesTheStartingDirectory) {
    // As when the shell finds the program on its search path: "../Resources" is taken
    // relative to where the program was started, not to where it lives.
    EXPECT_EQ(startFrom(root / "elsewhere", "graph-editor"), root / "Resources");
    EXPECT_EQ(startFrom(root / "lonely" / "bin", "graph-editor"), root / "lonely" / "bin");
}

TEST_F(ResourceDirectory, WithoutSiblingResourcesStaysInTheProgramDirectory) {
    EXPECT_EQ(startFrom(root / "elsewhere", (root / "lonely" / "bin" / "graph-editor").string()),
              root / "lonely" / "bin");
}

TEST_F(ResourceDirectory, UnreachableProgramDirectoryStaysWhereStarted) {
    EXPECT_EQ(startFrom(root / "elsewhere", (root / "missing" / "bin" / "graph-editor").string()),
              root / "elsewhere");
}

}  // namespace
