#include "SameFile.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "SkipOnWindows.h"

namespace lathwell {

TEST(SameFile, SeesThroughSpellingButNotThroughCopies) {
    LATHWELL_SKIP_ON_WINDOWS("symbolic links need a privilege on Windows");
    TempDir dir;
    dir.Write("a.txt", "x");
    dir.Write("b.txt", "x");
    std::filesystem::create_directory(dir.File("sub"));
    std::filesystem::create_symlink(dir.File("a.txt"), dir.File("link.txt"));
    const struct {
        std::string first;
        std::string second;
        bool same;
    } cases[] = {
        {dir.File("a.txt"), dir.File("sub/../a.txt"), true},
        {dir.File("a.txt"), dir.File("sub//..//a.txt"), true},
        {dir.File("link.txt"), dir.File("a.txt"), true},
        {dir.File("a.txt"), dir.File("b.txt"), false},
        {dir.File("missing.txt"), dir.File("missing.txt"), false},
        {dir.File("a.txt"), dir.File("missing.txt"), false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.same, IsSameFile(c.first.c_str(), c.second.c_str())) << c.first << " " << c.second;
}

}  // namespace lathwell
