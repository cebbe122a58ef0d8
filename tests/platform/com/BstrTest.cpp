#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The byte count a string carries just before its first character.
uint32_t bytePrefix(BSTR text) {
    uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(text) - sizeof(length), sizeof(length));
    return length;
}

TEST(BstrTest, StringsCarryTheirByteLengthAndATerminatingZero) {
    const OLECHAR withZero[] = {u'a', u'b', 0, u'c', u'd'};
    const struct {
        const char* label;
        BSTR text;
        std::u16string expected;
    } cases[] = {
        {"text", SysAllocString(u"Pelmora"), u"Pelmora"},
        {"empty", SysAllocString(u""), u""},
        {"embedded zero", SysAllocStringLen(withZero, 5), std::u16string(withZero, 5)},
        {"no source", SysAllocStringLen(nullptr, 6), std::u16string(6, u'\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_NE(c.text, nullptr);
        EXPECT_EQ(SysStringLen(c.text), c.expected.size());
        EXPECT_EQ(bytePrefix(c.text), 2 * c.expected.size());
        EXPECT_EQ(std::u16string(c.text, SysStringLen(c.text)), c.expected);
        EXPECT_EQ(c.text[c.expected.size()], u'\0');
        SysFreeString(c.text);
    }
}

TEST(BstrTest, NullZeroTerminatedAndOversizeInputs) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    const OLECHAR withZero[] = {u'a', u'b', 0, u'c'};
    BSTR stopped = SysAllocString(withZero);  // a zero-terminated copy stops at the first zero
    EXPECT_EQ(SysStringLen(stopped), 2u);
    SysFreeString(stopped);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // beyond the prefix field
}

}  // namespace
