#include "resources/StringTable.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(StringTable, MissingIdsGiveEmptyText) {
    for (int id : {102, 100, 300, 0, -1, 1001}) {
        ASSERT_NE(LoadStringResource(id), nullptr) << "id " << id;
        EXPECT_STREQ(LoadStringResource(id), "") << "id " << id;
    }
}

#ifdef VANTREX_SOURCE_DIR

namespace fs = std::filesystem;

// The program's own sources: neither builds nor the fuzzers' corpora.
std::vector<std::string> SourceTexts() {
    std::vector<std::string> texts;
    for (auto entry = fs::recursive_directory_iterator(VANTREX_SOURCE_DIR);
         entry != fs::recursive_directory_iterator(); ++entry) {
        const std::string name = entry->path().filename().string();
        if (entry->is_directory() && (name.starts_with(".") || name == "build" || name == "corpus")) {
            entry.disable_recursion_pending();
        } else if (entry->is_regular_file() && (name.ends_with(".cpp") || name.ends_with(".h"))) {
            std::ostringstream text;
            text << std::ifstream(entry->path()).rdbuf();
            texts.push_back(text.str());
        }
    }
    return texts;
}

struct StringIds {
    std::map<std::string, int> defined; // by name
    std::set<std::string> used;         // anywhere but in their definitions
};

StringIds FindStringIds() {
    static const std::regex definition(R"(#define (IDS_\w+) (\d+))");
    static const std::regex name(R"(\bIDS_\w+\b)");
    StringIds ids;
    for (std::string text : SourceTexts()) {
        for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
            ids.defined[(*it)[1]] = std::stoi((*it)[2]);
        }
        text = std::regex_replace(text, definition, "");
        for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) {
            ids.used.insert(it->str());
        }
    }
    return ids;
}

TEST(StringTable, EveryStringIdTheCodeUsesHasAText) {
    const StringIds ids = FindStringIds();
    ASSERT_FALSE(ids.defined.empty()) << "no string ids found below " << VANTREX_SOURCE_DIR;
    std::map<int, std::string> names;
    for (const auto& [name, id] : ids.defined) {
        const auto [other, added] = names.emplace(id, name);
        EXPECT_TRUE(added) << name << " and " << other->second << " share id " << id;
    }
    for (const std::string& name : ids.used) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ids.defined.contains(name));
        const std::string text = LoadStringResource(ids.defined.at(name));
        EXPECT_FALSE(text.empty());
        // A line break written as the two characters of an escape would show as such.
        EXPECT_EQ(text.find("\\n"), std::string::npos);
    }
}

#endif

} // namespace
