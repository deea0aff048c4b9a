// The number rules: Val on its own and integers read from text files.
#include <string>
#include <vector>

#include "TextTestSupport.h"

namespace {

struct ValCase {
    std::string text;
    bool ok;
    int32_t value;
};

const ValCase ValCases[] = {
    {"0", true, 0},
    {"-17", true, -17},
    {"+5", true, 5},
    {"  \t42", true, 42},
    {"$1F", true, 31},
    {"x1f", true, 31},
    {"X1F", true, 31},
    {"0x10", true, 16},
    {"0X10", true, 16},
    {"%101", true, 5},
    {"&17", true, 15},
    {"-$10", true, -16},
    {"+%11", true, 3},
    {"$FFFFFFFF", true, -1},
    {"$80000000", true, -2147483647 - 1},
    {"%11111111111111111111111111111111", true, -1},
    {"&37777777777", true, -1},
    {"2147483647", true, 2147483647},
    {"-2147483648", true, -2147483647 - 1},
    {"0000000000000000000002147483647", true, 2147483647},
    {"000", true, 0},
    {"-0", true, 0},
    {"$0", true, 0},
    {"0x0", true, 0},
    // Base 10 limits depend on the sign.
    {"2147483648", false, 0},
    {"-2147483649", false, 0},
    {"4294967296", false, 0},
    {"99999999999999999999", false, 0},
    // Other bases: any 32-bit pattern, nothing beyond.
    {"$100000000", false, 0},
    {"%100000000000000000000000000000000", false, 0},
    {"&40000000000", false, 0},
    {"-$FFFFFFFF", true, 1},
    // Malformed.
    {"", false, 0},
    {"12,", false, 0},
    {"1.5", false, 0},
    {"-", false, 0},
    {"+", false, 0},
    {"0x", false, 0},
    {"$", false, 0},
    {"x", false, 0},
    {"$-10", false, 0},
    {"--1", false, 0},
    {"+-1", false, 0},
    {"%102", false, 0},
    {"&8", false, 0},
    {"12a", false, 0},
    {"$G", false, 0},
    {"1 ", false, 0},
    {"\xEF\xBB\xBF" "1", false, 0},
};

}  // namespace

TEST(ValTest, NumberRules) {
    for (const ValCase& c : ValCases) {
        int32_t v = 12345;
        int pos = Val(c.text.data(), static_cast<int>(c.text.size()), v);
        EXPECT_EQ(pos == 0, c.ok) << "text '" << c.text << "' error position " << pos;
        EXPECT_EQ(v, c.value) << "text '" << c.text << "'";
    }
}

TEST(ValTest, ErrorPositionPointsAtTheOffendingCharacter) {
    int32_t v;
    EXPECT_EQ(Val("12,", 3, v), 3);
    EXPECT_EQ(Val("$-10", 4, v), 2);
    EXPECT_EQ(Val("%102", 4, v), 4);
    EXPECT_EQ(Val("2147483648", 10, v), 10);
}

class NumberFileTest : public TextIOTest {
protected:
    // Reads count integers from a file holding content; codes[i] is InOutRes
    // after read i (cleared again before the next read).
    void ReadAll(const std::string& content, std::vector<int32_t>& values, std::vector<uint16_t>& codes,
                 int count) {
        WriteWholeFile(dir.File("n.dat"), content);
        TextRec f;
        OpenForReading(f, dir.File("n.dat"));
        ASSERT_EQ(IOResult(), 0);
        for (int i = 0; i < count; i++) {
            int32_t v = 777;
            TextReadInt(f, v);
            values.push_back(v);
            codes.push_back(IOResult());
        }
        Close(f);
    }
    TempDir dir;
};

TEST_F(NumberFileTest, ItemsOneAfterTheOther) {
    struct Case {
        std::string content;
        std::vector<int32_t> values;
        std::vector<uint16_t> codes;
    };
    const Case cases[] = {
        {"  -17 +5 $1F x1f 0x10 %101 &17 -$10 $FFFFFFFF",
         {-17, 5, 31, 31, 16, 5, 15, -16, -1},
         {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"2147483647 -2147483648 2147483648 7", {2147483647, -2147483647 - 1, 0, 7}, {0, 0, 106, 0}},
        // The bad token is consumed; the next read goes on after it.
        {"12, 1.5 - 0x $-10 3", {0, 0, 0, 0, 0, 3}, {106, 106, 106, 106, 106, 0}},
        // Every byte up to 32 separates numbers.
        {"1\t2\r\n3\f4\x01" "5\v6", {1, 2, 3, 4, 5, 6}, {0, 0, 0, 0, 0, 0}},
        // The end of the file, or only blanks before it: 0, no error.
        {"9", {9, 0, 0}, {0, 0, 0}},
        {"9 \r\n\t ", {9, 0}, {0, 0}},
        {"", {0}, {0}},
        // Ctrl-Z ends the data for good.
        {"2 3\x1A" "4 5", {2, 3, 0, 0}, {0, 0, 0, 0}},
        {"2 3\x1A", {2, 3, 0}, {0, 0, 0}},
        // A byte-order mark spoils the first number only.
        {"\xEF\xBB\xBF" "2 3", {0, 3}, {106, 0}},
    };
    for (const Case& c : cases) {
        std::vector<int32_t> values;
        std::vector<uint16_t> codes;
        ReadAll(c.content, values, codes, static_cast<int>(c.values.size()));
        EXPECT_EQ(values, c.values) << "content '" << c.content << "'";
        EXPECT_EQ(codes, c.codes) << "content '" << c.content << "'";
    }
}

TEST_F(NumberFileTest, NulByteSeparatesNumbers) {
    std::vector<int32_t> values;
    std::vector<uint16_t> codes;
    ReadAll(std::string("5\0" "6", 3), values, codes, 2);
    EXPECT_EQ(values, (std::vector<int32_t>{5, 6}));
}

TEST_F(NumberFileTest, TokenCrossingTheBufferBoundary) {
    // 254 blanks put the number's digits on both sides of the first refill.
    for (int lead : {250, 253, 254, 255, 256, 257}) {
        std::vector<int32_t> values;
        std::vector<uint16_t> codes;
        ReadAll(std::string(static_cast<size_t>(lead), ' ') + "12345 -678", values, codes, 3);
        EXPECT_EQ(values, (std::vector<int32_t>{12345, -678, 0})) << "lead " << lead;
        EXPECT_EQ(codes, (std::vector<uint16_t>{0, 0, 0})) << "lead " << lead;
    }
}

TEST_F(NumberFileTest, TokenOfMoreThan255BytesIsSplit) {
    // 300 digits: the first 255 overflow, the other 45 are the next token.
    std::string digits(255, '0');
    digits += std::string(44, '0') + "7";
    std::vector<int32_t> values;
    std::vector<uint16_t> codes;
    ReadAll(digits, values, codes, 2);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 7}));
    EXPECT_EQ(codes, (std::vector<uint16_t>{0, 0}));

    values.clear();
    codes.clear();
    ReadAll(std::string(255, '1') + "23", values, codes, 2);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 23}));
    EXPECT_EQ(codes, (std::vector<uint16_t>{106, 0}));
}
