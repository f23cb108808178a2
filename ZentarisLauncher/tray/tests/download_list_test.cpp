// The download list's line rules and tables, read through the real stdio
// calls that the web file reader mirrors.
#include "download_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A list held in a temporary file, read with fgets and feof.
class StdioSource : public DownloadLineSource {
public:
    explicit StdioSource(const std::string& content) : file_(std::tmpfile())
    {
        if (!file_) return;
        std::fwrite(content.data(), 1, content.size(), file_);
        std::rewind(file_);
    }
    ~StdioSource() override { if (file_) std::fclose(file_); }
    bool ok() const { return file_ != nullptr; }
    bool AtEnd() override { return std::feof(file_) != 0; }
    char* ReadLine(char* destination, int size) override { return std::fgets(destination, size, file_); }

private:
    FILE* file_;
};

struct Loaded {
    int lines = 0;
    std::vector<std::string> names;  // "<none>" for an empty slot
    std::vector<std::string> urls;
};

const std::string None = "<none>";

Loaded Load(const std::string& content, DownloadCatalog& catalog)
{
    StdioSource source(content);
    EXPECT_TRUE(source.ok());
    Loaded loaded;
    if (!source.ok()) return loaded;
    catalog.Clear();
    loaded.lines = LoadDownloadList(source, catalog);
    for (int i = 0; i < catalog.Count(); ++i) {
        loaded.names.push_back(catalog.Name(i) ? catalog.Name(i) : None);
        loaded.urls.push_back(catalog.Url(i) ? catalog.Url(i) : None);
    }
    return loaded;
}

std::string Field(bool present, std::string_view text) { return present ? std::string(text) : None; }

