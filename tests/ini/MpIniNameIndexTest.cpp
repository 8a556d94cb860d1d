// Lookups by section name after the names changed: each row edits a file of the sections
// [A] and [B], already looked up once, and reports what the lookups then find.
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "MpIniFile.h"

namespace {

std::string Outcome(const std::function<std::string()>& call) {
    try {
        return call();
    } catch (MpException& e) {
        return e.GetErrorMessage();
    }
}

std::string Index(MpIniFile& file, const char* sName) {
    return std::to_string(file.GetSectionIndex(sName, 0, false));
}

struct IndexRow {
    const char* name;
    std::function<std::string(MpIniFile& file)> run;
    std::string expected;
};

const IndexRow kRows[] = {
    {"a renamed section is found by its new name only",
     [](MpIniFile& file) {
         file.GetSection(0)->SetName("C");
         std::string found = Index(file, "c");
         return found + " " + Index(file, "A");
     },
     "0 -1"},
    {"a section renamed to a later section's name is the first of that name",
     [](MpIniFile& file) {
         file.GetSection(0)->SetName("[b]");
         return Index(file, "B");
     },
     "0"},
    {"GetSection by a new name adds no second section",
     [](MpIniFile& file) {
         file.GetSection(0)->SetName("C");
         return std::to_string(file.GetSection("C") == file.GetSection(int32_t{0})) + " " +
                std::to_string(file.GetNumSections());
     },
     "1 2"},
    {"AddSection of a new name is refused",
     [](MpIniFile& file) {
         file.GetSection(1)->SetName("C");
         file.AddSection("C");
         return std::string("added");
     },
     "Section already exists."},
    {"a section that takes over another's name by Copy is found by it",
     [](MpIniFile& file) {
         MpIniSection model("Z");
         file.GetSection(1)->Copy(model);
         return Index(file, "Z") + " " + Index(file, "B");
     },
     "1 -1"},
    {"a renamed clone leaves the file's names alone until it is added",
     [](MpIniFile& file) {
         std::unique_ptr<MpIniSection> clone(file.GetSection(0)->Clone());
         clone->SetName("D");
         std::string before = Index(file, "A") + " " + Index(file, "D");
         file.AddSection(clone.release());
         return before + " " + Index(file, "D");
     },
     "0 -1 2"},
    {"a renamed section frees its old name for a new section",
     [](MpIniFile& file) {
         file.GetSection(0)->SetName("C");
         file.AddSection("A");
         file.GetSection(2)->SetName("E");
         return Index(file, "A") + " " + Index(file, "E") + " " + Index(file, "C");
     },
     "-1 2 0"},
};

}  // namespace

TEST(MpIniNameIndex, LookupsFollowEveryChangeOfTheNames) {
    for (const IndexRow& row : kRows) {
        MpIniFile file;
        file.AddSection("A");
        file.AddSection("B");
        ASSERT_EQ(Index(file, "A"), "0");
        EXPECT_EQ(Outcome([&] { return row.run(file); }), row.expected) << row.name;
    }
}

namespace {

// Counts its own destruction, to show who deleted it.
class WatchedSection : public MpIniSection {
public:
    WatchedSection(const char* sName, int& destroyed) : MpIniSection(sName), m_destroyed(destroyed) {}
    ~WatchedSection() override { ++m_destroyed; }

private:
    int& m_destroyed;
};

}  // namespace

TEST(MpIniNameIndex, ARefusedSectionStaysTheCallersAndATakenOneTheFiles) {
    int destroyed = 0;
    {
        MpIniFile file;
        file.AddSection("A");
        auto* pRefused = new WatchedSection("a", destroyed);
        EXPECT_EQ(Outcome([&] { return std::string(file.AddSection(pRefused)->GetName()); }),
                  "Section already exists.");
        EXPECT_EQ(destroyed, 0);
        EXPECT_STREQ(pRefused->GetName(), "[a]");
        pRefused->SetName("B");  // used again, then owned by the file
        EXPECT_EQ(file.AddSection(pRefused), pRefused);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}
