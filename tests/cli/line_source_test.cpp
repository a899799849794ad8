// The pieces under the readers: lines read in chunks (line ends split across
// chunks, cut lines, lines handed back), where a byte of a cell lies, and
// text made safe to print.
#include <gtest/gtest.h>

#include "input/encoding.h"
#include "input/line_source.h"
#include "input/results.h"
#include "run_cli.h"

using namespace talvhost;

namespace {

std::vector<std::pair<long, std::string>> all_lines(LineSource &src, std::vector<std::size_t> *lengths = nullptr) {
    std::vector<std::pair<long, std::string>> out;
    SourceLine line;
    while (src.next(line)) {
        out.emplace_back(line.number, std::string(line.text));
        if (lengths) lengths->push_back(line.length);
    }
    return out;
}

TEST(LineSource, LineEndsAcrossChunkBoundaries) {
    cli_test::TempDir dir;
    // The reader takes 64 KiB at a time: put a "\r\n" across that boundary
    // and a line longer than a chunk after it.
    std::string first(65535, 'a');
    std::string text = first + "\r\n" + std::string(70000, 'b') + "\n\nlast";
    LineSource src(dir.write("r.txt", text), 1 << 20);
    auto lines = all_lines(src);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::make_pair(1L, first));
    EXPECT_EQ(lines[1].second, std::string(70000, 'b'));
    EXPECT_EQ(lines[2], std::make_pair(3L, std::string()));
    EXPECT_EQ(lines[3], std::make_pair(4L, std::string("last")));
}

TEST(LineSource, LongLinesAreCutAndTheRestSkipped) {
    cli_test::TempDir dir;
    LineSource src(dir.write("r.txt", "short\r\n" + std::string(200000, 'x') + "\r\nnext\n"), 1000);
    std::vector<std::size_t> lengths;
    auto lines = all_lines(src, &lengths);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].second, std::string(1000, 'x'));
    EXPECT_EQ(lengths, (std::vector<std::size_t>{5, 200001, 4}));
    EXPECT_EQ(lines[2], std::make_pair(3L, std::string("next")));
}

TEST(LineSource, LinesHandedBackComeFirst) {
    cli_test::TempDir dir;
    LineSource src(dir.write("r.txt", "1\n2\n3\n"), 100);
    SourceLine line;
    ASSERT_TRUE(src.next(line));
    ASSERT_TRUE(src.next(line));
    src.unread(2, "2", 1);
    auto lines = all_lines(src);
    EXPECT_EQ(lines, (std::vector<std::pair<long, std::string>>{{2, "2"}, {3, "3"}}));
}

TEST(TextPlace, BytesOfACellOverLines) {
    // "ab""c<LF>de""f" read from line 7, the text starting in column 3.
    // The text is ab"c<LF>de"f: quotes at 2 and 7, the second line from 5.
    std::vector<std::size_t> escapes{2, 7}, breaks{5};
    TextPlace place{7, 3, &escapes, &breaks};
    EXPECT_EQ(place.at(0), std::make_pair(7L, 3L));
    EXPECT_EQ(place.at(3), std::make_pair(7L, 7L));  // after the doubled quote
    EXPECT_EQ(place.at(4), std::make_pair(7L, 8L));  // the line break itself
    EXPECT_EQ(place.at(5), std::make_pair(8L, 1L));
    EXPECT_EQ(place.at(8), std::make_pair(8L, 5L));
    EXPECT_EQ((TextPlace{5, 0, nullptr, nullptr}.at(9)), std::make_pair(5L, 0L));
}

TEST(Visible, EscapesWhatIsNoPrintableUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain 123", "plain 123"},
        {"金額¥", "金額¥"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\x1B[2J", "\\x1B[2J"},
        {"\xFF\xC3", "\\xFF\\xC3"},
        {"\xE9\x87", "\\xE9\\x87"},          // a character cut short
        {"\xC0\xAF", "\\xC0\\xAF"},          // overlong
        {"line\nnext\r\t", "line\\nnext\\r\\t"},
        {"\xC2\x9B" "x", "\\u009Bx"},      // a C1 control
        {"\x7F", "\\x7F"},
        {"\\x41", "\\x41"},                // a backslash stays one
    };
    for (const auto &[in, want] : cases) EXPECT_EQ(visible(in), want);
}

}  // namespace