TEST(DownloadLine, FieldsFollowTheSeparatorRules)
{
    struct Case {
        std::string line, name, url;
    };
    const Case cases[] = {
        {"Space Raiders;http://p/sr.exe\n", "Space Raiders", "http://p/sr.exe\n"},
        {"Space Raiders;http://p/sr.exe;\n", "Space Raiders", "http://p/sr.exe"},
        {"Game;http://p/g.exe\r\n", "Game", "http://p/g.exe\r\n"},
        {"Game;http://p/g.exe;\r\n", "Game", "http://p/g.exe"},
        {";;Game;;;http://p/g.exe\n", "Game", "http://p/g.exe\n"},
        {"Game;http://p/g.exe;third;fourth\n", "Game", "http://p/g.exe"},
        {"Game;http://p/g.exe", "Game", "http://p/g.exe"},
        {"Only a name\n", "Only a name\n", None},
        {"Game;", "Game", None},
        {"Game;;;", "Game", None},
        {";;;\n", "\n", None},
        {"\n", "\n", None},
        {";;;", None, None},
        {"", None, None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line: [" + c.line + "]");
        const DownloadLineFields fields = SplitDownloadLine(c.line.c_str());
        EXPECT_EQ(Field(fields.hasName, fields.name), c.name);
        EXPECT_EQ(Field(fields.hasUrl, fields.url), c.url);
    }
}

// What a picked entry hands to the shell: its URL without the line end
// that closed its line. Any other whitespace or control character, or a
// byte beyond ASCII, anywhere in it leaves the entry listed (name and URL
// kept) but opening nothing.
TEST(DownloadLine, OnlyCleanWebLinksOpen)
{
    struct Case {
        std::string line, opens;
    };
    const Case cases[] = {
        {"Game;http://p/g.exe\n", "http://p/g.exe"},
        {"Game;http://p/g.exe\r\n", "http://p/g.exe"},
        {"Game;http://p/g.exe;\r\n", "http://p/g.exe"},
        {"Game;http://p/g.exe", "http://p/g.exe"},
        {"Game;HTTPS://p/g.exe\n", "HTTPS://p/g.exe"},
        {"Game;http://p/My%20Game.exe\r\n", "http://p/My%20Game.exe"},
        {"Game;http://p/My Game.exe\r\n", None},
        {"Game;http://p/g.exe \r\n", None},
        {"Game; http://p/g.exe\n", None},
        {"Game;http://p/g.exe\r\r\n", None},
        {"Game;http://p/g.exe\r", None},
        {"Game;http://p/\tg.exe\n", None},
        {"Game;http://p/\x0Bg.exe\n", None},
        {"Game;http://p/\x7Fg.exe\n", None},
        {"Game;http://p/\xA0g.exe\n", None},
        {"Game;http://p/\xC2\xA0g.exe\n", None},
        {"Game;http://p/g.exe\rfile:///C:/x.exe\n", None},
        {"Game;file:///C:/Windows/System32/calc.exe\n", None},
        {"Game;\\\\host\\share\\g.exe\r\n", None},
        {"Game;\r\n", None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line: [" + c.line + "]");
        const DownloadLineFields fields = SplitDownloadLine(c.line.c_str());
        ASSERT_TRUE(fields.hasName && fields.hasUrl) << "listed with its URL";
        const std::optional<std::string> link = DownloadLinkToOpen(fields.url);
        EXPECT_EQ(link.value_or(None), c.opens);
    }
}

TEST(DownloadList, EachLineBecomesOneEntryInOrder)
{
    DownloadCatalog catalog;
    Loaded loaded = Load("A;http://a/;\n;B;;http://b/\r\nno url\nC;http://c/", catalog);
    EXPECT_EQ(loaded.lines, 4);
    EXPECT_EQ(loaded.names, (std::vector<std::string>{"A", "B", "no url\n", "C"}));
    EXPECT_EQ(loaded.urls, (std::vector<std::string>{"http://a/", "http://b/\r\n", None, "http://c/"}));

    // A piece of nothing but ';' has no name; it keeps its slot, and the
    // entries after it stay in place.
    loaded = Load("A;http://a/\n" + std::string(1023, ';') + "\nC;http://c/\n;;;", catalog);
    EXPECT_EQ(loaded.names, (std::vector<std::string>{"A", None, "\n", "C", None}));
    EXPECT_EQ(loaded.urls, (std::vector<std::string>{"http://a/\n", None, None, "http://c/\n", None}));

    loaded = Load("", catalog);
    EXPECT_EQ(loaded.lines, 0);
    EXPECT_EQ(catalog.Count(), 0);
    EXPECT_EQ(catalog.Name(0), nullptr);
}

TEST(DownloadList, LongLinesArriveIn1023BytePieces)
{
    struct Case {
        size_t lineBytes;  // line end included
        std::vector<size_t> pieces;
    };
    const Case cases[] = {
        {1023, {1023}},
        {1024, {1023, 1}},
        {2000, {1023, 977}},
        {3000, {1023, 1023, 954}},
    };
    DownloadCatalog catalog;
    for (const Case& c : cases) {
        SCOPED_TRACE("line of " + std::to_string(c.lineBytes) + " bytes");
        std::string line;
        for (size_t i = 0; line.size() + 1 < c.lineBytes; ++i) line += static_cast<char>('a' + i % 26);
        line += '\n';
        const Loaded loaded = Load(line + "Next;http://n/\n", catalog);
        ASSERT_EQ(loaded.names.size(), c.pieces.size() + 1);
        std::string joined;
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            EXPECT_EQ(loaded.names[i].size(), c.pieces[i]);
            joined += loaded.names[i];
        }
        EXPECT_EQ(joined, line);
        EXPECT_EQ(loaded.names.back(), "Next");
    }
}

std::string NumberedList(int lines)
{
    std::string list;
    for (int i = 0; i < lines; ++i) list += "Game " + std::to_string(i) + ";http://p/" + std::to_string(i) + ";\n";
    return list;
}

TEST(DownloadList, KeepsAtMost999EntriesAndReadsTheRest)
{
    DownloadCatalog catalog;
    for (int lines : {998, 999, 1000, 2500}) {
        SCOPED_TRACE(std::to_string(lines) + " lines");
        const Loaded loaded = Load(NumberedList(lines), catalog);
        EXPECT_EQ(loaded.lines, lines);
        const int kept = lines < DownloadListCapacity ? lines : DownloadListCapacity;
        ASSERT_EQ(catalog.Count(), kept);
        EXPECT_EQ(loaded.names.back(), "Game " + std::to_string(kept - 1));
        EXPECT_EQ(loaded.urls.back(), "http://p/" + std::to_string(kept - 1));
        EXPECT_EQ(catalog.Name(kept), nullptr);
        EXPECT_EQ(catalog.Url(kept), nullptr);
    }
    DownloadLineFields extra;
    extra.hasName = true;
    extra.name = "one more";
    EXPECT_FALSE(catalog.Append(extra));
    EXPECT_EQ(catalog.Count(), DownloadListCapacity);
}

// A reader running beside the writer sees whole entries only: every entry
// counted has both texts, and they belong together.
TEST(DownloadList, ReaderBesideTheWriterSeesOnlyWholeEntries)
{
    DownloadCatalog catalog;
    std::vector<std::string> names, urls;
    for (int i = 0; i < DownloadListCapacity; ++i) {
        names.push_back("Game number " + std::to_string(i) + std::string(i % 50, '.'));
        urls.push_back("http://p/downloads/" + std::to_string(i) + std::string(i % 70, '/'));
    }
    for (int round = 0; round < 5; ++round) {
        catalog.Clear();
        std::thread writer([&] {
            for (int i = 0; i < DownloadListCapacity; ++i) {
                DownloadLineFields fields;
                fields.hasName = fields.hasUrl = true;
                fields.name = names[i];
                fields.url = urls[i];
                catalog.Append(fields);
            }
        });
        int seen = 0, bad = 0;
        while (seen < DownloadListCapacity) {
            const int count = catalog.Count();
            if (count < seen) {
                ADD_FAILURE() << "the count went back from " << seen << " to " << count;
                break;
            }
            for (int i = seen; i < count; ++i) {
                if (!catalog.Name(i) || !catalog.Url(i) || names[i] != catalog.Name(i) || urls[i] != catalog.Url(i)) ++bad;
            }
            seen = count;
        }
        writer.join();
        EXPECT_EQ(bad, 0);
    }
}

}  // namespace
