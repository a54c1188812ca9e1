// The page import's tokenizer against the html5lib project's tokenizer tests, read from the
// shared conformance folder: in every initial state a test names, the start tags found must be
// the ones expected, each with its name, its attributes (the first of repeated names, values
// after character references) and its self-closing flag. Text, comments, doctypes, end tags
// and parse errors are not compared: the import looks at start tags only, and copies all else
// as it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "html_tokenizer.h"
#include "platform/text.h"

namespace zem::test {
namespace {

using kmcore::HtmlToken;
using kmcore::HtmlTokenizer;
using kmcore::HtmlTokenKind;

struct StartTag {
    std::string name;
    std::map<std::string, std::string> attributes;
    bool selfClosing = false;
    bool operator==(const StartTag&) const = default;
};

std::ostream& operator<<(std::ostream& out, const StartTag& tag) {
    out << "<" << tag.name;
    for (const auto& [name, value] : tag.attributes)
        out << " " << name << "=\"" << value << "\"";
    return out << (tag.selfClosing ? "/>" : ">");
}

// ZEM_CONFORMANCE_DIR when set, else the shared folder found beside the sources at build time.
std::filesystem::path TokenizerTestFolder() {
    const char* set = std::getenv("ZEM_CONFORMANCE_DIR");
    return std::filesystem::path(set && *set ? set : ZEM_CONFORMANCE_DIR) / "html5lib-tests" /
           "tokenizer";
}

// "\uXXXX" escapes left in a test marked doubleEscaped, as UTF-8; a lone surrogate is written
// as its three bytes, which the tokenizer passes through as any other character.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\u") != 0 || i + 6 > text.size()) {
            out += text[i];
            continue;
        }
        char32_t unit = static_cast<char32_t>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
        i += 5;
        if (unit >= 0xD800 && unit < 0xDC00 && text.compare(i + 1, 2, "\\u") == 0) {
            const auto low = static_cast<char32_t>(std::stoul(text.substr(i + 3, 4), nullptr, 16));
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 6;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000) {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// What a browser does to the bytes before its tokenizer sees them: CR LF and CR become LF.
std::string WithLineFeeds(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            out += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            out += '\n';
    }
    return out;
}

std::vector<StartTag> Scan(const std::string& input, HtmlTokenizer::State state,
                           const std::string& lastStartTag) {
    HtmlTokenizer tokenizer(input);
    tokenizer.SwitchTo(state, lastStartTag);
    std::vector<StartTag> tags;
    HtmlToken token;
    while (tokenizer.Next(token)) {
        if (token.kind != HtmlTokenKind::kStartTag)
            continue;
        StartTag& tag = tags.emplace_back();
        tag.name = token.name;
        tag.selfClosing = token.selfClosing;
        for (const auto& attribute : token.attributes)
            if (!attribute.repeated)
                tag.attributes[attribute.name] = kmcore::AttributeValue(input, attribute);
    }
    return tags;
}

TEST(HtmlTokenizerConformance, StartTagsAreTheOnesOfTheHtml5libTokenizerTests) {
    const std::filesystem::path folder = TokenizerTestFolder();
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "the html5lib tokenizer tests are not at " << folder
                     << " (set ZEM_CONFORMANCE_DIR to the folder holding html5lib-tests)";
    const std::map<std::string, HtmlTokenizer::State> states = {
        {"Data state", HtmlTokenizer::State::kData},
        {"PLAINTEXT state", HtmlTokenizer::State::kPlainText},
        {"RCDATA state", HtmlTokenizer::State::kRcdata},
        {"RAWTEXT state", HtmlTokenizer::State::kRawText},
        {"Script data state", HtmlTokenizer::State::kScriptData},
        {"CDATA section state", HtmlTokenizer::State::kCdataSection}};
    int runs = 0, withStartTags = 0, failures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".test")
            continue;
        std::ifstream file(entry.path());
        const nlohmann::json suite = nlohmann::json::parse(file);
        // "xmlViolationTests" hold what an XML serializer must change; no browser reads so.
        if (!suite.contains("tests"))
            continue;
        for (const nlohmann::json& test : suite["tests"]) {
            const bool escaped = test.value("doubleEscaped", false);
            auto text = [&](const nlohmann::json& value) {
                return escaped ? Unescaped(value.get<std::string>()) : value.get<std::string>();
            };
            std::vector<StartTag> expected;
            for (const nlohmann::json& token : test["output"]) {
                if (token[0] != "StartTag")
                    continue;
                StartTag& tag = expected.emplace_back();
                tag.name = text(token[1]);
                for (const auto& [name, value] : token[2].items())
                    tag.attributes[escaped ? Unescaped(name) : name] = text(value);
                tag.selfClosing = token.size() > 3 && token[3].get<bool>();
            }
            const std::string input = WithLineFeeds(text(test["input"]));
            const nlohmann::json initial =
                test.value("initialStates", nlohmann::json::array({"Data state"}));
            for (const nlohmann::json& state : initial) {
                ++runs;
                withStartTags += expected.empty() ? 0 : 1;
                const std::vector<StartTag> found = Scan(input, states.at(state.get<std::string>()),
                                                         test.value("lastStartTag", std::string()));
                if (found == expected)
                    continue;
                ++failures;
                ADD_FAILURE() << entry.path().filename() << ": " << test["description"] << " in "
                              << state << "\ninput: " << input
                              << "\nexpected: " << testing::PrintToString(expected)
                              << "\nfound:    " << testing::PrintToString(found);
            }
        }
    }
    std::cout << runs << " test runs (a test in each of its initial states), " << withStartTags
              << " expecting start tags, the others none; " << runs - failures << " pass\n";
    EXPECT_GT(runs, 6000);
}

}  // namespace
}  // namespace zem::test
